#include "core/kept_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/settings.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

using testing::TempFolder;

TEST(KeptFiles, ReadsSeeEveryKindOfChange) {
  TempFolder folder;
  const std::string path = folder.file("cfg.ini");
  EXPECT_EQ(ReadFileAsItIsNow(path), std::nullopt);
  folder.write("cfg.ini", "one");
  EXPECT_EQ(ReadFileAsItIsNow(path), "one");
  folder.write("cfg.ini", "two");  // rewritten in place, same size
  EXPECT_EQ(ReadFileAsItIsNow(path), "two");
  folder.write("other", "replaced by rename");
  std::filesystem::rename(folder.file("other"), path);
  EXPECT_EQ(ReadFileAsItIsNow(path), "replaced by rename");
  folder.write("cfg.ini", "");
  EXPECT_EQ(ReadFileAsItIsNow(path), "");
  folder.write("cfg.ini", std::string(200000, 'g'));
  EXPECT_EQ(ReadFileAsItIsNow(path)->size(), 200000u);
  std::filesystem::remove(path);
  EXPECT_EQ(ReadFileAsItIsNow(path), std::nullopt);
  EXPECT_EQ(ReadFileAsItIsNow(folder.path()), std::nullopt);
}

TEST(KeptFiles, AppendsGoToTheFileThePathNamesNow) {
  TempFolder folder;
  const std::string path = folder.file("app.log");
  EXPECT_EQ(AppendToExistingFile(path, "x"), AppendOutcome::NoFile);
  EXPECT_FALSE(std::filesystem::exists(path));

  folder.write("app.log", "");
  EXPECT_EQ(AppendToExistingFile(path, "a"), AppendOutcome::Written);
  std::filesystem::rename(path, folder.file("rotated.log"));
  folder.write("app.log", "");
  EXPECT_EQ(AppendToExistingFile(path, "b"), AppendOutcome::Written);
  std::filesystem::resize_file(path, 0);  // cleared in place
  EXPECT_EQ(AppendToExistingFile(path, "c"), AppendOutcome::Written);
  EXPECT_EQ(folder.read("rotated.log"), "a");
  EXPECT_EQ(folder.read("app.log"), "c");
}

TEST(KeptFiles, AFolderOnTheWayReplacedOrMovedIsNoticed) {
  TempFolder folder;
  namespace fs = std::filesystem;
  fs::create_directories(folder.file("program/Storage"));
  folder.write("program/Storage/cfg.ini", "first");
  const std::string path = folder.file("program/Storage/cfg.ini");
  ASSERT_EQ(ReadFileAsItIsNow(path), "first");
  EXPECT_TRUE(RegularFileExistsNow(path));

  // The file's own folder swapped for another one.
  fs::rename(folder.file("program/Storage"), folder.file("program/Old"));
  fs::create_directories(folder.file("program/Storage"));
  folder.write("program/Storage/cfg.ini", "second");
  EXPECT_EQ(ReadFileAsItIsNow(path), "second");

  // A folder further up moved away: the path now leads nowhere.
  fs::rename(folder.file("program"), folder.file("moved"));
  EXPECT_EQ(ReadFileAsItIsNow(path), std::nullopt);
  EXPECT_FALSE(RegularFileExistsNow(path));
  fs::create_directories(folder.file("program/Storage"));
  folder.write("program/Storage/cfg.ini", "third");
  EXPECT_EQ(ReadFileAsItIsNow(path), "third");
  EXPECT_TRUE(RegularFileExistsNow(path));
}

TEST(KeptFiles, APathThroughALinkIsCheckedOnDiskEveryTime) {
  TempFolder folder;
  namespace fs = std::filesystem;
  fs::create_directories(folder.file("a"));
  fs::create_directories(folder.file("b"));
  folder.write("a/cfg.ini", "in a");
  folder.write("b/cfg.ini", "in b");
  fs::create_directory_symlink(folder.file("a"), folder.file("link"));
  const std::string path = folder.file("link/cfg.ini");
  ASSERT_EQ(ReadFileAsItIsNow(path), "in a");
  // Pointing the link elsewhere changes nothing in the folders a watch would see.
  fs::remove(folder.file("link"));
  fs::create_directory_symlink(folder.file("b"), folder.file("link"));
  EXPECT_EQ(ReadFileAsItIsNow(path), "in b");
  folder.write("b/cfg.ini", "b again");
  EXPECT_EQ(ReadFileAsItIsNow(path), "b again");
}

TEST(KeptFiles, ADeletedLogIsNotWrittenIntoTheVoid) {
  TempFolder folder;
  const std::string path = folder.file("app.log");
  folder.write("app.log", "");
  ASSERT_EQ(AppendToExistingFile(path, "a"), AppendOutcome::Written);
  std::filesystem::remove(path);
  EXPECT_EQ(AppendToExistingFile(path, "b"), AppendOutcome::NoFile);
  folder.write("app.log", "new ");
  EXPECT_EQ(AppendToExistingFile(path, "c"), AppendOutcome::Written);
  EXPECT_EQ(folder.read("app.log"), "new c");
}

TEST(KeptFiles, QuickSuccessiveWritesAreAllSeen) {
  // Each write replaces cfg.ini by rename; a freed inode number may come back at once with the
  // same size and time stamp, which only an open descriptor can tell apart.
  testing::TestProgram program;
  for (int i = 0; i < 40; ++i) {
    const std::string value = i % 2 ? "1" : "0";
    WriteSetting(program.ctx, "Settings", "Disable_Log", value);
    ASSERT_EQ(ReadSetting(program.ctx, "Settings", "Disable_Log", "x"), value) << i;
  }
}

}  // namespace
}  // namespace kestrum
