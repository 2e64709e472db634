#include "core/app_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "core/identity.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"

namespace kestrum {
namespace {

const char* LogFileName(int kind) {
  switch (kind) {
    case kDebugLog: return "debug.log";
    case kApplicationLog: return "applog.log";
    case kUpdateLog: return "updlog.log";
    default: return "";
  }
}

enum class AppendResult { Written, CannotCreate, CannotAppend };

AppendResult AppendLine(const std::string& path, std::string_view line) {
  // Append to an existing file, or create it; O_APPEND keeps lines whole between writers.
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  bool existed = fd >= 0;
  if (!existed) fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return (errno == EEXIST || existed) ? AppendResult::CannotAppend : AppendResult::CannotCreate;
  size_t written = 0;
  bool ok = true;
  while (written < line.size()) {
    const ssize_t n = ::write(fd, line.data() + written, line.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    written += static_cast<size_t>(n);
  }
  ::close(fd);
  return ok ? AppendResult::Written : AppendResult::CannotAppend;
}

}  // namespace

std::string FormatLogLine(const std::tm& t, std::string_view message) {
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d %02d:%02d:%02d ", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900,
                t.tm_hour, t.tm_min, t.tm_sec);
  std::string line(stamp);
  line.append(message);
  line.append(kCrLf);
  return line;
}

std::string GetLogPath(Context& ctx, int kind) {
  std::string folder = JoinPath(StorageFolder(ctx), "Logs");
  if (!FolderExists(folder) && !CreateFolder(folder)) {
    folder = JoinPath(PerUserFolder(ctx, true), "Logs");
    if (!FolderExists(folder)) CreateFolder(folder);
  }
  return JoinPath(folder, LogFileName(kind));
}

void WriteLog(Context& ctx, std::string_view message) {
  for (;;) {
    if (ReadSetting(ctx, "Settings", "Disable_Log", "1") == "0") return;
    std::string path = ReadSetting(ctx, "Paths", "AppLog_File", "");
    if (path.empty()) path = GetLogPath(ctx, kApplicationLog);

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const AppendResult result = AppendLine(path, FormatLogLine(local, message));
    // A failure to append to a log that exists never ends the program.
    if (result != AppendResult::CannotCreate) return;
    if (!ctx.desktop) return;

    const std::string question = "Woops, the path to my log file doesn't seem to be available" + std::string(kCrLf) +
                                 kCrLf + "Path: " + path + kCrLf + kCrLf + "Can I set a default to correct this please?";
    if (ctx.desktop->showMessage(question, kProgramTitle, MessageIcon::Exclamation, MessageButtons::YesNo) ==
        MessageAnswer::Yes) {
      const std::string stored = ReadSetting(ctx, "Paths", "AppLog_File", "");
      WriteSetting(ctx, "Paths", "AppLog_File", "");
      // When the default path itself is unavailable, asking again would loop: offer to disable.
      if (!stored.empty()) continue;
    }
    if (ctx.desktop->showMessage("Okay, then can I disable logging?", kProgramTitle, MessageIcon::Question,
                                 MessageButtons::YesNo) == MessageAnswer::Yes) {
      WriteSetting(ctx, "Settings", "Disable_Log", "0");
      if (ReadSetting(ctx, "Settings", "Disable_Log", "1") != "0") return;  // could not store it
      continue;
    }
    ctx.desktop->showMessage("Then I am afraid I cannot load ....", kProgramTitle, MessageIcon::Information,
                             MessageButtons::Ok);
    ctx.quit_requested = true;
    return;
  }
}

void ShowLog(Context& ctx, TextPane& log_view) {
  log_view.setText("");
  std::ifstream in(GetLogPath(ctx, kApplicationLog), std::ios::binary);
  if (!in) return;
  // The view lists the first 50 lines of the file, the first at the bottom.
  std::string shown;
  std::string line;
  int count = 0;
  while (count < 50 && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    shown = line + kCrLf + shown;
    ++count;
  }
  log_view.setText(shown);
}

void ClearLog(Context& ctx, TextPane& log_view) {
  const std::string path = GetLogPath(ctx, kApplicationLog);
  if (FileExists(ctx, path)) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
  }
  log_view.setText("");
}

bool ToggleDisableLog(Context& ctx) {
  const bool checked = ReadSetting(ctx, "Settings", "Log", "") != "1";
  WriteSetting(ctx, "Settings", "Log", checked ? "1" : "0");
  return checked;
}

}  // namespace kestrum
