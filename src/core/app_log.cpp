#include "core/app_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/kept_files.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"

namespace kestrum {
namespace {

const char* LogFileName(int kind) {
  switch (kind) {
    case kDebugLog:
      return "debug.log";
    case kApplicationLog:
      return "applog.log";
    case kUpdateLog:
      return "updlog.log";
    default:
      return "";
  }
}

enum class AppendResult { Written, Missing, CannotCreate, CannotAppend };

bool WriteAll(int fd, std::string_view bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Appends to the file at `path`; a missing file is created only when `create` is set.
AppendResult AppendLine(const std::string& path, std::string_view line, bool create) {
  switch (AppendToExistingFile(path, line)) {
    case AppendOutcome::Written:
      return AppendResult::Written;
    case AppendOutcome::WriteFailed:
      return AppendResult::CannotAppend;
    case AppendOutcome::NoFile:
      break;
  }
  if (IsRegularFile(path)) return AppendResult::CannotAppend;  // there, but not ours to write
  if (!create) return AppendResult::Missing;
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
  if (fd < 0) return AppendResult::CannotCreate;
  const bool ok = WriteAll(fd, line);
  ::close(fd);
  return ok ? AppendResult::Written : AppendResult::CannotAppend;
}

// The two settings the writer obeys, from one read of cfg.ini.
struct LogSettings {
  bool disabled = false;
  std::string file;
};

LogSettings ReadLogSettings(Context& ctx) {
  const auto contents = ReadFileAsItIsNow(GetSettingsPath(ctx));
  LogSettings settings;
  settings.disabled = ProfileStringFrom(contents, "Settings", "Disable_Log", "1") == "0";
  if (!settings.disabled) settings.file = ProfileStringFrom(contents, "Paths", "AppLog_File", "");
  return settings;
}

std::string CurrentLogLine(std::string_view message) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FormatLogLine(local, message);
}

// The end of a file holding its last `count` lines (a line ends at CR LF, LF or CR), read
// backwards in blocks so a long log is not read whole. Nothing when the file cannot be opened.
std::optional<std::string> ReadLastLines(const std::string& path, size_t count) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  const off_t size = ::lseek(fd, 0, SEEK_END);
  std::string tail;
  off_t position = size < 0 ? 0 : size;
  auto enough = [&tail, count] {
    // count + 1 breaks means the line before the first wanted one has ended: all are in.
    size_t breaks = 0;
    for (size_t i = tail.size(); i-- > 0;) {
      if (tail[i] == '\n' || (tail[i] == '\r' && (i + 1 == tail.size() || tail[i + 1] != '\n'))) {
        if (i + 1 == tail.size()) continue;  // the final line's own break
        if (++breaks > count) return true;
      }
    }
    return false;
  };
  while (position > 0 && !enough()) {
    const off_t step = std::min<off_t>(position, 65536);
    position -= step;
    std::string block(static_cast<size_t>(step), '\0');
    ssize_t got = 0;
    do {
      got = ::pread(fd, block.data(), block.size(), position);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) break;
    block.resize(static_cast<size_t>(got));
    tail.insert(0, block);
  }
  ::close(fd);
  return tail;
}

enum class Remedy { TryAgain, GiveUp };

// The questions asked when the log file cannot be created.
Remedy AskForRemedy(Context& ctx, const std::string& path, bool path_was_set) {
  Desktop& desktop = *ctx.desktop;
  const std::string question = "Woops, the path to my log file doesn't seem to be available" + std::string(kCrLf) +
                               kCrLf + "Path: " + path + kCrLf + kCrLf + "Can I set a default to correct this please?";
  if (desktop.showMessage(question, kProgramTitle, MessageIcon::Exclamation, MessageButtons::YesNo) ==
      MessageAnswer::Yes) {
    WriteSetting(ctx, "Paths", "AppLog_File", "");
    // Only worth another try when the default path is a change; otherwise the question would
    // come back for ever.
    if (path_was_set && ReadSetting(ctx, "Paths", "AppLog_File", "").empty()) return Remedy::TryAgain;
  }
  if (desktop.showMessage("Okay, then can I disable logging?", kProgramTitle, MessageIcon::Question,
                          MessageButtons::YesNo) == MessageAnswer::Yes) {
    WriteSetting(ctx, "Settings", "Disable_Log", "0");
    // Without a settings file to hold the answer, keep it for this run rather than ask at every line.
    if (!LoggingDisabled(ctx)) ctx.logging_off_for_session = true;
    return Remedy::GiveUp;
  }
  desktop.showMessage("Then I am afraid I cannot load ....", kProgramTitle, MessageIcon::Information,
                      MessageButtons::Ok);
  ctx.quit_requested = true;
  desktop.endProgram();
  return Remedy::GiveUp;
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
  if (ctx.logging_off_for_session) return;
  WriteLogLines(ctx, CurrentLogLine(message));
}

void WriteLogLines(Context& ctx, std::string_view line) {
  if (ctx.logging_off_for_session || line.empty()) return;
  for (;;) {
    // Nothing is kept between calls that could go stale: the settings are read afresh (one look
    // at the disk for the whole line), and the line goes to the file its path names now.
    std::string path;
    LogSettings settings;
    AppendResult result;
    {
      FreshLook look;
      settings = ReadLogSettings(ctx);
      if (settings.disabled) return;
      path = settings.file;
      if (path.empty()) {
        // The usual case first: the default log is already there, so no folder needs checking.
        const std::string usual = JoinPath(JoinPath(StorageFolder(ctx), "Logs"), LogFileName(kApplicationLog));
        if (AppendLine(usual, line, false) != AppendResult::Missing) return;
        path = GetLogPath(ctx, kApplicationLog);
      }
      result = AppendLine(path, line, true);
    }
    // A failure to append to a log that exists never ends the program; only creation asks, and
    // only once a run: the answers stand for every later line.
    if (result != AppendResult::CannotCreate || !ctx.desktop || ctx.log_questions_asked) return;
    if (AskForRemedy(ctx, path, !settings.file.empty()) == Remedy::GiveUp) {
      ctx.log_questions_asked = true;
      return;
    }
  }
}

void ShowLog(Context& ctx, TextPane& log_view) {
  log_view.setText("");
  const auto contents = ReadLastLines(GetLogPath(ctx, kApplicationLog), kLogViewLines);
  if (!contents) return;
  // The last lines of the file, the newest at the top. A line ends at CR LF, LF or CR.
  std::vector<std::string_view> lines;
  const std::string_view text = *contents;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    lines.push_back(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n' && (pos == end || text[pos - 1] == '\r')) ++pos;
  }
  if (lines.size() > static_cast<size_t>(kLogViewLines)) lines.erase(lines.begin(), lines.end() - kLogViewLines);
  std::string shown;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) shown.append(*line).append(kCrLf);
  log_view.setText(shown);
}

void ClearLog(Context& ctx, TextPane& log_view) {
  const std::string path = GetLogPath(ctx, kApplicationLog);
  if (FileExists(ctx, path)) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) ::close(fd);
  }
  log_view.setText("");
}

bool LoggingDisabled(Context& ctx) {
  return ctx.logging_off_for_session || ReadSetting(ctx, "Settings", "Disable_Log", "1") == "0";
}

bool ToggleDisableLog(Context& ctx) {
  // The command governs the writer, so "Disable Logging" does what it says; Log keeps the mark.
  const bool disable = !LoggingDisabled(ctx);
  ctx.logging_off_for_session = false;
  WriteProfileStrings(GetSettingsPath(ctx), "Settings",
                      {{"Log", disable ? "1" : "0"}, {"Disable_Log", disable ? "0" : "1"}});
  if (disable && !LoggingDisabled(ctx)) ctx.logging_off_for_session = true;  // could not be stored
  return disable;
}

}  // namespace kestrum
