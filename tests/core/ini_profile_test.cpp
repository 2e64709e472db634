#include "core/ini_profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "core_test_helpers.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

using testing::TempFolder;
using namespace std::literals;

TEST(IniLookup, FindsValuesAsTheProfileFunctionsDo) {
  struct Case {
    const char* contents;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  } const cases[] = {
      {"[Settings]\r\nchkProxy=1\r\n", "settings", "CHKPROXY", "1"},
      {"[Settings]\r\n  key  =  spaced value  \r\n", "Settings", "key", "spaced value"},
      {"[ Settings ]\r\nkey=v\r\n", "Settings", "key", "v"},
      {"[S]\r\nkey=\"quoted\"\r\n", "S", "key", "quoted"},
      {"[S]\r\nkey='single'\r\n", "S", "key", "single"},
      {"[S]\r\nkey=\"unbalanced\r\n", "S", "key", "\"unbalanced"},
      {"[S]\r\nkey=a=b\r\n", "S", "key", "a=b"},
      {"[S]\r\nkey=\r\n", "S", "key", ""},
      {"[S]\nkey=lf only\n", "S", "key", "lf only"},
      {"[S]\rkey=cr only\r[T]\rkey=t\r", "T", "key", "t"},
      {"[S]\r\nkey=no final break", "S", "key", "no final break"},
      // The first section and the first key of a name win.
      {"[S]\r\nkey=first\r\nKEY=second\r\n", "S", "key", "first"},
      {"[S]\r\na=1\r\n[s]\r\nkey=later\r\n", "S", "key", std::nullopt},
      // Comments, garbage and keys of other sections are not matches.
      {"[S]\r\n;key=commented\r\ngarbage line\r\n=orphan\r\n", "S", "key", std::nullopt},
      {"key=outside\r\n[S]\r\n", "S", "key", std::nullopt},
      {"[T]\r\nkey=other\r\n", "S", "key", std::nullopt},
      {"[S\r\nkey=unclosed header belongs nowhere\r\n", "S", "key", std::nullopt},
      {"", "S", "key", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(IniLookup(c.contents, c.section, c.key), c.expected) << c.contents;
}

TEST(IniLookup, SurvivesNulBytesAndLongLines) {
  const std::string_view contents = "\0\0garbage\0\r\n[S]\r\nkey=v\0tail\r\n"sv;
  EXPECT_EQ(IniLookup(contents, "S", "key"), "v\0tail"sv);
  const std::string long_line = "[S]\r\n" + std::string(10 * 1024 * 1024, 'x') + "\r\nkey=after\r\n";
  EXPECT_EQ(IniLookup(long_line, "S", "key"), "after");
}

TEST(IniWithValue, ChangesOnlyWhatItMust) {
  struct Case {
    const char* name;
    std::string_view before;
    const char* key;
    std::optional<std::string_view> value;
    std::string_view after;
  } const cases[] = {
      {"new file", "", "k", "v", "[S]\r\nk=v\r\n"},
      {"new section keeps the file's lines", "junk\n\0x\n[T]\na=1"sv, "k", "v", "junk\n\0x\n[T]\na=1\n[S]\nk=v\n"sv},
      {"new key after the section's last line", "[S]\r\na=1\r\n\r\n[T]\r\n", "k", "v",
       "[S]\r\na=1\r\nk=v\r\n\r\n[T]\r\n"},
      {"new key in a last section without a final break", "[S]\ra=1", "k", "v", "[S]\ra=1\rk=v\r"},
      {"replaces the first of repeated keys", "[S]\r\nK = old\r\nk=second\r\n", "k", "new",
       "[S]\r\nK=new\r\nk=second\r\n"},
      {"deletes the key", "[S]\r\na=1\r\nk=v\r\nb=2\r\n", "k", std::nullopt, "[S]\r\na=1\r\nb=2\r\n"},
      {"deleting a missing key changes nothing", "[S]\r\na=1\r\n", "k", std::nullopt, "[S]\r\na=1\r\n"},
      {"a value ends at its first line break", "[S]\r\n", "k", "safe\r\n[Evil]\r\nx=1", "[S]\r\nk=safe\r\n"},
      {"a key with '=' cannot be stored", "[S]\r\n", "a=b", "v", "[S]\r\n"},
      {"a key beginning with ';' cannot be stored", "[S]\r\n", ";k", "v", "[S]\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IniWithValue(c.before, "S", c.key, c.value), c.after) << c.name;
  }
  EXPECT_EQ(IniWithValue("", "Bad]Section", "k", "v"), "");
  EXPECT_EQ(IniWithValue("", "Line\nBreak", "k", "v"), "");
}

TEST(IniWithValue, KeepsNulBytesAndOtherSectionsByteForByte) {
  const std::string_view before = "[A]\r\nx=\0\0\r\n[S]\r\nk=1\r\n\xff\xfe garbage\r\n"sv;
  const std::string after = IniWithValue(before, "S", "k", "2");
  EXPECT_EQ(after, "[A]\r\nx=\0\0\r\n[S]\r\nk=2\r\n\xff\xfe garbage\r\n"sv);
  EXPECT_EQ(IniLookup(after, "A", "x"), "");
}

class ProfileFile : public ::testing::Test {
 protected:
  TempFolder folder;
  std::string path = folder.file("cfg.ini");
};

TEST_F(ProfileFile, ReadsAreCutTo154CharactersAndEndAtNul) {
  const std::string exact(154, 'a'), longer(155, 'b');
  folder.write("cfg.ini", "[S]\r\nexact=" + exact + "\r\nlonger=" + longer + "\r\nhuge=" +
                              std::string(10 * 1024 * 1024, 'c') + "\r\nnul=ab" + std::string(1, '\0') + "cd\r\n");
  EXPECT_EQ(ReadProfileString(path, "S", "exact", ""), exact);
  EXPECT_EQ(ReadProfileString(path, "S", "longer", ""), longer.substr(0, 154));
  EXPECT_EQ(ReadProfileString(path, "S", "huge", ""), std::string(154, 'c'));
  EXPECT_EQ(ReadProfileString(path, "S", "nul", ""), "ab");
  EXPECT_EQ(ReadProfileString(path, "S", "missing", std::string(200, 'd')), std::string(154, 'd'));
  EXPECT_EQ(ReadProfileString(folder.file("absent.ini"), "S", "exact", "default"), "default");
}

TEST_F(ProfileFile, WriteCreatesAnOwnerOnlyFileAndKeepsAnExistingFilesMode) {
  ASSERT_TRUE(WriteProfileString(path, "Settings", "PWD", "secret"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(folder.read("cfg.ini"), "[Settings]\r\nPWD=secret\r\n");

  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteProfileString(path, "Settings", "PWD", "other"));
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(ProfileFile, DeletingFromAMissingFileCreatesNothing) {
  EXPECT_TRUE(WriteProfileString(path, "S", "k", std::nullopt));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ProfileFile, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
  const std::string original = "[S]\r\nk=old\r\n; a comment that must survive\r\n";
  folder.write("cfg.ini", original);
  {
    testing::FileSizeLimit limit(16);  // the new contents cannot be written out
    EXPECT_FALSE(WriteProfileString(path, "S", "k", std::string(100, 'n')));
  }
  EXPECT_EQ(folder.read("cfg.ini"), original);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++files;
  EXPECT_EQ(files, 1u);
}

TEST_F(ProfileFile, WriteManyAndRefusedNames) {
  ASSERT_TRUE(WriteProfileStrings(path, "Chars", {{"65", "A"}, {"66", "B"}}));
  EXPECT_EQ(folder.read("cfg.ini"), "[Chars]\r\n65=A\r\n66=B\r\n");
  EXPECT_FALSE(WriteProfileStrings(path, "Chars", {{"67", "C"}, {"bad=key", "x"}}));
  EXPECT_FALSE(WriteProfileString(path, "Chars", "", "x"));
  EXPECT_EQ(folder.read("cfg.ini"), "[Chars]\r\n65=A\r\n66=B\r\n");
}

// "Cannot read" is not "no file": a write then would replace every setting with its one key.
TEST_F(ProfileFile, AFileThatExistsButCannotBeReadIsNotReplaced) {
  const std::string original = "[Settings]\r\nSMTP=mail.example\r\nchkProxy=1\r\n";
  struct Case {
    const char* what;
    std::function<void()> make;
  };
  const Case cases[] = {
      {"mode 0200",
       [&] {
         folder.write("cfg.ini", original);
         ::chmod(path.c_str(), 0200);
       }},
      {"a symbolic link that loops", [&] { std::filesystem::create_symlink(path, path); }},
      {"a folder", [&] { std::filesystem::create_directory(path); }},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(path);
    c.make();
    const int probe = ::open(path.c_str(), O_RDONLY);
    if (probe >= 0 && std::string(c.what) == "mode 0200") {
      ::close(probe);  // root reads it all the same: nothing to show for this case
      continue;
    }
    if (probe >= 0) ::close(probe);
    EXPECT_FALSE(WriteProfileString(path, "Settings", "cboProxyServers", "x")) << c.what;
    EXPECT_FALSE(WriteProfileStrings(path, "Settings", {{"a", "1"}, {"b", "2"}})) << c.what;
    EXPECT_EQ(ReadProfileString(path, "Settings", "cboProxyServers", "default"), "default") << c.what;
    if (std::string(c.what) == "mode 0200") {
      ::chmod(path.c_str(), 0600);
      EXPECT_EQ(folder.read("cfg.ini"), original);
    }
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::is_symlink(path, ec) || std::filesystem::exists(path, ec)) << c.what;
  }
}

TEST_F(ProfileFile, WriteIntoAFolderThatCannotExistFails) {
  folder.write("not-a-folder", "");
  EXPECT_FALSE(WriteProfileString(folder.file("not-a-folder/cfg.ini"), "S", "k", "v"));
}

}  // namespace
}  // namespace kestrum
