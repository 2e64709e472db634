#include "dissect/content_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/identity.h"
#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "dissect/link_extractor.h"
#include "dissect/scan_notes.h"
#include "scan_test_support.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

using testing::LoggedMessages;
using testing::TestProgram;
using List = std::vector<std::string>;

// Records, with each note, the look of the pane while the note is open.
class NoteWatcher : public ScriptedDesktop {
 public:
  explicit NoteWatcher(const MemoryTextPane& pane) : pane_(pane) {}
  std::vector<std::vector<TextFormatRun>> looks;

 protected:
  void onMessage(const ShownMessage&) override { looks.push_back(pane_.formats()); }

 private:
  const MemoryTextPane& pane_;
};

struct Scan {
  TestProgram program;
  MemoryTextPane source;
  MemoryItemList links;
  NoteWatcher desktop{source};
  ContentScanResult result;

  explicit Scan(const std::string& page, bool highlight_links_first = false) {
    program.ctx.desktop = &desktop;
    source.setText(page);
    if (highlight_links_first) HighlightLinks(program.ctx, source, page);
    result = RunContentScan(program.ctx, source, links, page);
  }
  List noteTexts() const {
    List texts;
    for (const auto& m : desktop.messages) texts.push_back(m.text);
    return texts;
  }
};

TEST(CountScriptsAndIFrames, CountsClosingDelimiters) {
  struct Case {
    int mode;
    const char* text;
    bool match_case;
    int count;
  } const cases[] = {
      // An inline script counts twice (both tags end in "script>"), an external one once.
      {2, "<script>x()</script>", false, 2},
      {2, "<script src=\"a.js\"></script>", false, 1},
      {2, "<SCRIPT>x()</Script>", false, 2},
      {2, "<SCRIPT>x()</Script>", true, 0},
      // A frame with attributes is counted by its closing tag alone.
      {1, "<iframe src=\"x\" width=1></iframe>", false, 1},
      {1, "<iframe src=\"x\">", false, 0},
      {1, "iframe>iframe>IFRAME>", false, 3},
      {3, "<script></script>", false, 0},
      {1, "", false, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CountScriptsAndIFrames(c.mode, c.text, c.match_case), c.count) << c.text;
}

TEST(RunContentScan, CleanPageGivesNoNoteAndOneLogLineOfItsOwn) {
  Scan scan("<html><body><p>Hello</p></body></html>");
  EXPECT_EQ(scan.result.iframes, 0);
  EXPECT_EQ(scan.result.scripts, 0);
  EXPECT_EQ(scan.result.executables, 0);
  EXPECT_TRUE(scan.desktop.messages.empty());
  EXPECT_TRUE(scan.source.formats().empty());
  const List log = LoggedMessages(scan.program.ctx);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0], "Scanning for potential executables ...");
  EXPECT_EQ(log[2], "Links found: 0");
}

TEST(RunContentScan, InlineFramesAreCountedMarkedAndExplained) {
  // The first, hidden frame is marked as well as the last.
  const std::string page = "<iframe src=\"http://a.example/\" width=1 height=1></iframe>\r\n<IFRAME src=x>";
  Scan scan(page);
  EXPECT_EQ(scan.result.iframes, 1);
  const size_t last = page.find("<IFRAME");
  EXPECT_EQ(scan.source.formats(), (std::vector<TextFormatRun>{{0, 7, kRed, true}, {last, 7, kRed, true}}));
  EXPECT_EQ(scan.source.selectionStart(), last);
  EXPECT_EQ(scan.source.selectionLength(), 7u);
  ASSERT_EQ(scan.desktop.messages.size(), 1u);
  const ShownMessage& note = scan.desktop.messages[0];
  EXPECT_EQ(note.text,
            "Note: Use of iFrames were found in this page.\r\n\r\n"
            "Use of iFrames usually indicates the page will load content from a third party\r\n"
            "and these tend to be malicious (though not always).\r\n\r\n"
            "In order to allow you to see where you will be taken to, this tag has been highlighted in bold red.");
  EXPECT_EQ(note.caption, kProgramTitle);
  EXPECT_EQ(note.icon, MessageIcon::Information);
  EXPECT_EQ(note.buttons, MessageButtons::Ok);
  // The mark is there while the note is open.
  EXPECT_EQ(scan.desktop.looks[0], scan.source.formats());

  // An opening tag without any closing one: the note, but a count of 0.
  Scan unclosed("<iframe src=x>");
  EXPECT_EQ(unclosed.result.iframes, 0);
  EXPECT_EQ(unclosed.desktop.messages.size(), 1u);
}

TEST(RunContentScan, ScriptsAreCountedWithoutMarkOrNote) {
  Scan scan("<script>a()</script><SCRIPT src=\"b.js\"></SCRIPT>");
  EXPECT_EQ(scan.result.scripts, 3);
  EXPECT_TRUE(scan.desktop.messages.empty());
  // "script " alone starts the count, which finds no "script>".
  EXPECT_EQ(Scan("a script here").result.scripts, 0);
}

TEST(RunContentScan, EveryRefreshTagIsMarkedThePreferredLastOneSelected) {
  struct Case {
    std::string page;
    std::vector<std::string> marked;  // in text order
    std::string selected;             // last occurrence of the preferred form
  } const cases[] = {
      {"<meta http-equiv=\"refresh\"> <meta http-equiv='refresh'> <meta HTTP-EQUIV='Refresh'>",
       {"http-equiv=\"refresh\"", "http-equiv='refresh'", "HTTP-EQUIV='Refresh'"},
       "HTTP-EQUIV='Refresh'"},
      {"<meta http-equiv=\"refresh\"> document.write('<meta http-equiv=\\\"refresh\\\">')",
       {"http-equiv=\"refresh\"", "http-equiv=\\\"refresh\\\""},
       "http-equiv=\\\"refresh\\\""},
      {"<meta http-equiv=\"refresh\" content=\"0;url=x\"> <META HTTP-EQUIV=\"REFRESH\">",
       {"http-equiv=\"refresh\"", "HTTP-EQUIV=\"REFRESH\""},
       "HTTP-EQUIV=\"REFRESH\""},
  };
  for (const auto& c : cases) {
    Scan scan(c.page);
    std::vector<TextFormatRun> expected;
    size_t from = 0;
    for (const std::string& marker : c.marked) {
      from = c.page.find(marker, from);
      expected.push_back({from, marker.size(), kRed, true});
      from += marker.size();
    }
    EXPECT_EQ(scan.source.formats(), expected) << c.page;
    EXPECT_EQ(scan.source.selectionStart(), c.page.rfind(c.selected)) << c.page;
    EXPECT_EQ(scan.source.selectionLength(), c.selected.size()) << c.page;
    ASSERT_EQ(scan.noteTexts().size(), 1u) << c.page;
    EXPECT_EQ(scan.noteTexts()[0], MetaRefreshNote());
    EXPECT_TRUE(
        scan.noteTexts()[0].starts_with("Note: Use of the \"Meta refresh\" tag was found in this page.\r\n\r\n"));
  }
}

TEST(RunContentScan, RedirectsAreAllMarkedTheLastSelectedOneNoteEach) {
  const std::string page = "<script>window.location='a';\r\nif(x) WINDOW.LOCATION.href='b';</script>";
  Scan scan(page);
  const size_t first = page.find("window.location");
  const size_t last = page.find("WINDOW.LOCATION");
  // "WINDOW.LOCATION.href" holds location.href too: one mark over both.
  EXPECT_EQ(scan.source.formats(), (std::vector<TextFormatRun>{{first, 15, kRed, true}, {last, 20, kRed, true}}));
  EXPECT_EQ(scan.source.selectionStart(), last);
  EXPECT_EQ(scan.source.selectionLength(), 15u);
  // Markers in their fixed order, one note each.
  const List notes = scan.noteTexts();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_TRUE(notes[0].starts_with("Note: Use of the \"location.href\" scripting method was found in this page."));
  EXPECT_TRUE(notes[1].starts_with("Note: Use of the \"window.location\" scripting method was found in this page."));
  EXPECT_EQ(notes[1], ScriptRedirectNote("window.location"));
  EXPECT_TRUE(notes[1].ends_with(
      "\r\n\r\nUse of this method usually indicates the page will direct you to a different web page\r\n"
      "and/or different web server, either automatically, or via manual intervention.\r\n\r\n"
      "In order to allow you to see where you will be taken to, this tag has been highlighted in bold red."));
  // While the window.location note is open, both of its occurrences are already marked.
  EXPECT_EQ(scan.desktop.looks[1], scan.source.formats());
}

TEST(RunContentScan, ExecutableLinksAreCountedAndTheirLastOccurrenceColoured) {
  const std::string page =
      "<a href=\"/files/SETUP.EXE\">get</a> <a href=\"/tool.scr\">a</a> <a href=\"/x.exe?id=1\">q</a>\r\n"
      "<a href=\"page.html\">p</a> <a href=\"/tool.scr\">again</a> <a href=\"a\"b.exe\">gone</a> /Tool.scr";
  Scan scan(page, /*highlight_links_first=*/true);
  // SETUP.EXE (extension tested lower-cased), tool.scr (listed once) and ab.exe (not in the text).
  EXPECT_EQ(scan.result.executables, 3);
  EXPECT_EQ(scan.links.items(), (List{"/files/SETUP.EXE", "/tool.scr", "/x.exe?id=1", "page.html", "ab.exe"}));

  const size_t setup = page.find("/files/SETUP.EXE");
  const size_t first_tool = page.find("/tool.scr");
  const size_t last_tool = page.rfind("/tool.scr");
  // Red replaces the blue of the link marks and keeps them bold; the first /tool.scr stays blue.
  EXPECT_EQ(scan.source.colorAt(setup), kRed);
  EXPECT_TRUE(scan.source.boldAt(setup));
  EXPECT_EQ(scan.source.colorAt(last_tool), kRed);
  EXPECT_TRUE(scan.source.boldAt(last_tool + 8));
  EXPECT_EQ(scan.source.colorAt(first_tool), kBlue);
  // The last spelled differently is no occurrence of the link as listed.
  EXPECT_EQ(scan.source.colorAt(page.rfind("/Tool.scr")), kBlue);
  EXPECT_EQ(scan.source.selectionStart(), last_tool);
  EXPECT_EQ(scan.source.selectionLength(), 9u);

  ASSERT_EQ(scan.desktop.messages.size(), 1u);
  EXPECT_EQ(scan.desktop.messages[0].caption, "Potentially executable files found");
  EXPECT_EQ(scan.desktop.messages[0].text,
            "WARNING: 3 potentially executable files were found in this site's source code.\r\n\r\n"
            "All links detected, have been highlighted for your perusal.");
  const List log = LoggedMessages(scan.program.ctx);
  EXPECT_EQ(log.back(), "3 potentially executable files were found ...");
}

TEST(RunContentScan, AnExecutableSpelledInTwoLetterCasesCountsOnce) {
  const std::string first = "http://H\xC9T\xC9.example/a.exe";
  const std::string page = "<a href=\"" + first + "\">x</a> <a href=\"http://h\xE9t\xE9.example/a.exe\">y</a>";
  Scan scan(page);
  EXPECT_EQ(scan.result.executables, 1);
  EXPECT_EQ(scan.source.formats(), (std::vector<TextFormatRun>{{page.find(first), first.size(), kRed, false}}));
}

TEST(ScanForExecutables, CandidatesFoundInAnotherTextAreSearchedAgain) {
  const std::string shown = "<a href=\"a.exe\">x</a>";
  const std::string other = "<a href=\"b.exe\">y</a> <a href=\"c.bat\">z</a>";
  for (const std::string* found_in : {&shown, &other}) {
    TestProgram program;
    MemoryTextPane pane;
    MemoryItemList links;
    pane.setText(shown);
    const FoundLinks found(*found_in);
    EXPECT_EQ(ScanForExecutables(program.ctx, links, pane, &found, *found_in), 1);
    EXPECT_EQ(links.items(), List{"a.exe"});
  }
}

TEST(RunContentScan, ExecutableColourIsNotBoldWhereTheTextWasPlain) {
  Scan scan("<a href=\"x.dll\">x</a>");
  const size_t at = std::string("<a href=\"").size();
  EXPECT_EQ(scan.source.formats(), (std::vector<TextFormatRun>{{at, 5, kRed, false}}));
}

}  // namespace
}  // namespace kestrum
