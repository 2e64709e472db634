// frmFind on the real window's Source pane: Find, Find Next, Replace and Replace All.
#include "ui/find_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include "core/text.h"
#include "dissect/find_replace.h"
#include "ui/rich_text_pane.h"
#include "ui/text_button.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

class FindDialogTest : public WindowTest {
 protected:
  ui::FindDialog& open(const std::string& text) {
    window->rtfSource->setText(text);
    window->mnuSRCFind->trigger();
    return *window->find_;
  }
  void type(ui::FindDialog& find, const char* what, const char* with = "") {
    find.txtFind->setText(QString::fromUtf8(what));
    find.txtReplace->setText(QString::fromUtf8(with));
  }
  size_t selectionStart() { return window->rtfSource->selectionStart(); }
  std::string selected() { return window->rtfSource->selectedText(); }
};

TEST_F(FindDialogTest, FindSelectsTheFirstMatchAndMarksEveryOneBlue) {
  auto& find = open("word and Word and sword");
  EXPECT_EQ(find.windowTitle(), QStringLiteral("Find and Replace"));
  EXPECT_FALSE(find.cmdReplace->isEnabled());
  EXPECT_FALSE(find.cmdReplaceAll->isEnabled());
  type(find, "word");
  QTest::mouseClick(find.cmdFind, Qt::LeftButton);
  EXPECT_EQ(selectionStart(), 0u);
  EXPECT_EQ(selected(), "word");
  EXPECT_TRUE(find.cmdReplace->isEnabled());
  EXPECT_TRUE(find.cmdReplaceAll->isEnabled());
  const std::vector<TextFormatRun> blue = {{0, 4, kBlue, true}, {9, 4, kBlue, true}, {19, 4, kBlue, true}};
  EXPECT_EQ(window->rtfSource->formats(), blue);
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FindDialogTest, FindNextWalksTheMatchesThenSaysNotFoundAndFindStartsAgain) {
  auto& find = open("one cat, two cat, three cat");
  type(find, "cat");
  find.RunFind();
  EXPECT_EQ(selectionStart(), 4u);
  find.RunFindNext();
  EXPECT_EQ(selectionStart(), 13u);
  find.RunFindNext();
  EXPECT_EQ(selectionStart(), 24u);
  find.RunFindNext();
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, "cat not found in current document.");
  EXPECT_EQ(desktop.messages[0].caption, "Search text not found");
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(selectionStart(), 24u);  // Find Next leaves the caret where it was
  EXPECT_FALSE(find.cmdReplace->isEnabled());
  EXPECT_FALSE(find.cmdReplaceAll->isEnabled());
  find.RunFind();
  EXPECT_EQ(selectionStart(), 4u);

  type(find, "dog");
  find.RunFind();
  EXPECT_EQ(desktop.messages.back().text, "dog not found in current document.");
  EXPECT_EQ(selectionStart(), 0u);  // Find puts the caret at the top
  EXPECT_EQ(window->rtfSource->selectionLength(), 0u);
}

TEST_F(FindDialogTest, OptionsAndEnterInTheFindBox) {
  auto& find = open("Cat cat concatenate cat");
  type(find, "cat");
  find.Check1->setChecked(true);
  find.RunFind();
  EXPECT_EQ(selectionStart(), 4u);
  find.Check2->setChecked(true);
  find.RunFindNext();
  EXPECT_EQ(selectionStart(), 20u);  // "concatenate" holds it, but not as a word

  find.Check1->setChecked(false);
  find.Check2->setChecked(false);
  type(find, "c");
  QTest::keyClick(find.txtFind, Qt::Key_Return);  // one character: Enter does nothing
  EXPECT_EQ(selectionStart(), 20u);
  type(find, "ca");
  QTest::keyClick(find.txtFind, Qt::Key_Return);
  EXPECT_EQ(selectionStart(), 0u);
}

TEST_F(FindDialogTest, ReplaceAllAfterFindReplacesAllThreeAndCounts) {
  auto& find = open("red fish, red boat, red sky");
  type(find, "red", "blue");
  find.RunFind();
  find.RunReplaceAll();
  EXPECT_EQ(window->rtfSource->text(), "blue fish, blue boat, blue sky");
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, "3 item(s) replaced.");
  EXPECT_EQ(desktop.messages[0].caption, "Done");
  EXPECT_FALSE(find.cmdReplace->isEnabled());
  EXPECT_FALSE(find.cmdReplaceAll->isEnabled());
}

TEST_F(FindDialogTest, ReplacementHoldingTheFindTextEnds) {
  struct Case {
    const char* text;
    const char* what;
    const char* with;
    const char* after;
    int count;
  };
  const std::vector<Case> cases = {
      {"a-a-a", "a", "aa", "aa-aa-aa", 3},
      {"cat cat", "cat", "concat", "concat concat", 2},
  };
  for (const auto& c : cases) {
    desktop.messages.clear();
    auto& find = open(c.text);
    type(find, c.what, c.with);
    find.RunFind();
    find.RunReplaceAll();
    EXPECT_EQ(window->rtfSource->text(), c.after) << c.text;
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, std::to_string(c.count) + " item(s) replaced.");
  }
  // A replacement with a line break (only the engine can type one) takes the other road in the pane.
  window->rtfSource->setText("x\r\nx");
  window->rtfSource->applyFormats({{3, 1, kRed, true}});
  FindReplace engine(ctx(), *window->rtfSource);
  ASSERT_TRUE(engine.Find("x", {}));
  EXPECT_EQ(engine.ReplaceAll("x", "x\r\nx", {}), 2);
  EXPECT_EQ(window->rtfSource->text(), "x\r\nx\r\nx\r\nx");
}

TEST_F(FindDialogTest, ReplaceMovesToTheNextMatchAndStopsAfterTheLast) {
  auto& find = open("ab ab ab");
  type(find, "ab", "abab");
  find.RunFind();
  find.RunReplace();
  EXPECT_EQ(window->rtfSource->text(), "abab ab ab");
  EXPECT_EQ(selectionStart(), 5u);
  EXPECT_TRUE(find.cmdReplace->isEnabled());
  find.RunReplace();
  find.RunReplace();
  EXPECT_EQ(window->rtfSource->text(), "abab abab abab");
  EXPECT_FALSE(find.cmdReplace->isEnabled());
  EXPECT_TRUE(desktop.messages.empty());
  // Replacing is the user's own edit: Ctrl+Z takes it back.
  EXPECT_TRUE(window->rtfSource->document()->isUndoAvailable());
}

TEST_F(FindDialogTest, MatchesFarIntoALongPageWork) {
  const std::string text = std::string(70000, '.') + " needle " + std::string(40000, '.') + " needle";
  auto& find = open(text);
  type(find, "needle", "pin");
  find.RunFind();
  EXPECT_EQ(selectionStart(), 70001u);
  find.RunFindNext();
  EXPECT_EQ(selectionStart(), 110009u);
  EXPECT_EQ(find.engine().lastMatch(), 110009);
  find.RunFind();
  find.RunReplaceAll();
  EXPECT_EQ(window->rtfSource->text(), std::string(70000, '.') + " pin " + std::string(40000, '.') + " pin");
}

TEST(FindInText, LetterCaseAndWholeWords) {
  struct Case {
    const char* text;
    const char* what;
    size_t from;
    FindOptions options;
    size_t expected;
  };
  const std::vector<Case> cases = {
      {"Alpha alpha", "ALPHA", 0, {}, 0},      {"Alpha alpha", "alpha", 0, {true, false}, 6},
      {"Alpha alpha", "alpha", 1, {}, 6},      {"x_alpha alpha1 alpha", "alpha", 0, {false, true}, 15},
      {"alpha", "alpha", 0, {false, true}, 0}, {"alpha", "beta", 0, {}, kNotFound},
      {"alpha", "", 0, {}, kNotFound},         {"alpha", "a", 6, {}, kNotFound},
  };
  for (const auto& c : cases) EXPECT_EQ(FindInText(c.text, c.what, c.from, c.options), c.expected) << c.text;
}

}  // namespace
}  // namespace kestrum::testing
