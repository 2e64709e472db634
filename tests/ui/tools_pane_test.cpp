#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>

#include "core/identity.h"
#include "core/text.h"
#include "decode/char_table.h"
#include "ui/text_button.h"
#include "ui/tools_pane_rules.h"
#include "ui/tools_text_pane.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

using ui::kToolsPlaceholderEntry;
using ui::kToolsPlaceholderReset;

class ToolsPaneTest : public WindowTest {
 protected:
  ToolsPaneTest() {
    window->show();
    click(window->lblTools);
  }
  ui::ToolsTextPane& pane() { return *window->rtfB64; }
  void paste(const std::string& clipboard) {
    desktop.setClipboardText(clipboard);
    QTest::keyClick(&pane(), Qt::Key_V, Qt::ControlModifier);
  }
  // Decode Base64, Escape Javascript, Decode Entities.
  std::array<bool, 3> buttons() const {
    return {window->lblBase64->isEnabled(), window->lblJScript->isEnabled(), window->lblHTMLConv->isEnabled()};
  }
};

TEST_F(ToolsPaneTest, EnteringShowsTheFirstPlaceholderWithEveryDecoderOff) {
  EXPECT_EQ(pane().text(), kToolsPlaceholderEntry);
  EXPECT_EQ(buttons(), (std::array<bool, 3>{false, false, false}));
  EXPECT_FALSE(window->lblBase64->isHidden());
  EXPECT_TRUE(Contains(logText(), "Mode changed to 6"));
}

TEST_F(ToolsPaneTest, PasteReplacesEverythingAndCleansBase64) {
  struct Case {
    std::string clipboard;
    std::string shown;
    std::array<bool, 3> buttons;  // Base64, JavaScript, entities
  };
  const std::vector<Case> cases = {
      {"QUJD\r\nREVG\n R0g=\t", "QUJDREVGR0g=", {true, false, false}},
      {"%41 %42\r\n%43\t%44", "%41%42%43%44", {true, true, false}},  // the analysis drops the blanks
      {"&#72;&#105; xy", "&#72;&#105; xy", {false, false, true}},     // no "%": kept as pasted
      {"abc", "abc", {false, false, false}},
  };
  for (const auto& c : cases) {
    paste(c.clipboard);
    EXPECT_EQ(pane().text(), c.shown) << c.clipboard;
    EXPECT_EQ(buttons(), c.buttons) << c.clipboard;
  }
}

TEST_F(ToolsPaneTest, DecodersReplaceTheText) {
  WriteCharTable(ctx());
  paste("QUJD");
  click(window->lblBase64);
  EXPECT_EQ(pane().text(), "ABC");
  EXPECT_FALSE(window->lblBase64->isEnabled());  // no second decode without editing
  EXPECT_FALSE(window->lblJScript->isEnabled());

  paste("%48%69");
  click(window->lblJScript);
  EXPECT_EQ(pane().text(), "Hi");

  paste("&lt;b&gt;&#72;&#105;");
  click(window->lblHTMLConv);
  EXPECT_EQ(pane().text(), "<b>Hi");
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ToolsPaneTest, EntitiesNeedFiveCharactersAndAReference) {
  for (const std::string& text : std::vector<std::string>{"&#65", kToolsPlaceholderEntry, "plain text"}) {
    desktop.messages.clear();
    pane().setText(text);
    window->lblHTMLConv->setEnabled(true);
    click(window->lblHTMLConv);
    ASSERT_EQ(messageTexts(), std::vector<std::string>{"Nothing to convert"}) << text;
    EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(pane().text(), text);
  }
  pane().setText("&#65;");
  click(window->lblHTMLConv);
  EXPECT_EQ(pane().text(), "A");
}

TEST_F(ToolsPaneTest, ALonePercentShowsBothDecoderMessagesAndStays) {
  pane().setText("");
  QTest::keyClicks(&pane(), "%");
  ASSERT_TRUE(window->lblJScript->isEnabled());
  click(window->lblJScript);
  EXPECT_EQ(messageTexts(), (std::vector<std::string>{"Error: String passed does not appear to be Javascript escaped",
                                                      "I'm sorry, an error occured whilst decoding your javascript"}));
  EXPECT_EQ(pane().text(), "%");
}

TEST_F(ToolsPaneTest, TypingIntoEscapesKeepsTheCaretWhereItWas) {
  pane().setText("");
  QTest::keyClicks(&pane(), "%4 1%4\t2");
  EXPECT_EQ(pane().text(), "%41%42");
  EXPECT_EQ(pane().selectionStart(), 6u);
}

TEST_F(ToolsPaneTest, ClickClearsOnlyTheResetPlaceholder) {
  QTest::mouseClick(pane().viewport(), Qt::LeftButton);
  EXPECT_EQ(pane().text(), kToolsPlaceholderEntry);

  window->mnuBReset->trigger();
  EXPECT_EQ(pane().text(), kToolsPlaceholderReset);
  QTest::mouseClick(pane().viewport(), Qt::LeftButton);
  EXPECT_EQ(pane().text(), "");
}

TEST_F(ToolsPaneTest, MenuCopiesAndSavesWithCrLf) {
  window->mnuBReset->trigger();
  emit pane().menuRequested(QPoint(10, 10));
  EXPECT_FALSE(window->mnuBCopy->isEnabled());
  EXPECT_FALSE(window->mnuBSave->isEnabled());
  window->mnuBase64->hide();

  pane().setText("one\r\ntwo");
  emit pane().menuRequested(QPoint(10, 10));
  EXPECT_TRUE(window->mnuBCopy->isEnabled());
  window->mnuBase64->hide();
  window->mnuBSelAll->trigger();
  window->mnuBCopy->trigger();
  EXPECT_EQ(desktop.clipboardText(), "one\r\ntwo");

  desktop.scriptSaveFile(program.root.file("saved.txt"));
  desktop.scriptSaveFile(std::nullopt);
  window->mnuBSave->trigger();
  window->mnuBSave->trigger();  // cancelled: nothing happens
  EXPECT_EQ(program.root.read("saved.txt"), "one\r\ntwo\r\n");
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ToolsPaneTest, BackAndOtherViewsLeaveTheToolsView) {
  click(window->lblClsTools);
  EXPECT_EQ(ctx().view_mode, 1);
  EXPECT_FALSE(window->rtfSource->isHidden());
  EXPECT_TRUE(window->lblBase64->isHidden());
  EXPECT_TRUE(window->lblClsTools->isHidden());

  click(window->lblTools);
  click(window->lblTools);  // Misc Tools again leaves too
  EXPECT_EQ(ctx().view_mode, 1);
  EXPECT_TRUE(window->lblJScript->isHidden());

  click(window->lblTools);
  pane().setText("kept?");
  click(window->lblLog);
  click(window->lblTools);
  EXPECT_EQ(pane().text(), kToolsPlaceholderEntry);  // every visit starts afresh
}

TEST(ToolsPaneRules, AnalysisOfTheText) {
  struct Case {
    std::string text;
    std::string tidied;
    bool base64, escape, entities;
  };
  const std::vector<Case> cases = {
      {kToolsPlaceholderEntry, kToolsPlaceholderEntry, false, false, false},
      {kToolsPlaceholderReset, kToolsPlaceholderReset, false, false, false},
      {"", "", true, false, false},  // length 0 passes the length-only test
      {"%", "%", false, true, false},
      {"% 4\r\n1\r2\n", "%41\r2", true, true, false},  // a lone CR stays
      {"a&#b", "a&#b", true, false, true},
  };
  for (const auto& c : cases) {
    const ui::ToolsAnalysis analysis = ui::AnalyseToolsText(c.text);
    EXPECT_EQ(analysis.text, c.tidied) << c.text;
    EXPECT_EQ(analysis.decode_base64, c.base64) << c.text;
    EXPECT_EQ(analysis.escape_javascript, c.escape) << c.text;
    EXPECT_EQ(analysis.decode_entities, c.entities) << c.text;
  }
}

}  // namespace
}  // namespace kestrum::testing
