#include "decode/base64.h"

#include <gtest/gtest.h>

#include <random>

#include "core/app_log.h"
#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

TEST(Base64Encode, StandardAlphabetAndPadding) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"a", "YQ=="},
      {"ab", "YWI="},
      {"abc", "YWJj"},
      {std::string("\xFF\x00\xFE", 3), "/wD+"},  // every byte value, NUL included
  };
  for (const auto& [input, expected] : cases) EXPECT_EQ(Base64Encode(input), expected) << input;
}

TEST(Base64Encode, BreaksLinesAfter72CharactersWithCrLf) {
  std::string full_line;
  for (int group = 0; group < 18; ++group) full_line += "YWFh";  // "aaa"
  const std::string encoded54 = Base64Encode(std::string(54, 'a'));
  EXPECT_EQ(encoded54, full_line + "\r\n");  // a full last line keeps its CR LF

  const std::string encoded55 = Base64Encode(std::string(55, 'a'));
  EXPECT_EQ(encoded55, encoded54 + "YQ==");

  // The pad character goes before the closing CR LF, not over it.
  const std::string encoded53 = Base64Encode(std::string(53, 'a'));
  ASSERT_EQ(encoded53.size(), 74u);
  EXPECT_EQ(encoded53.substr(71), "=\r\n");

  const std::string encoded108 = Base64Encode(std::string(108, 'a'));
  EXPECT_EQ(encoded108, encoded54 + encoded54);
}

TEST(IsBase64, TestsOnlyTheLengthWithoutCrLfAndSpaces) {
  const std::pair<const char*, bool> cases[] = {
      {"", true},         {"QUJD", true},    {"QUJ", false},  {"QU JD", true},
      {"QU\tJD", false},  // a tab is a character
      {"QU\r\nJD\r\n", true}, {"@@@@", true},  // characters are never examined
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(IsBase64(text), expected) << text;
}

TEST(Base64DecodeText, DecodesGroupsAndDropsPadding) {
  const std::pair<const char*, std::string> cases[] = {
      {"QQ==", "A"},
      {"QUI=", "AB"},
      {"QUJD", "ABC"},
      {"QU JD\r\n", "ABC"},
      {"", ""},
      {"@@@@", std::string(3, '\0')},                 // outside the alphabet reads as 0
      {"QQ==QUJD", std::string("A\0\0A", 4)},         // pad marks count wherever they stand
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Base64DecodeText(text), expected) << text;
  EXPECT_EQ(Base64DecodeText("QUJ"), std::nullopt);
}

TEST(Base64, RoundTripsRandomBytes) {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<size_t> length(0, 400);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(length(random), '\0');
    for (char& c : bytes) c = static_cast<char>(byte(random));
    const std::string encoded = Base64Encode(bytes);
    ASSERT_TRUE(IsBase64(encoded));
    ASSERT_EQ(Base64DecodeText(encoded), bytes) << "length " << bytes.size();
  }
}

class Base64DecodeCommand : public ::testing::Test {
 protected:
  Base64DecodeCommand() { program.ctx.desktop = &desktop; }
  std::string log() { return program.root.read("program/Storage/Logs/applog.log"); }
  testing::TestProgram program;
  ScriptedDesktop desktop;
  MemoryTextPane pane;
};

TEST_F(Base64DecodeCommand, PutsTheDecodedTextIntoThePane) {
  pane.setText("before");
  EXPECT_TRUE(Base64Decode(program.ctx, pane, "SGk="));
  EXPECT_EQ(pane.text(), "Hi");
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(Base64DecodeCommand, RejectsABadLengthWithOneMessageAndLogLine) {
  pane.setText("QUJ");
  EXPECT_FALSE(Base64Decode(program.ctx, pane, "QUJ"));
  EXPECT_EQ(pane.text(), "QUJ");
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, "Input string is not valid Base64.");
  EXPECT_EQ(desktop.messages[0].caption, "Kestrum Desktop Edition");
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(desktop.messages[0].buttons, MessageButtons::Ok);
  EXPECT_NE(log().find("Input string is not valid Base64.\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kestrum
