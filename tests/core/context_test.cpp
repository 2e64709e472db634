#include "core/context.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/temp_folder.h"

namespace kestrum {
namespace {

// Sets (or clears) an environment variable for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = ::getenv(name)) previous_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnvironment() { previous_ ? ::setenv(name_, previous_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

TEST(MakeProgramContext, ProgramFolderAndPerUserRoot) {
  {
    ScopedEnvironment home_override("KESTRUM_HOME", "/opt/kestrum-home");
    ScopedEnvironment xdg("XDG_DATA_HOME", "/data/user");
    const Context ctx = MakeProgramContext("ignored");
    EXPECT_EQ(ctx.program_folder, "/opt/kestrum-home");
    EXPECT_EQ(ctx.user_data_root, "/data/user");
  }
  ScopedEnvironment no_override("KESTRUM_HOME", "");
  ScopedEnvironment no_xdg("XDG_DATA_HOME", nullptr);
  testing::TempFolder someone;
  ScopedEnvironment home("HOME", someone.path().c_str());
  const Context ctx = MakeProgramContext("ignored");
  // The test program's own folder holds no Storage: the per-user folder is the program folder,
  // made on first use.
  ASSERT_FALSE(std::filesystem::exists(std::filesystem::read_symlink("/proc/self/exe").parent_path() / "Storage"));
  EXPECT_EQ(ctx.program_folder, someone.path() + "/.local/share/kestrum");
  EXPECT_TRUE(std::filesystem::is_directory(ctx.program_folder));
  EXPECT_EQ(ctx.user_data_root, someone.path() + "/.local/share");
}

}  // namespace
}  // namespace kestrum
