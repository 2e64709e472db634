#include "core/exit_cleanup.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>

#include "core/app_log.h"
#include "core/recording_desktop.h"
#include "core/settings.h"
#include "core/storage.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::TestProgram;

TEST(BytesToNearestKB, HalvesGoToTheEvenNeighbour) {
  const std::pair<int64_t, int64_t> cases[] = {{0, 0},          {511, 0},        {512, 0},       {513, 1},
                                               {1024, 1},       {1536, 2},       {2560, 2},      {2561, 3},
                                               {1024000, 1000}, {1024512, 1000}, {1025536, 1002}};
  for (const auto& [bytes, kb] : cases) EXPECT_EQ(BytesToNearestKB(bytes), kb) << bytes;
}

TEST(WalkFolder, CountsNestedFilesAndSkipsDotNames) {
  TempFolder folder;
  fs::create_directories(folder.file("a/b/c"));
  fs::create_directories(folder.file(".hidden"));
  folder.write("top.txt", std::string(1000, 'x'));
  folder.write("a/b/c/deep.txt", std::string(2000, 'x'));
  folder.write(".dotfile", std::string(5000, 'x'));
  folder.write(".hidden/inside.txt", std::string(7000, 'x'));
  // A link back up must neither be followed nor loop the walk.
  fs::create_directory_symlink(folder.path(), folder.file("a/loop"));

  const FolderWalkTotals totals = WalkFolder(folder.path());
  EXPECT_EQ(totals.file_count, 3);  // top.txt, deep.txt and the link itself
  EXPECT_EQ(totals.byte_total, 3000 + static_cast<int64_t>(fs::read_symlink(folder.file("a/loop")).string().size()));
  // Every entry seen, "." and ".." of each listed folder included: root 6, a 4, b 3, c 3.
  EXPECT_EQ(totals.entry_count, 16);
  EXPECT_EQ(WalkFolder(folder.file("missing")).entry_count, 0);
}

TEST(FolderSizeKB, SumsLargeFilesWithoutOverflow) {
  TempFolder folder;
  folder.write("sparse", "");
  fs::resize_file(folder.file("sparse"), int64_t{3} << 30);  // 3 GB, sparse: nothing written
  EXPECT_EQ(FolderSizeKB(folder.path()), 3 * 1024 * 1024);
}

class ExitCleanup : public ::testing::Test {
 protected:
  void SetUp() override { ctx.desktop = &desktop; }
  std::string temp() { return GetTempFolder(ctx); }
  std::string log() { return GetLogPath(ctx, kApplicationLog); }
  void fill(const std::string& path, int64_t bytes) {
    fs::create_directories(fs::path(program.root.file(path)).parent_path());
    program.root.write(path, std::string(bytes, 'x'));
  }

  TestProgram program;
  Context& ctx = program.ctx;
  ScriptedDesktop desktop;
};

TEST_F(ExitCleanup, FoldersAndLogsAtTheirThresholdsAskNothing) {
  fill("program/Storage/dl_temp/page.txt", 1000 * 1024);
  fill("program/Storage/Logs/applog.log", 500 * 1024);
  ASSERT_EQ(temp(), program.storage() + "/dl_temp");
  RunExitCleanup(ctx);
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ExitCleanup, ALargeTempFolderLosesItsTopFilesOnYes) {
  fill("program/Storage/dl_temp/page.txt", 600 * 1024);
  fill("program/Storage/dl_temp/sub/kept.txt", 401 * 1024);  // counts, but stays
  fill("program/Storage/dl_temp/.dot", 5000 * 1024);         // neither counts nor is spared
  desktop.scriptAnswers({MessageAnswer::Yes});
  RunExitCleanup(ctx);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text,
            "The temp directory (dl_temp) is currently [ 1001KB ], would you like to clean it out?");
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Question);
  EXPECT_EQ(desktop.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(desktop.messages[0].caption, "Kestrum Desktop Edition");
  EXPECT_FALSE(fs::exists(temp() + "/page.txt"));
  EXPECT_FALSE(fs::exists(temp() + "/.dot"));
  EXPECT_TRUE(fs::exists(temp() + "/sub/kept.txt"));
}

TEST_F(ExitCleanup, NoKeepsEverything) {
  fill("program/Storage/dl_temp/page.txt", 2000 * 1024);
  fill("program/Storage/Logs/applog.log", 501 * 1024);
  RunExitCleanup(ctx);  // the desktop answers No
  ASSERT_EQ(desktop.messages.size(), 2u);
  EXPECT_EQ(desktop.messages[1].text,
            "The log file (applog.log) is currently [ 501KB ], would you like to clean it out?");
  EXPECT_TRUE(fs::exists(temp() + "/page.txt"));
  EXPECT_TRUE(fs::exists(log()));
}

TEST_F(ExitCleanup, TheDefaultLogIsCheckedEvenWhenLinesGoElsewhere) {
  fill("program/Storage/Logs/applog.log", 600 * 1024);
  fill("elsewhere.log", 900 * 1024);
  WriteSetting(ctx, "Paths", "AppLog_File", program.root.file("elsewhere.log"));
  desktop.scriptAnswers({MessageAnswer::Yes});
  RunExitCleanup(ctx);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_THAT(desktop.messages[0].text, ::testing::HasSubstr("[ 600KB ]"));
  EXPECT_FALSE(fs::exists(program.storage() + "/Logs/applog.log"));
  EXPECT_TRUE(fs::exists(program.root.file("elsewhere.log")));
}

// Makes a file undeletable even for root (the immutable flag); false where the system refuses.
bool SetImmutable(const std::string& path, bool immutable) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = 0;
  bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) ::close(fd);
  return ok;
}

TEST_F(ExitCleanup, AFileThatCannotBeDeletedIsLoggedAndTheCloseGoesOn) {
  fill("program/Storage/dl_temp/stuck.txt", 1500 * 1024);
  fill("program/Storage/dl_temp/free.txt", 10);
  fill("program/Storage/Logs/applog.log", 600 * 1024);
  const std::string stuck = temp() + "/stuck.txt";
  if (!SetImmutable(stuck, true)) GTEST_SKIP() << "no immutable files here";
  desktop.scriptAnswers({MessageAnswer::Yes, MessageAnswer::No});
  RunExitCleanup(ctx);
  SetImmutable(stuck, false);

  EXPECT_TRUE(fs::exists(stuck));
  EXPECT_FALSE(fs::exists(temp() + "/free.txt"));
  EXPECT_EQ(desktop.messages.size(), 2u);  // the log offer still comes
  const std::string log_text = program.root.read("program/Storage/Logs/applog.log");
  EXPECT_THAT(log_text, ::testing::HasSubstr("I was unable to delete " + stuck + " (Operation not permitted)"));
}

TEST_F(ExitCleanup, AnUnattendedRunAsksNothing) {
  fill("program/Storage/dl_temp/page.txt", 2000 * 1024);
  ctx.unattended = true;
  RunExitCleanup(ctx);
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_TRUE(fs::exists(temp() + "/page.txt"));
}

}  // namespace
}  // namespace kestrum
