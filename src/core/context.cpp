#include "core/context.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kestrum {

std::string ExecutableFolder(const char* argv0) {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || self.empty()) self = std::filesystem::absolute(argv0 ? argv0 : ".", ec);
  return self.parent_path().string();
}

Context MakeProgramContext(const char* argv0) {
  Context ctx;
  const char* home_override = std::getenv("KESTRUM_HOME");
  ctx.program_folder = (home_override && *home_override) ? std::string(home_override) : ExecutableFolder(argv0);
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) {
    ctx.user_data_root = xdg;
  } else {
    const char* home = std::getenv("HOME");
    ctx.user_data_root = std::string(home && *home ? home : "/tmp") + "/.local/share";
  }
  return ctx;
}

}  // namespace kestrum
