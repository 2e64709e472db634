#include "core/storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/identity.h"
#include "core/kept_files.h"
#include "core/seams.h"
#include "core/text.h"

namespace kestrum {
namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

bool CreateFolderIfMissing(const std::string& path) {
  return FolderExists(path) || ::mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && FolderExists(path));
}

bool WriteLimitedMarker(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string line = std::string(kLimitedMarkerLine) + kCrLf;
  const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  return (::close(fd) == 0) && ok;
}

// The folder that holds Storage for cfg.ini and charcfg.ini.
std::string StorageBase(Context& ctx) {
  const std::string marker = JoinPath(StorageFolder(ctx), "limited.txt");
  // A quiet test: this runs for every setting read, so it must never raise a message.
  if (RegularFileExistsNow(marker) || WriteLimitedMarker(marker)) return ctx.program_folder;
  const std::string base = PerUserFolder(ctx, true);
  CreateFolderIfMissing(JoinPath(base, "Storage"));  // so the settings can be written there
  return base;
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && !IsSeparator(out.back())) out += '/';
  out.append(name);
  return out;
}

std::string EnsureTrailingSeparator(std::string_view path) {
  std::string out(path);
  if (out.empty() || !IsSeparator(out.back())) out += '/';
  return out;
}

std::string StorageFolder(const Context& ctx) {
  return JoinPath(ctx.program_folder, "Storage");
}

std::string PerUserFolder(const Context& ctx, bool create) {
  const std::string folder = JoinPath(ctx.user_data_root.empty() ? "/tmp" : ctx.user_data_root, kPerUserFolderName);
  if (create) {
    // The data root itself may not exist yet on a fresh account.
    std::string partial;
    for (const auto& piece : Split(folder, "/")) {
      partial += piece;
      if (!partial.empty()) CreateFolderIfMissing(partial);
      partial += '/';
    }
  }
  return folder;
}

std::string GetSettingsPath(Context& ctx) {
  return JoinPath(JoinPath(StorageBase(ctx), "Storage"), "cfg.ini");
}

std::string GetCharConfigPath(Context& ctx) {
  return JoinPath(JoinPath(StorageBase(ctx), "Storage"), "charcfg.ini");
}

std::string GetTempFolder(Context& ctx) {
  std::string candidate = JoinPath(StorageFolder(ctx), "dl_temp");
  bool per_user = false;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (FolderExists(candidate)) return candidate;
    if (::mkdir(candidate.c_str(), 0755) == 0) return candidate;
    if (per_user) {
      // The per-user Storage folder may not exist yet; make its parents once.
      PerUserFolder(ctx, true);
      CreateFolderIfMissing(JoinPath(PerUserFolder(ctx, false), "Storage"));
    }
    candidate = JoinPath(JoinPath(PerUserFolder(ctx, false), "Storage"), "dl_temp");
    per_user = true;
  }
  return kTempFolderError;
}

bool FolderExists(std::string_view path) {
  struct stat st {};
  return !path.empty() && ::stat(std::string(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(std::string_view path) {
  return ::mkdir(std::string(path).c_str(), 0755) == 0;
}

bool FileExists(Context& ctx, std::string_view path_or_address) {
  std::string text(path_or_address);
  if (StartsWith(text, "http://") || StartsWith(text, "ftp://")) return false;
  if (ContainsNoCase(text, "void ") || ContainsNoCase(text, "javascript:")) return false;
  for (const char* scheme : {"res://", "file://"}) {
    if (Contains(text, scheme)) text = std::string(Before(After(text, scheme), "/"));
  }
  if (ContainsNoCase(text, "file:")) text = ReplaceAll(ToLowerAscii(text), "file:", "");
  if (TrimSpaces(text).empty()) return false;

  struct stat st {};
  if (::stat(text.c_str(), &st) == 0) return S_ISREG(st.st_mode);
  const int error = errno;
  if (error == ENOENT || error == ENOTDIR) return false;
  if (ctx.desktop) {
    ctx.desktop->showMessage("Error: " + std::to_string(error) + " - " + std::strerror(error), kProgramTitle,
                             MessageIcon::Exclamation, MessageButtons::Ok);
  }
  return false;
}

bool ExtractResourceToFile(int number, std::string_view type, const std::string& path) {
  const std::string_view bytes = EmbeddedResource(number, type);
  if (bytes.empty()) return false;  // no such resource: no file either
  // Like a raw binary write: an existing longer file keeps its tail.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t written = 0;
  bool ok = true;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    written += static_cast<size_t>(n);
  }
  return (::close(fd) == 0) && ok;
}

}  // namespace kestrum
