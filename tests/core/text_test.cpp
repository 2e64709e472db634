#include "core/text.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

using namespace std::literals;

TEST(Text, EveryAnsiByteSurvivesARoundTripThroughUtf8) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
  EXPECT_EQ(AnsiToUtf8("\x80\x81\xe9"), "\xe2\x82\xac\xc2\x81\xc3\xa9");
}

TEST(Text, Utf8ThatIsNotACharacterBecomesAQuestionMark) {
  struct Case {
    std::string_view utf8;
    std::string_view ansi;
  } const cases[] = {
      {"caf\xc3\xa9 \xe2\x82\xac", "caf\xe9 \x80"},
      {"\xe4\xb8\xad", "?"},         // no room in the code page
      {"\xf0\x9f\x98\x80!", "?!"},   // four bytes, one character
      {"\xe0\x80\xaf", "???"},       // "/" spelled in three bytes
      {"\xc0\xaf", "??"},            // "/" spelled in two bytes
      {"\xed\xa0\x80", "???"},       // a lone surrogate
      {"\xf4\x90\x80\x80", "????"},  // past U+10FFFF
      {"\xe2\x82", "??"},            // cut short
      {"\xff\xfe", "??"},
      {"a\0b"sv, "a\0b"sv},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi) << c.utf8;
}

TEST(Text, SearchesAndLineBreaks) {
  EXPECT_EQ(FindNoCase("An IFRAME here", "iframe"), 3u);
  EXPECT_EQ(FindNoCase("abc", "C", 3), std::string_view::npos);
  EXPECT_EQ(FindNoCase("abc", "", 3), 3u);
  EXPECT_EQ(FindNoCase("abc", "", 4), std::string_view::npos);
  EXPECT_EQ(ToCrLf("a\nb\r\nc\rd\r\r\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
  EXPECT_EQ(Split("a||b||", "||"), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(After("a=b=c", "="), "b=c");
  EXPECT_EQ(Before("abc", "="), "abc");
}

TEST(Text, IsNumericAcceptsDecimalNumbersOnly) {
  for (const char* yes : {"10", " 7 ", "-3", "+3", "2.5", ".5", "5."}) EXPECT_TRUE(IsNumeric(yes)) << yes;
  for (const char* no : {"", " ", "-", ".", "1e3", "1.2.3", "ten", "0x10", "1,000"}) EXPECT_FALSE(IsNumeric(no)) << no;
}

}  // namespace
}  // namespace kestrum
