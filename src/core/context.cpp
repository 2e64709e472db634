#include "core/context.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/storage.h"

namespace kestrum {

std::string ExecutableFolder(const char* argv0) {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || self.empty()) self = std::filesystem::absolute(argv0 ? argv0 : ".", ec);
  return self.parent_path().string();
}

bool IsSystemFolder(const std::string& folder) {
  return folder == "/usr" || folder.rfind("/usr/", 0) == 0;
}

std::string ChooseProgramFolder(const char* kestrum_home, const std::string& executable_folder,
                                const std::string& user_data_root) {
  if (kestrum_home && *kestrum_home) return kestrum_home;
  // A build tree or a portable unpack carries its own Storage; an installed program never writes
  // beside its executable, whoever runs it.
  std::error_code ec;
  if (!IsSystemFolder(executable_folder) && std::filesystem::is_directory(executable_folder + "/Storage", ec))
    return executable_folder;
  return user_data_root + "/" + kPerUserFolderName;
}

Context MakeProgramContext(const char* argv0) {
  Context ctx;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) {
    ctx.user_data_root = xdg;
  } else {
    const char* home = std::getenv("HOME");
    ctx.user_data_root = std::string(home && *home ? home : "/tmp") + "/.local/share";
  }
  ctx.program_folder = ChooseProgramFolder(std::getenv("KESTRUM_HOME"), ExecutableFolder(argv0), ctx.user_data_root);
  if (ctx.program_folder == ctx.user_data_root + "/" + kPerUserFolderName) {
    // A fresh account has no per-user folder yet; Storage is made inside it at start.
    std::error_code ec;
    std::filesystem::create_directories(ctx.program_folder, ec);
  }
  return ctx;
}

}  // namespace kestrum
