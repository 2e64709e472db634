#include "core/storage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/recording_desktop.h"
#include "core/settings.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::TestProgram;

const std::string kMarkerContents = std::string(kLimitedMarkerLine) + "\r\n";

TEST(StorageBase, AWritableProgramFolderGetsTheMarkerAndHoldsTheSettings) {
  TestProgram program;
  EXPECT_EQ(GetSettingsPath(program.ctx), program.storage() + "/cfg.ini");
  EXPECT_EQ(program.root.read("program/Storage/limited.txt"), kMarkerContents);
  EXPECT_EQ(GetCharConfigPath(program.ctx), program.storage() + "/charcfg.ini");

  // A deleted marker comes back at the next evaluation.
  fs::remove(program.storage() + "/limited.txt");
  GetSettingsPath(program.ctx);
  EXPECT_TRUE(fs::exists(program.storage() + "/limited.txt"));
}

TEST(StorageBase, AProgramFolderEndingInASeparatorGivesNoDoubledSeparator) {
  TestProgram program;
  program.ctx.program_folder += "/";
  EXPECT_EQ(GetSettingsPath(program.ctx), program.root.file("program/Storage/cfg.ini"));
}

TEST(StorageBase, AProgramFolderThatCannotBeWrittenMovesSettingsToThePerUserFolder) {
  TestProgram program;
  program.root.write("readonly", "");  // a file: nothing can be created below it
  program.ctx.program_folder = program.root.file("readonly");
  const std::string per_user = program.root.file("userdata/kestrum");
  EXPECT_EQ(PerUserFolder(program.ctx, false), per_user);
  EXPECT_EQ(GetSettingsPath(program.ctx), per_user + "/Storage/cfg.ini");
  EXPECT_TRUE(fs::is_directory(per_user + "/Storage"));

  // And the settings work there.
  WriteSetting(program.ctx, "Settings", "txtReferer", "http://referrer.example/");
  EXPECT_EQ(ReadSetting(program.ctx, "SETTINGS", "TXTREFERER", ""), "http://referrer.example/");
}

TEST(TempFolder, IsMadeInStorageAndFallsBackToThePerUserFolder) {
  TestProgram program;
  EXPECT_EQ(GetTempFolder(program.ctx), program.storage() + "/dl_temp");
  EXPECT_TRUE(fs::is_directory(program.storage() + "/dl_temp"));

  fs::remove_all(program.storage());
  program.root.write("program/Storage", "a file where the folder should be");
  EXPECT_EQ(GetTempFolder(program.ctx), program.root.file("userdata/kestrum/Storage/dl_temp"));
}

TEST(TempFolder, GivesErrorWhenNoFolderCanBeMade) {
  TestProgram program;
  program.root.write("blocker", "");
  program.ctx.program_folder = program.root.file("blocker/program");
  program.ctx.user_data_root = program.root.file("blocker/userdata");
  EXPECT_EQ(GetTempFolder(program.ctx), "ERROR");
}

TEST(FolderExists, OnlyForFolders) {
  TempFolder folder;
  folder.write("file", "x");
  EXPECT_TRUE(FolderExists(folder.path()));
  EXPECT_TRUE(FolderExists(folder.path() + "/"));
  EXPECT_FALSE(FolderExists(folder.file("file")));
  EXPECT_FALSE(FolderExists(folder.file("missing")));
  EXPECT_FALSE(FolderExists(""));
}

// FileExists resolves relative names against the working folder, as the program does.
class FileExistsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    fs::current_path(folder.path());
    folder.write("page.txt", "x");
    folder.write("C:\\dir\\file.txt", "a file whose name has backslashes");
    fs::create_directory(folder.file("sub"));
  }
  void TearDown() override { fs::current_path(previous_); }

  TempFolder folder;
  TestProgram program;
  ScriptedDesktop desktop;

 private:
  fs::path previous_;
};

TEST_F(FileExistsTest, FollowsItsStepsInOrder) {
  program.ctx.desktop = &desktop;
  struct Case {
    std::string text;
    bool exists;
  } const cases[] = {
      {folder.file("page.txt"), true},
      {"page.txt", true},
      {"http://page.txt", false},
      {"ftp://page.txt", false},
      {"HTTP://page.txt", false},  // not an address to the exact test: no such file either
      {"page.txt void ", false},
      {"JavaScript:page.txt", false},
      {"res://page.txt/more", true},
      {"file://page.txt/more", true},
      {"file://C:\\dir\\file.txt", true},
      {"file://" + folder.file("page.txt"), false},  // the path after "file://" begins with "/"
      {"FILE:page.txt", true},
      {"sub", false},
      {"missing.txt", false},
      {"", false},
      {"   ", false},
  };
  for (const auto& c : cases) EXPECT_EQ(FileExists(program.ctx, c.text), c.exists) << c.text;
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileExistsTest, AListingErrorIsShownAndCountsAsMissing) {
  program.ctx.desktop = &desktop;
  EXPECT_FALSE(FileExists(program.ctx, std::string(300, 'n')));
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, "Error: 36 - File name too long");
  EXPECT_EQ(desktop.messages[0].caption, "Kestrum Desktop Edition");
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
}

TEST(Resources, AreWrittenAsEmbedded) {
  TempFolder folder;
  const std::string proxies = folder.file("proxy_servers.txt");
  ASSERT_TRUE(ExtractResourceToFile(104, "pservers", proxies));
  const std::string bytes = folder.read("proxy_servers.txt");
  EXPECT_EQ(bytes.size(), 576u);
  EXPECT_EQ(bytes.back(), '\0');
  EXPECT_EQ(bytes.find('\0'), 575u);

  EXPECT_TRUE(ExtractResourceToFile(103, "UAStrings", folder.file("user_agents.txt")));
  EXPECT_EQ(folder.read("user_agents.txt").back(), '\0');
  EXPECT_TRUE(ExtractResourceToFile(101, "ADISC", folder.file("adisc.kmx")));
  EXPECT_NE(folder.read("adisc.kmx").find("Kestrum Desktop Edition"), std::string::npos);

  EXPECT_FALSE(ExtractResourceToFile(104, "UAStrings", folder.file("wrong.txt")));
  EXPECT_FALSE(fs::exists(folder.file("wrong.txt")));
}

TEST(Resources, OverwriteTheStartOfALongerFile) {
  TempFolder folder;
  folder.write("list.txt", std::string(1000, '#'));
  ASSERT_TRUE(ExtractResourceToFile(104, "PSERVERS", folder.file("list.txt")));
  const std::string bytes = folder.read("list.txt");
  EXPECT_EQ(bytes.size(), 1000u);
  EXPECT_EQ(bytes.substr(0, 576), EmbeddedResource(104, "PSERVERS"));
  EXPECT_EQ(bytes.substr(576), std::string(424, '#'));
}

TEST(Settings, AreReadAfreshAndSwitchesAreOnOnlyWhenExactlyOne) {
  TestProgram program;
  Context& ctx = program.ctx;
  EXPECT_EQ(ReadSetting(ctx, "Automation", "txtMins", "10"), "10");
  WriteSetting(ctx, "Automation", "txtMins", "15");
  EXPECT_EQ(ReadSetting(ctx, "automation", "TXTMINS", "10"), "15");

  // A change made behind the store's back is seen by the next read.
  program.root.write("program/Storage/cfg.ini", "[Automation]\r\ntxtMins=20\r\nchkAutoDownload=yes\r\n");
  EXPECT_EQ(ReadSetting(ctx, "Automation", "txtMins", "10"), "20");
  EXPECT_FALSE(SettingIsOn(ctx, "Automation", "chkAutoDownload", "0"));
  WriteSetting(ctx, "Automation", "chkAutoDownload", "1");
  EXPECT_TRUE(SettingIsOn(ctx, "Automation", "chkAutoDownload", "0"));

  WriteSetting(ctx, "Automation", "txtMins", std::nullopt);
  EXPECT_EQ(ReadSetting(ctx, "Automation", "txtMins", "10"), "10");
  EXPECT_EQ(program.root.read("program/Storage/cfg.ini"), "[Automation]\r\nchkAutoDownload=1\r\n");
}

TEST(Settings, CharacterTableLivesInItsOwnFile) {
  TestProgram program;
  WriteCharConfig(program.ctx, "Chars", "37", "%");
  WriteCharConfigMany(program.ctx, "Chars", {{"38", "&"}, {"39", "'"}});
  EXPECT_EQ(ReadCharConfig(program.ctx, "Chars", "37", ""), "%");
  EXPECT_EQ(ReadCharConfig(program.ctx, "Chars", "39", ""), "'");
  EXPECT_EQ(ReadSetting(program.ctx, "Chars", "37", "none"), "none");
}

}  // namespace
}  // namespace kestrum

namespace kestrum {
namespace {

TEST(ProgramFolder, ChosenSoThatAnInstalledProgramNeverWritesBesideItself) {
  testing::TempFolder root;
  fs::create_directories(root.file("portable/Storage"));
  fs::create_directories(root.file("installed/bin"));
  const std::string per_user = root.file("data") + "/kestrum";
  struct Case {
    const char* kestrum_home;
    std::string executable_folder;
    std::string expected;
  };
  const Case cases[] = {
      {"/srv/kestrum", root.file("portable"), "/srv/kestrum"},  // $KESTRUM_HOME wins
      {"", root.file("portable"), root.file("portable")},       // a build tree or portable unpack
      {nullptr, root.file("installed/bin"), per_user},          // no Storage beside it
      {nullptr, "/usr/bin", per_user},                          // installed, whoever runs it
      {nullptr, "/usr/local/bin", per_user},
      {nullptr, "/usr", per_user},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseProgramFolder(c.kestrum_home, c.executable_folder, root.file("data")), c.expected)
        << c.executable_folder;
  }
  EXPECT_EQ(std::string(kPerUserFolderName).find(' '), std::string::npos);
}

}  // namespace
}  // namespace kestrum
