// The Source pane's menu on the real window: items, the link rule, word wrap, saving, the
// clipboard, clearing, the gutter and printing.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <filesystem>

#include "core/settings.h"
#include "core/text.h"
#include "ui/line_number_gutter.h"
#include "ui/report_list.h"
#include "ui/rich_text_pane.h"
#include "ui/rich_text_printer.h"
#include "ui/text_button.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

class SourceMenuTest : public WindowTest {
 protected:
  void openMenu() {
    window->SourceMenu(QPoint(10, 10));
    window->mnuSource->hide();
  }
  std::string numberedLines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += "line " + std::to_string(i) + " of the page\r\n";
    return text;
  }
};

TEST_F(SourceMenuTest, MenuHoldsEveryItemInOrder) {
  std::vector<std::string> shown;
  for (QAction* action : window->mnuSource->actions())
    shown.push_back(action->isSeparator() ? "-" : action->text().toStdString());
  const std::vector<std::string> expected = {"Find Word or Phrase",
                                             "-",
                                             "Dissect this link",
                                             "-",
                                             "Wordwrap",
                                             "-",
                                             "Save source to file",
                                             "Save source to file [With Links]",
                                             "Send to Recipient",
                                             "Send to Printer",
                                             "-",
                                             "Send to clipboard",
                                             "-",
                                             "Clear All ...."};
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(window->mnuSRCWrap->isCheckable());
  // This libcurl speaks SMTP, so mail stays on.
  openMenu();
  EXPECT_TRUE(window->mnuSRCMail->isEnabled());
}

TEST_F(SourceMenuTest, DissectIsOfferedOnlyForASelectionThatIsALink) {
  window->rtfSource->setText("at ftp:a.b or ftp:a.bc then http://ab.test/x go to http://x.test/a /f:/tmp/out now");
  struct Case {
    const char* selection;
    bool offered;
  };
  const std::vector<Case> cases = {
      {"ftp:a.b", false},  // 7 characters, though a link
      {"ftp:a.bc", true},  // 8 characters
      {"http://ab.test/x", true},
      {"go to http", false},                   // no "." and no address
      {"http://x.test/a /f:/tmp/out", false},  // a blank would split it into switches
  };
  for (const auto& c : cases) {
    const size_t at = window->rtfSource->text().find(c.selection);
    ASSERT_NE(at, std::string::npos) << c.selection;
    window->rtfSource->select(at, std::strlen(c.selection));
    openMenu();
    EXPECT_EQ(window->mnuSRCDissect->isVisible(), c.offered) << c.selection;
    EXPECT_EQ(window->mnuSRCSep->isVisible(), c.offered) << c.selection;
    if (c.offered) {
      EXPECT_EQ(window->txtTemp->text().toStdString(), c.selection);
    }
  }
}

TEST_F(SourceMenuTest, DissectStartsTheProgramItselfWithTheLinkAsItsOnlyArgument) {
  window->rtfSource->setText("see http://ab.test/x here");
  window->rtfSource->select(4, 16);
  openMenu();
  ASSERT_TRUE(window->mnuSRCDissect->isVisible());
  window->mnuSRCDissect->trigger();
  ASSERT_EQ(desktop.started.size(), 1u);
  EXPECT_EQ(desktop.started[0].program, QCoreApplication::applicationFilePath().toStdString());
  EXPECT_EQ(desktop.started[0].arguments, std::vector<std::string>{"http://ab.test/x"});
}

TEST_F(SourceMenuTest, WordwrapTogglesAndIsRestoredAtStart) {
  window->RestoreWordWrap();
  EXPECT_EQ(window->rtfSource->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_TRUE(window->mnuSRCWrap->isChecked());
  window->mnuSRCWrap->trigger();
  EXPECT_EQ(window->rtfSource->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_FALSE(window->mnuSRCWrap->isChecked());
  EXPECT_EQ(ReadSetting(ctx(), "Settings", "Wordwrap", ""), "0");

  ui::MainWindow restarted(ctx());
  restarted.RestoreWordWrap();
  EXPECT_EQ(restarted.rtfSource->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(ReadSetting(ctx(), "Settings", "Wordwrap", ""), "0");

  window->mnuSRCWrap->trigger();
  EXPECT_EQ(window->rtfSource->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(ReadSetting(ctx(), "Settings", "Wordwrap", ""), "1");
}

TEST_F(SourceMenuTest, SaveWritesCrLfAndAFinalBreak) {
  window->rtfSource->setText("<html>\n<body>\r\n</html>");
  desktop.scriptSaveFile(program.root.file("page.txt"));
  window->mnuSRCSave->trigger();
  EXPECT_EQ(program.root.read("page.txt"), "<html>\r\n<body>\r\n</html>\r\n");

  desktop.scriptSaveFile(std::nullopt);  // cancelled: nothing written, nothing said
  window->mnuSRCSave->trigger();
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(SourceMenuTest, SaveWithLinksUsesTheListOrExtractsIt) {
  const std::string stars(65, '*');
  const std::string header = stars + "\r\nLinks found in source code\r\n" + stars + "\r\n";
  window->setCaption("kept caption");
  struct Case {
    std::string source;
    std::vector<std::string> listed;
    std::string links_part;
  };
  const std::vector<Case> cases = {
      {"<a href=\"http://one.test/\">",
       {"http://listed.test/a", "http://listed.test/b"},
       "http://listed.test/a\r\nhttp://listed.test/b\r\n"},
      {"<a href=\"http://one.test/x\">\n<a href=\"http://two.test/\">",
       {},
       "http://one.test/x\r\nhttp://two.test/\r\n"},
      {"no links at all", {}, "No links found\r\n"},
  };
  for (const auto& c : cases) {
    window->rtfSource->setText(c.source);
    window->lvwLinks->clear();
    for (const auto& link : c.listed) window->lvwLinks->add(link);
    desktop.scriptSaveFile(program.root.file("with-links.txt"));
    window->mnuSRCSaveWithLinks->trigger();
    EXPECT_EQ(program.root.read("with-links.txt"), ToCrLf(c.source) + "\r\n" + header + c.links_part) << c.source;
    EXPECT_EQ(window->caption(), "kept caption");
  }
  EXPECT_TRUE(Contains(logText(), "Extracting Links ...."));
}

TEST_F(SourceMenuTest, AFileThatCannotBeWrittenIsReportedAndLeavesNothing) {
  window->rtfSource->setText("text");
  const std::string folder = program.root.file("out");
  std::filesystem::create_directories(folder + "/taken.txt");  // a folder where the file should go
  for (QAction* save : {window->mnuSRCSave, window->mnuSRCSaveWithLinks}) {
    for (const std::string& target : {folder + "/taken.txt", folder + "/missing/page.txt"}) {
      desktop.messages.clear();
      desktop.scriptSaveFile(target);
      save->trigger();
      ASSERT_EQ(desktop.messages.size(), 1u) << target;
      EXPECT_EQ(desktop.messages[0].text, "I was unable to write the file: " + target);
      EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
      // No half-written file is left, under the name or beside it.
      std::vector<std::string> left;
      for (const auto& entry : std::filesystem::directory_iterator(folder)) left.push_back(entry.path().filename());
      EXPECT_EQ(left, std::vector<std::string>{"taken.txt"});
      EXPECT_TRUE(std::filesystem::is_empty(folder + "/taken.txt"));
    }
  }
}

TEST_F(SourceMenuTest, ClipboardGetsCrLfAndClearAllEmptiesTheViews) {
  window->rtfSource->setText("first\nsecond\nthird");
  window->rtfSource->select(0, 13);  // "first", CR LF, "second"
  window->mnuSRCCopy->trigger();
  EXPECT_EQ(desktop.clipboardText(), "first\r\nsecond");

  window->setAddressText("http://example.test/");
  window->lvwLinks->add("http://example.test/a");
  window->lvwImages->add("http://example.test/b.png");
  window->rtfNetBlock->setText("owner");
  window->rtfHeaders->setText("HTTP/1.1 200 OK");
  window->mnuSRCClear->trigger();
  EXPECT_EQ(window->rtfSource->text(), "");
  EXPECT_EQ(window->addressText(), "http://");
  EXPECT_EQ(window->lvwLinks->count(), 0u);
  EXPECT_EQ(window->lvwImages->count(), 0u);
  EXPECT_EQ(window->rtfNetBlock->text(), "");
  EXPECT_EQ(window->rtfHeaders->text(), "");
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(SourceMenuTest, GutterNumbersTheVisibleLinesAfterScrollingAndFitsTheLargest) {
  window->show();
  const int narrow = window->picLines->width();
  window->rtfSource->setText(numberedLines(120000));
  SettleEvents();
  // Six digits fit: the gutter grew with the line count.
  const int digit = window->rtfSource->fontMetrics().horizontalAdvance(QLatin1Char('9'));
  EXPECT_GE(window->picLines->width(), 6 * digit + 13);
  EXPECT_GT(window->picLines->width(), narrow);
  EXPECT_EQ(window->rtfSource->geometry().left(), window->picLines->geometry().right());

  auto numbers = window->picLines->shownNumbers();
  ASSERT_FALSE(numbers.empty());
  EXPECT_EQ(numbers.front(), 1);
  EXPECT_LT(numbers.size(), 200u);  // only what is on screen

  window->rtfSource->verticalScrollBar()->setValue(99999);
  SettleEvents();
  numbers = window->picLines->shownNumbers();
  ASSERT_FALSE(numbers.empty());
  EXPECT_EQ(numbers.front(), 100000);
  for (size_t i = 1; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], numbers[i - 1] + 1);
}

TEST_F(SourceMenuTest, ProgramWritesAreNotUndoneButUserReplacementsAre) {
  window->rtfSource->setText("[SCRIPTS]\r\nbody");
  window->rtfSource->select(0, 9);
  window->rtfSource->replaceSelection("Scripts: 2");
  EXPECT_FALSE(window->rtfSource->document()->isUndoAvailable());
  window->rtfSource->setFocus();
  QTest::keyClick(window->rtfSource, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(window->rtfSource->text(), "Scripts: 2\r\nbody");

  {
    const ui::RichTextPane::UserEdit edit(*window->rtfSource);
    window->rtfSource->select(0, 7);
    window->rtfSource->replaceSelection("Frames");
  }
  EXPECT_TRUE(window->rtfSource->document()->isUndoAvailable());
}

// The text of each page of a PDF file, by poppler's pdftotext.
std::vector<std::string> PdfPages(const std::string& pdf) {
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"), {QString::fromStdString(pdf), QStringLiteral("-")});
  if (!pdftotext.waitForFinished(60000)) return {};
  auto pages = Split(pdftotext.readAllStandardOutput().toStdString(), "\f");
  if (!pages.empty() && TrimBlank(pages.back()).empty()) pages.pop_back();
  return pages;
}

// The numbers of the "line N" rows of a page, top to bottom.
std::vector<int> LineNumbersOn(const std::string& page) {
  std::vector<int> numbers;
  for (const auto& row : Split(ReplaceAll(page, "\r", ""), "\n"))
    if (StartsWith(row, "line ")) numbers.push_back(std::stoi(row.substr(5)));
  return numbers;
}

// Where each page's words sit, in points, from pdftotext's word boxes.
struct PageExtent {
  double left = 1e9, top = 1e9, right = 0, bottom = 0, width = 0, height = 0;
};
std::vector<PageExtent> PdfPageExtents(const std::string& pdf) {
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-bbox"), QString::fromStdString(pdf), QStringLiteral("-")});
  if (!pdftotext.waitForFinished(60000)) return {};
  const std::string html = pdftotext.readAllStandardOutput().toStdString();
  auto number_after = [&html](const char* name, size_t from) {
    const size_t at = html.find(name, from);
    return at == std::string::npos ? 0.0 : std::stod(html.substr(at + std::strlen(name)));
  };
  std::vector<PageExtent> pages;
  for (size_t at = html.find("<page "); at != std::string::npos;) {
    const size_t next = html.find("<page ", at + 1);
    PageExtent page{1e9, 1e9, 0, 0, number_after("width=\"", at), number_after("height=\"", at)};
    for (size_t word = html.find("<word ", at); word < next && word != std::string::npos;
         word = html.find("<word ", word + 1)) {
      page.left = std::min(page.left, number_after("xMin=\"", word));
      page.top = std::min(page.top, number_after("yMin=\"", word));
      page.right = std::max(page.right, number_after("xMax=\"", word));
      page.bottom = std::max(page.bottom, number_after("yMax=\"", word));
    }
    pages.push_back(page);
    at = next;
  }
  return pages;
}

TEST_F(SourceMenuTest, PrintingGoesPageByPageWithoutLosingOrRepeatingALine) {
  const std::string pdf = program.root.file("source.pdf");
  window->printer_for_job = [&pdf] { return ui::PdfPrinter(QString::fromStdString(pdf)); };
  window->rtfSource->setText(numberedLines(300));
  window->rtfSource->applyFormats({{0, 6, kRed, true}});
  window->mnuSRCPrint->trigger();
  EXPECT_TRUE(desktop.messages.empty());
  const auto pages = PdfPages(pdf);
  ASSERT_GE(pages.size(), 3u);
  std::vector<int> all;
  for (size_t p = 0; p < pages.size(); ++p) {
    const auto numbers = LineNumbersOn(pages[p]);
    ASSERT_FALSE(numbers.empty()) << "page " << p + 1;
    if (p > 0) {
      EXPECT_EQ(numbers.front(), all.back() + 1) << "page " << p + 1 << " starts elsewhere";
    }
    all.insert(all.end(), numbers.begin(), numbers.end());
  }
  ASSERT_EQ(all.size(), 300u);
  for (int i = 0; i < 300; ++i) EXPECT_EQ(all[static_cast<size_t>(i)], i + 1);
  // Every page inside the 100-twip (5 point) margins, its text starting at the top margin.
  const auto extents = PdfPageExtents(pdf);
  ASSERT_EQ(extents.size(), pages.size());
  for (const auto& page : extents) {
    EXPECT_NEAR(page.left, 5.0, 0.1);
    EXPECT_NEAR(page.top, 5.0, 0.1);
    EXPECT_LE(page.bottom, page.height - 5.0);
    EXPECT_LE(page.right, page.width - 5.0);
  }

  window->rtfSource->setText("");
  window->mnuSRCPrint->trigger();
  EXPECT_EQ(PdfPages(pdf).size(), 1u);  // a blank page: the job still runs
}

TEST_F(SourceMenuTest, WithoutAPrinterTheUserMayPrintToAPdfFile) {
  window->printer_for_job = [] { return std::unique_ptr<QPrinter>(); };
  window->rtfSource->setText(numberedLines(10));
  desktop.scriptAnswers({MessageAnswer::Yes});
  desktop.scriptSaveFile(program.root.file("chosen"));
  window->mnuSRCPrint->trigger();
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Question);
  EXPECT_TRUE(StartsWith(desktop.messages[0].text, "I couldn't find a printer to print to."));
  const auto pages = PdfPages(program.root.file("chosen.pdf"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(LineNumbersOn(pages[0]).size(), 10u);

  desktop.scriptAnswers({MessageAnswer::No});
  window->mnuSRCPrint->trigger();
  EXPECT_EQ(desktop.messages.size(), 2u);  // the question only
}

}  // namespace
}  // namespace kestrum::testing
