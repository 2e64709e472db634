#include "dissect/link_extractor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/memory_views.h"
#include "dissect/highlight.h"
#include "dissect/link_finder.h"
#include "dissect/listed_items.h"
#include "scan_test_support.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

using testing::LoggedMessages;
using testing::TestProgram;
using List = std::vector<std::string>;

// Links that repeat in other letter case, nest inside each other and overlap, with junk.
std::string TrickyPage() {
  std::string page =
      "<html>\r\n<a href=\"/A.htm\">A</a> <a href=\"/a.htm\">a</a> <a href=\"aa\">aaaa aaa</a>\r\n"
      "<script src=\"http://h.example/s.js\"></script> <a href=\"+x\">j</a> <a href=\"\">e</a> <a href=\"\">e</a>\r\n"
      "<a href=a>a</a> <a href='HTTP://H.EXAMPLE/S.JS'>x</a> <img src=\"s.js\"> ";
  // Letters of the code page in both cases, and bytes 32 apart that are no pair.
  page +=
      "<a href=\"http://H\xC9T\xC9.example/a.exe\">x</a> <a href=\"http://h\xE9t\xE9.example/a.exe\">y</a>\r\n"
      "<a href=\"\x8A\x8C\x8E\x9F\xDE.htm\">z</a> <a href=\"\x9A\x9C\x9E\xFF\xFE.htm\">z</a> "
      "<a href=\"\xD7.htm\">t</a> <a href=\"\xF7.htm\">t</a> <a href=\"\xDF.htm\">s</a> <a href=\"\xFF.htm\">s</a> "
      "<a href=\"\xBF.htm\">q</a> \x9A\x9C\x9E\x9F\xDE.HTM ";
  // A link longer than most, twice in other letter case.
  const std::string tail(140, 'x');
  page += "<a href=\"http://long.example/" + tail + "\">l</a> HTTP://LONG.EXAMPLE/" + tail + " ";
  // Two rules give a word's link twice in a row, here a duplicate of a link listed further back.
  page +=
      "<a href=\"http://again.example/r\">1</a> <a href=\"/between.htm\">2</a> "
      "<a href=\"http://AGAIN.example/r\">3</a> ";
  for (int i = 0; i < 40; ++i)
    page += "<a href=\"/p" + std::to_string(i % 7) + ".htm\">P" + std::to_string(i % 5) + ".HTM</a> ";
  return page;
}

TEST(ExtractLinks, ListsEachLinkOnceInOrderAndLogsDuplicates) {
  TestProgram program;
  MemoryItemList links;
  links.add("left over from the last page");
  const std::string page =
      "<a href=\"/A.htm\">A</a> <a href=\"/a.htm\">again</a> <script src=\"http://h.example/s.js\"></script> "
      "<a href=\"+x\">joined</a> <a href=\"\">empty</a> <a href=\"\">empty</a>";
  ExtractLinks(program.ctx, links, page);

  // The first spelling stays; "+" pieces and the empty link go before the count.
  EXPECT_EQ(links.items(), (List{"/A.htm", "http://h.example/s.js"}));
  EXPECT_TRUE(links.visible());
  EXPECT_TRUE(links.headerVisible());

  const List log = LoggedMessages(program.ctx);
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0], "Scanning source .... please wait (this may take a few minutes)");
  EXPECT_EQ(log[1], "[ /A.htm ] was a match to [ /a.htm ]");
  EXPECT_EQ(log[2], "[ http://h.example/s.js ] was a match to [ http://h.example/s.js ]");
  EXPECT_EQ(log[3], "[  ] was a match to [  ]");
  EXPECT_EQ(log[4], "Links found: 2");
  EXPECT_TRUE(log[5].starts_with("Scan completed in: ") && log[5].ends_with("  seconds")) << log[5];
  EXPECT_EQ(log[5].find(',', 19), std::string::npos);  // "0.00": two decimals, no grouping
}

TEST(ExtractLinks, CodePageLettersAreOneLetterInTwoCases) {
  struct Case {
    std::string first, second;
    bool same;
  } const cases[] = {
      {"http://H\xC9T\xC9.example/a.htm", "http://h\xE9t\xE9.example/a.htm", true},
      {"\x8A\x8C\x8E\x9F.htm", "\x9A\x9C\x9E\xFF.htm", true},  // the four pairs outside the block
      {"\xC0\xD6\xD8\xDE.htm", "\xE0\xF6\xF8\xFE.htm", true},
      {"\xD7.htm", "\xF7.htm", false},  // multiplication and division signs
      {"\xDF.htm", "\xFF.htm", false},  // sharp s has no capital
      {"\xDF.htm", "\xBF.htm", false},
      {"\xB5.htm", "\x95.htm", false},
  };
  for (const auto& c : cases) {
    TestProgram program;
    MemoryItemList links;
    ExtractLinks(program.ctx, links, "<a href=\"" + c.first + "\">1</a> <a href=\"" + c.second + "\">2</a>");
    EXPECT_EQ(links.items(), c.same ? List({c.first}) : List({c.first, c.second})) << c.second;
    const List log = LoggedMessages(program.ctx);
    const std::string match = "[ " + c.first + " ] was a match to [ " + c.second + " ]";
    EXPECT_EQ(std::count(log.begin(), log.end(), match) > 0, c.same) << c.second;
  }
}

TEST(ExtractLinks, EmptyTextGivesEmptyListAndClosingLines) {
  TestProgram program;
  MemoryItemList links;
  links.add("old");
  ExtractLinks(program.ctx, links, "");
  EXPECT_EQ(links.count(), 0u);
  const List log = LoggedMessages(program.ctx);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1], "Links found: 0");
}

TEST(ExtractLinks, SameListAndLogAsWalkingTheListForEveryCandidate) {
  const std::string page = TrickyPage();
  TestProgram fast, walked;
  MemoryItemList fast_links, walked_links;
  ExtractLinks(fast.ctx, fast_links, page);

  FindLinks(page, [&](std::string& candidate) {
    if (!IsAlreadyListed(walked.ctx, walked_links, candidate)) walked_links.add(candidate);
  });
  RemoveJunkLinks(walked_links);

  EXPECT_EQ(fast_links.items(), walked_links.items());
  List fast_log = LoggedMessages(fast.ctx);
  // Without the opening line and the two closing lines, the duplicate lines are the same.
  ASSERT_GT(fast_log.size(), 30u);
  EXPECT_EQ(List(fast_log.begin() + 1, fast_log.end() - 2), LoggedMessages(walked.ctx));

  // A second run refills the list the same way.
  ExtractLinks(fast.ctx, fast_links, page);
  EXPECT_EQ(fast_links.items(), walked_links.items());

  // So does a run from the candidates found beforehand, with the same log.
  TestProgram from_found;
  MemoryItemList found_links;
  ExtractLinks(from_found.ctx, found_links, FindAllLinks(page));
  EXPECT_EQ(found_links.items(), walked_links.items());
  const List found_log = LoggedMessages(from_found.ctx);
  EXPECT_EQ(List(found_log.begin(), found_log.end() - 1), List(fast_log.begin(), fast_log.end() - 1));
}

TEST(RemoveJunkLinks, DropsPlusPiecesAndEmptyItemsKeepingOrder) {
  MemoryItemList list;
  list.addMany({"+a", "x", "", "+", "y+", " +z"});
  RemoveJunkLinks(list);
  EXPECT_EQ(list.items(), (List{"x", "y+", " +z"}));
  MemoryItemList empty;
  RemoveJunkLinks(empty);
  EXPECT_EQ(empty.count(), 0u);
}

TEST(IsAlreadyListed, ComparesWithoutCaseAndDoubleBlanksAndChangesTheCandidate) {
  TestProgram program;
  MemoryItemList list;
  list.addMany({"A  B.htm", "other", "a b.htm", "ab.htm"});
  std::string candidate = "a    b.HTM";
  EXPECT_TRUE(IsAlreadyListed(program.ctx, list, candidate));
  EXPECT_EQ(candidate, "ab.HTM");
  // Every matching item writes its line.
  EXPECT_EQ(LoggedMessages(program.ctx),
            (List{"[ AB.htm ] was a match to [ ab.HTM ]", "[ ab.htm ] was a match to [ ab.HTM ]"}));
  std::string fresh = "new.htm";
  EXPECT_FALSE(IsAlreadyListed(program.ctx, list, fresh));
}

TEST(HighlightLinks, EveryOccurrenceOfEveryLinkBecomesBoldBlue) {
  TestProgram program;
  MemoryTextPane pane;
  const std::string text = "/Next.htm is here: <a href=\"/next.htm\">go</a> and /NEXT.HTM again";
  pane.setText(text);
  pane.select(3, 2);
  HighlightLinks(program.ctx, pane, text);

  const size_t link = std::string("/next.htm").size();
  const std::vector<TextFormatRun> expected = {
      {0, link, kBlue, true}, {text.find("/next.htm"), link, kBlue, true}, {text.find("/NEXT"), link, kBlue, true}};
  EXPECT_EQ(pane.formats(), expected);
  EXPECT_EQ(pane.selectionStart(), 3u);
  EXPECT_EQ(pane.selectionLength(), 2u);
  EXPECT_EQ(LoggedMessages(program.ctx), List{"Scanning source .... please wait (this may take a few minutes)"});
}

TEST(HighlightLinks, SameMarksAsHighlightingEachCandidateInTurn) {
  const std::string page = TrickyPage();
  TestProgram program;
  MemoryTextPane batched, one_by_one;
  batched.setText(page);
  one_by_one.setText(page);
  HighlightLinks(program.ctx, batched, page);
  FindLinks(page, [&](std::string& candidate) { HighlightText(one_by_one, candidate, kBlue); });
  EXPECT_FALSE(batched.formats().empty());
  EXPECT_EQ(batched.formats(), one_by_one.formats());

  MemoryTextPane from_found;
  from_found.setText(page);
  HighlightLinks(program.ctx, from_found, FindAllLinks(page));
  EXPECT_EQ(from_found.formats(), one_by_one.formats());
}

}  // namespace
}  // namespace kestrum
