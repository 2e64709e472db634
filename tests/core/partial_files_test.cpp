#include "core/partial_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace kestrum {
namespace {

void MakeOld(const std::string& path) {
  const timespec an_hour_ago[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), an_hour_ago, 0);
}

TEST(StalePartialFiles, OnlyFilesNoRunningTransferHoldsAreRemoved) {
  testing::TempFolder folder;
  struct Case {
    const char* name;
    bool old;
    bool locked;
    bool removed;
  };
  const Case cases[] = {
      {"page.txt.part-a1B2c3", true, false, true},    // left by a run that was killed
      {"page.txt.part-d4E5f6", true, true, false},    // another run is still fetching into it
      {"page.txt.part-g7H8i9", false, false, false},  // just created, its lock not yet taken
      {"page.txt", true, false, false},               // a saved page
      {"notes.part-1", true, false, false},           // not a partial file's name
  };
  std::vector<int> held;
  for (const Case& c : cases) {
    folder.write(c.name, "some bytes");
    if (c.old) MakeOld(folder.file(c.name));
    if (c.locked) {
      const int fd = ::open(folder.file(c.name).c_str(), O_RDWR);
      ASSERT_EQ(::flock(fd, LOCK_EX), 0);
      held.push_back(fd);
    }
  }
  EXPECT_EQ(RemoveStalePartialFiles(folder.path()), 1);
  for (const Case& c : cases) EXPECT_EQ(std::filesystem::exists(folder.file(c.name)), !c.removed) << c.name;
  for (const int fd : held) ::close(fd);
  EXPECT_EQ(RemoveStalePartialFiles(folder.file("no-such-folder")), 0);
}

}  // namespace
}  // namespace kestrum
