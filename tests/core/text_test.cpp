#include "core/text.h"

#include <gtest/gtest.h>

#include <random>

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

TEST(Text, WindowsLetterCaseFoldsEveryPairAndNothingElse) {
  std::vector<std::pair<int, int>> pairs;
  for (int b = 'A'; b <= 'Z'; ++b) pairs.emplace_back(b, b + 32);
  for (int b = 0xC0; b <= 0xDE; ++b)
    if (b != 0xD7) pairs.emplace_back(b, b + 32);
  pairs.insert(pairs.end(), {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}});
  std::vector<int> lower(256), upper(256);
  for (int b = 0; b < 256; ++b) lower[b] = upper[b] = b;
  for (const auto& [capital, small] : pairs) {
    lower[capital] = small;
    upper[small] = capital;
  }
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    EXPECT_EQ(static_cast<unsigned char>(AnsiLower(c)), lower[b]) << b;
    EXPECT_EQ(static_cast<unsigned char>(AnsiUpper(c)), upper[b]) << b;
  }
  EXPECT_EQ(ToLowerAnsi("H\xC9T\xC9 \x8A\x8C\x8E\x9F \xD7\xDF"), "h\xE9t\xE9 \x9A\x9C\x9E\xFF \xD7\xDF");
  EXPECT_EQ(ToUpperAnsi("\xFF\xDF\xF7"), "\x9F\xDF\xF7");
  EXPECT_TRUE(EqualsNoCase("\xC9t\xE9", "\xE9T\xC9"));
  EXPECT_FALSE(EqualsNoCase("\xD7", "\xF7"));
  EXPECT_FALSE(EqualsNoCase("\xDF", "\xFF"));
  EXPECT_EQ(FindNoCase("x\xDF\x9F\xFFy",
                       "\xFF"
                       "Y"),
            3u);
  EXPECT_EQ(FindNoCase("\x9F", "\xDF"), std::string_view::npos);
}

TEST(Text, IsNumericAcceptsDecimalNumbersOnly) {
  for (const char* yes : {"10", " 7 ", "-3", "+3", "2.5", ".5", "5."}) EXPECT_TRUE(IsNumeric(yes)) << yes;
  for (const char* no : {"", " ", "-", ".", "1e3", "1.2.3", "ten", "0x10", "1,000"}) EXPECT_FALSE(IsNumeric(no)) << no;
}

}  // namespace
}  // namespace kestrum

namespace kestrum {
namespace {

TEST(FindNoCase, FindsWhatComparingAtEveryPositionFinds) {
  std::mt19937 random(23);
  const std::string alphabet = "aAbB.\xc9\xe9\x9f\xff\xdf ";
  auto naive = [](std::string_view haystack, std::string_view needle, size_t from) {
    for (size_t at = from; at + needle.size() <= haystack.size(); ++at)
      if (EqualsNoCase(haystack.substr(at, needle.size()), needle)) return at;
    return std::string_view::npos;
  };
  for (int round = 0; round < 5000; ++round) {
    std::string haystack, needle;
    for (size_t n = random() % 30; n > 0; --n) haystack += alphabet[random() % alphabet.size()];
    for (size_t n = 1 + random() % 4; n > 0; --n) needle += alphabet[random() % alphabet.size()];
    const size_t from = random() % (haystack.size() + 2);
    ASSERT_EQ(FindNoCase(haystack, needle, from), naive(haystack, needle, from)) << haystack << " / " << needle;
  }
}

}  // namespace
}  // namespace kestrum
