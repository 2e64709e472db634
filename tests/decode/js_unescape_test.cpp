#include "decode/js_unescape.h"

#include <gtest/gtest.h>

#include "core/recording_desktop.h"
#include "core/settings.h"
#include "core/storage.h"
#include "decode/char_table.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

std::string Repeat(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(UnescapeURL, DecodesPercentEscapesUpToTheBufferLimit) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"%48%69", "Hi"},
      {"a+b%20c", "a+b c"},                    // "+" is copied
      {"%zz%4", "%zz%4"},                      // not an escape
      {"%%41", "%A"},
      {"%4a%E9", "J\xE9"},                     // either letter case, any byte
      {"%00", std::string(1, '\0')},
      {Repeat("%41", 100), std::string(100, 'A')},
      {Repeat("%41", 259), std::string(259, 'A')},
      {Repeat("%41", 260), Repeat("%41", 260)},  // does not fit: the text comes back
      {std::string(300, 'x'), std::string(300, 'x')},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(UnescapeURL(text), expected) << text;
}

TEST(CharTable, HoldsEveryByteOrItsName) {
  const auto entries = CharTableEntries();
  ASSERT_EQ(entries.size(), 255u);
  EXPECT_EQ(entries.front().first, "01");
  EXPECT_EQ(entries.back(), (std::pair<std::string, std::string>{"FF", "\xFF"}));
  const std::pair<int, const char*> named[] = {{0x01, "UNUSED"}, {0x09, "hzltab"}, {0x0A, "lf"},  {0x0B, "UNUSED"},
                                               {0x0D, "crgrtn"}, {0x1F, "UNUSED"}, {0x20, "spc"}, {0x41, "A"},
                                               {0x7F, "UNUSED"}, {0x80, "\x80"},   {0x81, "UNUSED"}, {0x8D, "UNUSED"},
                                               {0x8F, "UNUSED"}, {0x90, "UNUSED"}, {0x9D, "UNUSED"}, {0xE9, "\xE9"}};
  for (const auto& [code, value] : named) EXPECT_EQ(entries[code - 1].second, value) << code;
}

TEST(CharTable, ExpandsItsNamesWhateverTheirCase) {
  const std::pair<const char*, const char*> cases[] = {
      {"crgrtn", "\r\n"}, {"CrGrTn", "\r\n"}, {"lf", "\n"}, {"HZLTAB", "\t"},
      {"spc", " "},       {"UNUSED", "UNUSED"}, {"A", "A"},  {"a spc b", "a   b"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(ExpandCharNames(value), expected) << value;
}

class CharTableFile : public ::testing::Test {
 protected:
  CharTableFile() { program.ctx.desktop = &desktop; }
  std::string table() { return program.root.read("program/Storage/charcfg.ini"); }
  std::string log() { return program.root.read("program/Storage/Logs/applog.log"); }
  std::vector<std::string> messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : desktop.messages) texts.push_back(m.text);
    return texts;
  }
  testing::TestProgram program;
  ScriptedDesktop desktop;
};

TEST_F(CharTableFile, EveryValueReadsBackAsWritten) {
  WriteCharTable(program.ctx);
  // Values such as "=", ";", "[" and the quote characters must survive the profile format.
  for (const auto& [key, value] : CharTableEntries())
    EXPECT_EQ(ReadCharConfig(program.ctx, kCharTableSection, key, "missing"), value) << key;
  EXPECT_EQ(ReadCharConfig(program.ctx, kCharTableSection, "e9", ""), "\xE9");  // keys ignore case
  EXPECT_EQ(ReadCharConfig(program.ctx, kCharTableSection, "00", "missing"), "missing");
}

TEST_F(CharTableFile, RewritingRestoresTheTableAndDropsKey00) {
  program.root.write("program/Storage/charcfg.ini", "[Other]\r\nkeep=1\r\n[Chars]\r\n00=x\r\n41=Q\r\n");
  WriteCharTable(program.ctx);
  EXPECT_EQ(ReadCharConfig(program.ctx, kCharTableSection, "41", ""), "A");
  EXPECT_EQ(ReadCharConfig(program.ctx, kCharTableSection, "00", "missing"), "missing");
  EXPECT_EQ(ReadCharConfig(program.ctx, "Other", "keep", ""), "1");
}

TEST_F(CharTableFile, IsWrittenAtStartOnlyWhenMissing) {
  EXPECT_TRUE(WriteCharTableIfMissing(program.ctx));
  EXPECT_EQ(ReadCharConfig(program.ctx, kCharTableSection, "41", ""), "A");
  WriteCharConfig(program.ctx, kCharTableSection, "41", "edited");
  EXPECT_FALSE(WriteCharTableIfMissing(program.ctx));
  EXPECT_EQ(ReadCharConfig(program.ctx, kCharTableSection, "41", ""), "edited");
}

TEST_F(CharTableFile, ShortEscapesGoThroughTheDecoderWithoutTheTable) {
  EXPECT_EQ(UnescapeJavascript(program.ctx, "%48%69"), "Hi");  // no table file exists
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CharTableFile, LongEscapesGoThroughTheTableWithTheSameResult) {
  WriteCharTable(program.ctx);
  EXPECT_EQ(UnescapeJavascript(program.ctx, Repeat("%41", 300)), std::string(300, 'A'));
  const std::string padding = Repeat("%42", 260);
  EXPECT_EQ(UnescapeJavascript(program.ctx, "%0D%0A%09%20%01%4a" + padding),
            "\r\n\n\t UNUSEDJ" + std::string(260, 'B'));
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CharTableFile, TheTableKeepsTheTextBetweenEscapes) {
  WriteCharTable(program.ctx);
  const std::string padding = Repeat("%41", 260);
  const std::pair<std::string, std::string> cases[] = {
      {"var s=%22x%22;" + padding, "var s=\"x\";" + std::string(260, 'A')},
      {"%41bc%zz%" + padding, "Abc%zz%" + std::string(260, 'A')},  // what is no escape stays as written
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(UnescapeJavascript(program.ctx, text), expected);
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CharTableFile, UserEditedKeysAndValuesAreUsed) {
  WriteCharTable(program.ctx);
  WriteCharConfig(program.ctx, kCharTableSection, "u0041", "A");
  WriteCharConfig(program.ctx, kCharTableSection, "42", "Bspc");
  const std::string padding = Repeat("%41", 260);  // too long for the decoder: the table answers
  EXPECT_EQ(UnescapeJavascript(program.ctx, "%u0041%u0042%42" + padding), "A%u0042B " + std::string(260, 'A'));
}

TEST_F(CharTableFile, FailuresShowTheirMessagesAndKeepTheText) {
  WriteCharTable(program.ctx);
  struct Case {
    std::string text;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"%", {kNotEscapedMessage, kUnescapeFailedMessage}},
      {"41", {kNotEscapedMessage, kUnescapeFailedMessage}},
      {"%u0041%u0042", {kUnescapeFailedMessage}},
  };
  for (const auto& c : cases) {
    desktop.messages.clear();
    EXPECT_EQ(UnescapeJavascript(program.ctx, c.text), c.text);
    EXPECT_EQ(messageTexts(), c.messages) << c.text;
    for (const auto& m : desktop.messages) {
      EXPECT_EQ(m.icon, MessageIcon::Information);
      EXPECT_EQ(m.caption, "Kestrum Desktop Edition");
    }
  }
  EXPECT_NE(log().find(std::string(kUnescapeFailedMessage) + "\r\n"), std::string::npos);
}

TEST_F(CharTableFile, AMissingTableFailsLongTexts) {
  const std::string text = Repeat("%41", 300);
  EXPECT_EQ(UnescapeJavascript(program.ctx, text), text);
  EXPECT_EQ(messageTexts(), std::vector<std::string>{kUnescapeFailedMessage});
}

}  // namespace
}  // namespace kestrum
