#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <filesystem>
#include <fstream>

#include "core/identity.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"
#include "ui/line_number_gutter.h"
#include "ui/report_list.h"
#include "ui/rich_text_pane.h"
#include "ui/text_button.h"
#include "ui/tools_text_pane.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

using ui::MainWindow;

std::vector<QWidget*> Panes(MainWindow& w) {
  return {w.rtfSource, w.lvwImages, w.lvwLinks, w.rtfLog, w.rtfNetBlock, w.rtfB64, w.rtfHeaders};
}

std::string Caption(const char* mode_name, const char* method = "Method: URLDownloadToFile") {
  return std::string(kProgramTitle) + " [Mode: " + mode_name + " / " + method + " ]";
}

TEST_F(WindowTest, EveryViewButtonShowsExactlyItsPaneWithCaptionAndLogLine) {
  window->setAddressText("http://example.test/");
  window->lvwLinks->add("http://example.test/a");
  window->lvwImages->add("http://example.test/b.png");
  window->rtfHeaders->setText("HTTP/1.1 200 OK");
  window->rtfNetBlock->setText("Example Owner");
  struct Case {
    QWidget* button;
    int mode;
    const char* name;
  };
  const std::vector<Case> cases = {{window->lblImages, 2, "Images"}, {window->lblLinks, 3, "Links"},
                                   {window->lblLog, 4, "Log"},       {window->lblNBlock, 5, "Net-Block"},
                                   {window->lblTools, 6, "Tools"},   {window->lblHeaders, 7, "Headers"},
                                   {window->lblRAW, 1, "Source"}};
  for (const auto& c : cases) {
    click(c.button);
    EXPECT_EQ(window->caption(), Caption(c.name)) << c.name;
    EXPECT_EQ(ctx().view_mode, c.mode);
    EXPECT_TRUE(Contains(logText(), "Mode changed to " + std::to_string(c.mode))) << c.name;
    const auto panes = Panes(*window);
    for (size_t i = 0; i < panes.size(); ++i)
      EXPECT_EQ(!panes[i]->isHidden(), static_cast<int>(i) + 1 == c.mode) << c.name << " pane " << i + 1;
    const bool tools = c.mode == 6;
    EXPECT_EQ(!window->lblBase64->isHidden(), tools) << c.name;
    EXPECT_EQ(!window->lblClsTools->isHidden(), tools) << c.name;
    EXPECT_EQ(!window->lblSend->isHidden(), !tools) << c.name;
    EXPECT_EQ(window->txtAddr->isEnabled(), !tools) << c.name;
    EXPECT_EQ(!window->picLines->isHidden(), c.mode == 1) << c.name;
  }
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(WindowTest, ActiveViewButtonIsStyledAndTheLogViewLeavesStylingAlone) {
  click(window->lblLinks);
  EXPECT_TRUE(window->lblLinks->isActive());
  EXPECT_FALSE(window->lblRAW->isActive());
  click(window->lblLog);
  EXPECT_TRUE(window->lblLinks->isActive());  // mode 4 takes no part in the styling
  EXPECT_FALSE(window->lblLog->isActive());

  window->HighlightButton(ui::kHoverImages);
  EXPECT_TRUE(window->lblImages->isHovered());
  window->HighlightButton(ui::kHoverLinks);
  EXPECT_FALSE(window->lblImages->isHovered());
  EXPECT_EQ(window->lblLinks->palette().color(QPalette::Active, QPalette::Window), QColor(Qt::black));
  window->HighlightButton(ui::kHoverNone);
  EXPECT_FALSE(window->lblLinks->isHovered());
}

TEST_F(WindowTest, CaptionFollowsTheFetchMethodAfterASettingsChange) {
  click(window->lblLinks);
  WriteSetting(ctx(), "Settings", "chkMSXML", "1");
  window->SetViewMode(ctx().last_view_mode);
  EXPECT_EQ(window->caption(), Caption("Links", "Method: MSXML"));
  window->SetViewMode(9);  // no such mode: only recorded
  EXPECT_EQ(window->caption(), Caption("Links", "Method: MSXML"));
  EXPECT_EQ(ctx().last_view_mode, 9);
}

TEST_F(WindowTest, EmptyListsSayThereIsNothingToView) {
  click(window->lblLinks);
  click(window->lblImages);
  EXPECT_EQ(messageTexts(),
            (std::vector<std::string>{"There are no links to view ...", "There are no images to view ..."}));
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(desktop.messages[0].caption, kProgramTitle);
  EXPECT_TRUE(Contains(logText(), "Extracting contents ...."));
  EXPECT_TRUE(Contains(logText(), "Extracting images ...."));
}

TEST_F(WindowTest, LinksViewExtractsFromTheSourceAndSorts) {
  window->rtfSource->setText("<a href=\"http://b.test/\">b</a> <a href=\"http://a.test/\">a</a>");
  click(window->lblLinks);
  EXPECT_TRUE(desktop.messages.empty());
  ASSERT_EQ(window->lvwLinks->count(), 2u);
  EXPECT_TRUE(window->lvwLinks->sorted());
  EXPECT_EQ(window->lvwLinks->item(0), "http://a.test/");
}

TEST_F(WindowTest, AddressBoxRulesForOwnerInfoAndHeaders) {
  struct Case {
    const char* address;
    bool enabled_before;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"http://ab.cd", true, false},           // 12 characters
      {"http://abc.de", false, true},          // 13 characters
      {"HTTP://EXAMPLE.TEST", false, true},    // the prefix in capitals is judged the same way
      {"https://example.test", false, false},  // left as it was
      {"https://example.test", true, true},   {"", true, false},
  };
  for (const auto& c : cases) {
    window->txtAddr->setText(QStringLiteral("x"));
    window->lblNBlock->setEnabled(c.enabled_before);
    window->lblHeaders->setEnabled(c.enabled_before);
    window->txtAddr->setText(QString::fromUtf8(c.address));
    EXPECT_EQ(window->viewButtonEnabled(ViewButton::OwnerInfo), c.expected) << c.address;
    EXPECT_EQ(window->viewButtonEnabled(ViewButton::Headers), c.expected) << c.address;
  }
}

TEST_F(WindowTest, EnterWithAnInvalidAddressOnlyComplains) {
  for (const char* address : {"", "example.test"}) {
    desktop.messages.clear();
    window->txtAddr->setText(QString::fromUtf8(address));
    QTest::keyClick(window->txtAddr, Qt::Key_Return);
    ASSERT_EQ(messageTexts(), std::vector<std::string>{"Error: Address specified is of an invalid URL format"});
    EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
  }
  EXPECT_TRUE(window->controlsEnabled());
}

TEST_F(WindowTest, MinimumSizeSnapsBackWithOneMessage) {
  window->show();
  window->resize(300, 200);  // both too small: the width is fixed first
  SettleEvents();
  EXPECT_EQ(window->width(), ui::kMinimumWidthTwips / ui::kTwipsPerPixel);
  EXPECT_EQ(window->height(), 200);
  EXPECT_EQ(messageTexts(), std::vector<std::string>{"Minimum width achieved"});

  window->resize(700, 200);
  SettleEvents();
  EXPECT_EQ(window->height(), ui::kMinimumHeightTwips / ui::kTwipsPerPixel);
  EXPECT_EQ(messageTexts().back(), "Minimum height achieved");
  EXPECT_EQ(desktop.messages.size(), 2u);

  window->resize(800, 600);  // panes: client less 250 twips wide, less 1750 twips high
  SettleEvents();
  EXPECT_EQ(window->rtfLog->height(), 600 - 1750 / ui::kTwipsPerPixel);
  EXPECT_EQ(window->rtfSource->geometry().right(), window->rtfLog->geometry().right());
  EXPECT_EQ(window->rtfSource->geometry().left(), window->picLines->geometry().right());
}

TEST_F(WindowTest, HostilePageIsShownAsTextAndNeverRendered) {
  const std::string page =
      "<html><head><script>document.location='http://evil.test/'</script>"
      "<meta http-equiv=\"refresh\" content=\"0;url=http://evil.test/\"></head>"
      "<body><iframe src=\"http://evil.test/\"></iframe><b>bold?</b>&lt;tag&gt;\r\n" +
      std::string(2'000'000, 'A') + "\r\n</body></html>";
  window->rtfSource->setText(page);
  window->rtfSource->applyFormats({{page.find("<iframe"), 7, kRed, true}});
  EXPECT_EQ(window->rtfSource->text(), page);
  const QString shown = window->rtfSource->document()->toPlainText();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("<html><head><script>document.location=")));
  EXPECT_TRUE(shown.contains(QStringLiteral("<b>bold?</b>&lt;tag&gt;")));
  // The 2 MB line is shown in pieces; it stays one line of the text.
  EXPECT_EQ(window->rtfSource->lineCount(), 3);
  EXPECT_EQ(window->rtfSource->lineNumberOfBlock(window->rtfSource->document()->blockCount() - 2), 1);
}

TEST_F(WindowTest, ControlsStayDisabledWhileBusyAndCloseWaits) {
  window->setViewButtonEnabled(ViewButton::Headers, false);
  window->setControlsEnabled(false);
  EXPECT_FALSE(window->lblRAW->isEnabled());
  EXPECT_FALSE(window->close());  // a query is running
  window->setControlsEnabled(true);
  EXPECT_TRUE(window->lblRAW->isEnabled());
  EXPECT_FALSE(window->viewButtonEnabled(ViewButton::Headers));  // its own state survives
}

class ClosingTest : public WindowTest {
 protected:
  std::string fillTempFolder(size_t kilobytes) {
    const std::string temp = GetTempFolder(ctx());
    std::ofstream(temp + "/page.htm", std::ios::binary) << std::string(kilobytes * 1024, 'x');
    std::filesystem::create_directories(temp + "/sub");
    std::ofstream(temp + "/sub/kept.htm") << "kept";
    return temp;
  }
};

TEST_F(ClosingTest, LargeTempFolderAnsweredYesIsEmptied) {
  const std::string temp = fillTempFolder(1100);
  desktop.scriptAnswers({MessageAnswer::Yes});
  EXPECT_TRUE(window->close());
  ASSERT_FALSE(desktop.messages.empty());
  EXPECT_EQ(desktop.messages[0].text,
            "The temp directory (dl_temp) is currently [ 1100KB ], would you like to clean it out?");
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Question);
  EXPECT_FALSE(std::filesystem::exists(temp + "/page.htm"));
  EXPECT_TRUE(std::filesystem::exists(temp + "/sub/kept.htm"));
}

TEST_F(ClosingTest, LargeTempFolderAnsweredNoIsKept) {
  const std::string temp = fillTempFolder(1100);
  desktop.scriptAnswers({MessageAnswer::No});
  EXPECT_TRUE(window->close());
  EXPECT_EQ(desktop.messages.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(temp + "/page.htm"));
}

TEST_F(WindowTest, HelpOpensTheManualOrOffersTheSupportArea) {
  program.root.write("manual.html", "<html></html>");
  window->manual_locations = {QString::fromStdString(program.root.file("missing.html")),
                              QString::fromStdString(program.root.file("manual.html"))};
  click(window->lblHelp);
  EXPECT_EQ(desktop.opened, std::vector<std::string>{program.root.file("manual.html")});

  window->manual_locations.clear();
  WriteSetting(ctx(), "Services", "SupportURL", "http://127.0.0.1:9/support/");
  desktop.scriptAnswers({MessageAnswer::No, MessageAnswer::Yes});
  click(window->lblHelp);
  click(window->lblHelp);
  ASSERT_EQ(desktop.messages.size(), 2u);
  EXPECT_EQ(desktop.messages[0].text,
            "Unfortunately the help files are not presently available.\r\nWould you like to visit the online "
            "support area?");
  EXPECT_EQ(desktop.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(desktop.opened.back(), "http://127.0.0.1:9/support/");
  EXPECT_EQ(desktop.opened.size(), 2u);
}

}  // namespace
}  // namespace kestrum::testing

namespace kestrum::testing {
namespace {

TEST_F(WindowTest, AboutKeepsItsDisclaimerCopyOnlyWhileOpen) {
  click(window->lblAbout);
  auto* about = window->findChild<QDialog*>(QStringLiteral("frmAbout"));
  ASSERT_NE(about, nullptr);
  EXPECT_FALSE(about->isModal());
  const std::string copy = StorageFolder(ctx()) + "/adisc.kmx";
  EXPECT_TRUE(std::filesystem::exists(copy));
  EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("0.3.7"));
  about->close();
  SettleEvents();
  EXPECT_FALSE(std::filesystem::exists(copy));
}

// Qt takes a tooltip for rich text when it looks like markup; a link's tooltip must show the
// link's own characters, never what an entity or a tag in it would turn into.
TEST_F(WindowTest, ListTooltipsShowTheItemAsPlainText) {
  const std::vector<std::string> items = {"http://a.test/&lt;b&gt;bold&lt;/b&gt;", "http://b.test/&#8238;gpj.exe",
                                          "<img src=x>http://c.test/", "<b>http://d.test/</b>  two  blanks"};
  for (ui::ReportList* list : {window->lvwLinks, window->lvwImages}) {
    list->clear();
    for (const auto& item : items) list->add(item);
    for (int row = 0; row < static_cast<int>(items.size()); ++row) {
      const QString tooltip = list->model()->data(list->model()->index(row, 0), Qt::ToolTipRole).toString();
      QTextDocument shown;
      if (Qt::mightBeRichText(tooltip))
        shown.setHtml(tooltip);
      else
        shown.setPlainText(tooltip);
      EXPECT_EQ(shown.toPlainText().toStdString(), items[static_cast<size_t>(row)]);
    }
  }
}

}  // namespace
}  // namespace kestrum::testing

namespace kestrum::testing {
namespace {

// A desktop whose default handler cannot open anything.
class DesktopWithoutHandler : public ScriptedDesktop {
 public:
  bool openWithDefaultHandler(std::string_view) override { return false; }
};

TEST_F(WindowTest, HelpSaysWhereTheManualIsWhenItCannotBeOpened) {
  DesktopWithoutHandler no_handler;
  ctx().desktop = &no_handler;
  program.root.write("manual.html", "<html></html>");
  window->manual_locations = {QString::fromStdString(program.root.file("manual.html"))};
  click(window->lblHelp);
  ASSERT_EQ(no_handler.messages.size(), 1u);
  EXPECT_EQ(no_handler.messages[0].text,
            "I couldn't open the user manual. You can find it here:\r\n" + program.root.file("manual.html"));
  EXPECT_EQ(no_handler.messages[0].icon, MessageIcon::Exclamation);
  ctx().desktop = &desktop;
}

TEST_F(WindowTest, ViewButtonsWorkFromTheKeyboard) {
  window->lvwLinks->add("http://example.test/a");
  window->show();
  for (ui::TextButton* button : {window->lblRAW, window->lblImages, window->lblLinks, window->lblNBlock,
                                 window->lblHeaders, window->lblTools, window->lblLog})
    EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus) << button->objectName().toStdString();
  window->lblLinks->setFocus();
  QTest::keyClick(window->lblLinks, Qt::Key_Space);
  EXPECT_EQ(window->shownView(), 3);
  window->lblRAW->setFocus();
  QTest::keyClick(window->lblRAW, Qt::Key_Return);
  EXPECT_EQ(window->shownView(), 1);
}

TEST_F(WindowTest, AboutShowsTheHomepageAndOpensIt) {
  WriteSetting(ctx(), "Services", "HomepageURL", "http://127.0.0.1:9/home/");
  click(window->lblAbout);
  auto* about = window->findChild<QDialog*>(QStringLiteral("frmAbout"));
  ASSERT_NE(about, nullptr);
  auto* homepage = about->findChild<ui::TextButton*>(QStringLiteral("lblHomepage"));
  ASSERT_NE(homepage, nullptr);
  EXPECT_EQ(homepage->text(), QStringLiteral("http://127.0.0.1:9/home/"));
  click(homepage);
  EXPECT_EQ(desktop.opened, std::vector<std::string>{"http://127.0.0.1:9/home/"});
  about->close();
}

}  // namespace
}  // namespace kestrum::testing
