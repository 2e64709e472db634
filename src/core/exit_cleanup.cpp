#include "core/exit_cleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/seams.h"
#include "core/storage.h"

namespace kestrum {
namespace {

// Calls `visit(name, stat)` for the folder's entries whose names do not begin with "."; links
// are not followed. Returns the number of entries seen, or -1 when the folder cannot be listed.
template <typename Visit>
int64_t ForEachEntry(const std::string& folder, Visit visit) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return -1;
  int64_t seen = 0;
  while (const dirent* entry = ::readdir(dir)) {
    ++seen;
    if (entry->d_name[0] == '.') continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    visit(entry->d_name, st);
  }
  ::closedir(dir);
  return seen;
}

bool AskToCleanOut(Context& ctx, const std::string& what, int64_t size_kb) {
  const std::string question =
      "The " + what + " is currently [ " + std::to_string(size_kb) + "KB ], would you like to clean it out?";
  return ctx.desktop->showMessage(question, kProgramTitle, MessageIcon::Question, MessageButtons::YesNo) ==
         MessageAnswer::Yes;
}

void ReportUndeletable(Context& ctx, const std::string& path, int error) {
  WriteLog(ctx, "I was unable to delete " + path + " (" + std::strerror(error) + ")");
}

// Deletes the files directly inside the folder; sub-folders and their contents stay.
void DeleteFilesIn(Context& ctx, const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    ReportUndeletable(ctx, folder, errno);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
      names.emplace_back(entry->d_name);
  }
  for (const auto& name : names) {
    // Relative to the open folder: no path length limit, no surprise if the folder is renamed.
    if (::unlinkat(::dirfd(dir), name.c_str(), 0) != 0 && errno != ENOENT)
      ReportUndeletable(ctx, JoinPath(folder, name), errno);
  }
  ::closedir(dir);
}

void OfferToEmptyTempFolder(Context& ctx) {
  const std::string folder = GetTempFolder(ctx);
  if (folder == kTempFolderError || !FolderExists(folder)) return;
  const int64_t size_kb = FolderSizeKB(folder);
  if (size_kb > kTempFolderOfferKB && AskToCleanOut(ctx, "temp directory (dl_temp)", size_kb))
    DeleteFilesIn(ctx, folder);
}

void OfferToClearLog(Context& ctx) {
  // Always the default log file, even when AppLog_File names another one.
  const std::string log = GetLogPath(ctx, kApplicationLog);
  struct stat st {};
  if (!FileExists(ctx, log) || ::stat(log.c_str(), &st) != 0) return;
  const int64_t size_kb = BytesToNearestKB(st.st_size);
  if (size_kb > kLogFileOfferKB && AskToCleanOut(ctx, "log file (applog.log)", size_kb)) {
    if (::unlink(log.c_str()) != 0 && errno != ENOENT) ReportUndeletable(ctx, log, errno);
  }
}

}  // namespace

int64_t BytesToNearestKB(int64_t bytes) {
  const int64_t whole = bytes / 1024;
  const int64_t rest = bytes % 1024;
  if (rest > 512 || (rest == 512 && whole % 2 != 0)) return whole + 1;
  return whole;
}

FolderWalkTotals WalkFolder(std::string_view folder) {
  FolderWalkTotals totals;
  // An explicit list of folders still to walk: no recursion depth to run out of.
  std::vector<std::string> pending{std::string(folder)};
  while (!pending.empty()) {
    const std::string current = std::move(pending.back());
    pending.pop_back();
    const int64_t seen = ForEachEntry(current, [&](const char* name, const struct stat& st) {
      if (S_ISDIR(st.st_mode)) {
        pending.push_back(JoinPath(current, name));
      } else {
        ++totals.file_count;
        totals.byte_total += st.st_size;
      }
    });
    if (seen > 0) totals.entry_count += seen;
  }
  return totals;
}

int64_t FolderSizeKB(std::string_view folder) {
  return BytesToNearestKB(WalkFolder(folder).byte_total);
}

void RunExitCleanup(Context& ctx) {
  if (ctx.unattended || !ctx.desktop) return;
  OfferToEmptyTempFolder(ctx);
  OfferToClearLog(ctx);
}

}  // namespace kestrum
