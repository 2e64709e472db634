#include "dissect/link_finder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/text.h"
#include "dissect/text_pieces.h"

namespace kestrum {
namespace {

std::vector<std::string> Candidates(std::string_view text) {
  std::vector<std::string> found;
  FindLinks(text, [&](std::string& candidate) { found.push_back(candidate); });
  return found;
}

using List = std::vector<std::string>;

TEST(FindLinks, RulesCutTheLinkOutOfEachWord) {
  struct Case {
    const char* text;
    List expected;
  } const cases[] = {
      // href with double quotes: attribute name and quotes removed, cut at the tag end.
      {R"x(<a href="/about.html">About</a>)x", {"/about.html"}},
      // href with an apostrophe inside a script.
      {R"x(<a onclick="location.href='page.htm'">)x", {"page.htm"}},
      // Unquoted href.
      {"<a href=next.htm>Next</a>", {"next.htm"}},
      // The rule tests are case-sensitive: an upper-case attribute name is no href.
      {R"x(<a HREF="x.htm">)x", {}},
      // url( in a style, quotes dropped.
      {R"x(<div style="background:url(img/bg.gif)">)x", {"img/bg.gif"}},
      {"<div style=background:url('img/b.png')>", {"img/b.png"}},
      // src and http rules both match: the same link twice.
      {R"x(<script src="http://host/a.js"></script>)x", {"http://host/a.js", "http://host/a.js"}},
      // A refresh target comes out lower-cased as a whole.
      {R"x(<meta content="0;URL=http://Host/X">)x", {"http://host/x"}},
      // res:// gives the link, then the res rule gives the attribute without the scheme.
      {R"x(<a href="res://lib/x">)x", {"res://lib/x", "href=lib/x"}},
      {"get ftp://files.example/f.zip now", {"ftp://files.example/f.zip"}},
      {R"x(<img src='pic.gif'>)x", {"pic.gif"}},
      // A tab does not split words; the candidate is cut at it.
      {"<a\thref=a.htm\tclass=x>", {"a.htm"}},
      // Empty quotes give an empty candidate.
      {R"x(<a href="">)x", {""}},
      // Only blanks split: text with no rule marker gives nothing.
      {"plain words, no links here", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Candidates(c.text), c.expected) << c.text;
}

TEST(FindLinks, WordIsCutAtItsFirstLineBreak) {
  // An anchor whose href starts on the next line without a blank in between is missed.
  EXPECT_EQ(Candidates("<a\r\nhref=\"missed.htm\">"), List{});
  EXPECT_EQ(Candidates("<a href=\"kept.htm\">\r\nhref=\"lost.htm\""), List{"kept.htm"});
  // A lone line feed neither splits nor cuts: the tag name stays in the candidate.
  EXPECT_EQ(Candidates("<a\nhref=\"lf.htm\">"), List{"<a\nlf.htm"});
}

TEST(FindLinks, ConsecutiveBlanksAndEdgesOfTheText) {
  EXPECT_EQ(Candidates(""), List{});
  EXPECT_EQ(Candidates("   "), List{});
  EXPECT_EQ(Candidates("http://a.example/"), List{"http://a.example/"});
  // An unquoted src gives the whole word.
  EXPECT_EQ(Candidates("  href=x.htm  src=y.js  "), (List{"x.htm", "src=y.js"}));
}

TEST(LinkCandidates, HoldEachCandidateAsPushedRepeatsIncluded) {
  const std::vector<std::string> pushed = {"", "a", "a", "a", "", "b", "ab", "ab", "", ""};
  LinkCandidates candidates;
  for (const auto& c : pushed) candidates.push_back(c);
  ASSERT_EQ(candidates.size(), pushed.size());
  for (size_t i = 0; i < pushed.size(); ++i) EXPECT_EQ(candidates[i], pushed[i]) << i;
}

// The word walk and the rule tests, taken literally: split at every blank, cut each word at its
// first CR LF, test each rule's text with a plain search.
std::vector<std::string> CandidatesWordByWord(std::string_view text) {
  std::vector<std::string> found;
  for (std::string word : Split(text, " ")) {
    word = std::string(Before(word, "\r\n"));
    FindLinksInWord(word, [&](std::string& candidate) { found.push_back(candidate); });
  }
  return found;
}

TEST(FindLinks, WalkAndRuleTestsAgreeWithSplittingAndSearching) {
  const std::vector<std::string> tests = {"href=", "res://", "ftp://", "url(", "src=", "http://", "https://"};
  const std::vector<std::string> pieces = {"href=", "hre", "f=", "src=", "sr", "c", "url(", "res", "ftp", "http", "https",
                                           "://", ":/", "/", ":", "=", "(", "\"", "'", ">", " ", "  ", "\r\n", "\r",
                                           "\n", "\t", "a.htm", "HREF=", "x", "\xc9"};
  std::mt19937 random(3);
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    for (size_t n = random() % 14; n > 0; --n) text += pieces[random() % pieces.size()];
    ASSERT_EQ(Candidates(text), CandidatesWordByWord(text)) << text;
    unsigned expected = 0;
    for (size_t k = 0; k < tests.size(); ++k)
      if (Contains(text, tests[k])) expected |= 1u << k;
    ASSERT_EQ(LinkRuleTests(text), expected) << text;
  }
}

// The seven rules as written, every cut made whether or not its byte is there.
namespace literal {

void CleanApostrophes(std::string& c) {
  if (!Contains(c, "'")) return;
  KeepSecondPiece(c, "'");
  KeepBefore(c, "'");
}
void CutAtTagEndAndTab(std::string& c) {
  KeepBefore(c, ">");
  KeepBefore(c, "\t");
}
void PickQuoted(std::string_view word, std::string& c) {
  c.assign(word);
  if (Contains(word, "=\"")) KeepSecondPiece(c, "\"");
}
std::string Href(std::string_view word) {
  std::string c(word);
  if (ContainsNoCase(word, "href=\"")) {
    RemoveEvery(c, "href=");
    RemoveEvery(c, "\"");
  } else if (ContainsNoCase(word, "href='")) {
    KeepSecondPiece(c, "href='");
    KeepBefore(c, "'");
  } else {
    KeepSecondPiece(c, "href=");
    KeepBefore(c, ">");
  }
  CleanApostrophes(c);
  CutAtTagEndAndTab(c);
  return c;
}
std::string Res(std::string_view word) {
  std::string c(word);
  RemoveEvery(c, "res://");
  RemoveEvery(c, "\"");
  CutAtTagEndAndTab(c);
  return c;
}
std::string QuotedValue(std::string_view word) {
  std::string c;
  PickQuoted(word, c);
  if (c.empty()) c.assign(word);
  CleanApostrophes(c);
  CutAtTagEndAndTab(c);
  return c;
}
std::string Url(std::string_view word) {
  std::string c(word);
  if (!Contains(word, "'")) {
    KeepSecondPiece(c, "url(");
    KeepBefore(c, ")");
    RemoveEvery(c, "\"");
  } else {
    KeepSecondPiece(c, "'");
    KeepBefore(c, "'");
  }
  CutAtTagEndAndTab(c);
  KeepSecondPiece(c, "(");
  KeepSecondPiece(c, ")");
  return c;
}
std::string Address(std::string_view word) {
  std::string c;
  PickQuoted(word, c);
  if (ContainsNoCase(c, ";url=")) {
    for (char& ch : c) ch = AnsiLower(ch);
    KeepSecondPiece(c, ";url=");
    KeepBefore(c, "'");
  }
  KeepSecondPiece(c, "\"");
  if (c.empty()) c.assign(word);
  CleanApostrophes(c);
  KeepSecondPiece(c, "href=");
  RemoveEvery(c, "\"");
  CutAtTagEndAndTab(c);
  return c;
}

std::vector<std::string> Candidates(std::string_view word) {
  using Rule = std::string (*)(std::string_view);
  const std::pair<const char*, Rule> rules[] = {{"href=", Href},        {"res://", Res},      {"ftp://", QuotedValue},
                                                {"url(", Url},          {"src=", QuotedValue}, {"http://", Address},
                                                {"https://", Address}};
  std::vector<std::string> found;
  for (const auto& [test, rule] : rules)
    if (Contains(word, test)) found.push_back(rule(word));
  return found;
}

}  // namespace literal

TEST(FindLinks, RulesCutAsWrittenWhateverBytesTheWordHolds) {
  const std::vector<std::string> pieces = {"href=", "HREF=", "src=", "url(", "URL(", "res://", "ftp://", "http://",
                                           "https://", "\"", "'", ">", "\t", ";", ";url=", ";URL=", "=", "(", ")",
                                           "=\"", "a.htm", "X", "\xc9", "://"};
  std::mt19937 random(11);
  for (int round = 0; round < 20000; ++round) {
    std::string word;
    for (size_t n = 1 + random() % 10; n > 0; --n) word += pieces[random() % pieces.size()];
    std::vector<std::string> found;
    FindLinksInWord(word, [&](std::string& candidate) { found.push_back(candidate); });
    ASSERT_EQ(found, literal::Candidates(word)) << word;
  }
}

}  // namespace
}  // namespace kestrum
