#include "ui/rich_text_pane.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <random>

#include "core/memory_views.h"
#include "core/text.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

std::string EveryByte() {
  std::string bytes;
  for (int b = 0; b < 256; ++b)
    if (b != '\r' && b != '\n') bytes += static_cast<char>(b);
  return bytes;
}

TEST(RichTextPane, KeepsEveryByteAndWritesEveryLineBreakAsCrLf) {
  ui::RichTextPane pane;
  const std::string input = "lf\ncrlf\r\ncr\rend " + EveryByte() + "\r\n\r\n" + EveryByte();
  pane.setText(input);
  EXPECT_EQ(pane.text(), ToCrLf(input));
  EXPECT_EQ(pane.length(), ToCrLf(input).size());
  // Its own text given back as a view into the buffer it rewrites (the sanitizer build sees overlaps).
  pane.setText(*pane.textView());
  EXPECT_EQ(pane.text(), ToCrLf(input));
  pane.setText(pane.textView()->substr(4));
  EXPECT_EQ(pane.text(), ToCrLf(input).substr(4));
  pane.setText(input);

  // A keystroke makes the pane read its text back from the document.
  pane.select(0, 0);
  QTest::keyClick(&pane, Qt::Key_X);
  EXPECT_EQ(pane.text(), "x" + ToCrLf(input));
}

TEST(RichTextPane, PositionsCountCrLfAsTwoCharacters) {
  ui::RichTextPane pane;
  pane.setText("ab\r\ncd\r\nef");
  EXPECT_EQ(pane.documentPosition(4), 3);  // "c"
  EXPECT_EQ(pane.enginePosition(6), 8);    // "e"
  pane.select(3, 3);                       // LF, "c", "d"
  EXPECT_EQ(pane.selectionStart(), 3u);
  EXPECT_EQ(pane.selectionLength(), 3u);
  EXPECT_EQ(pane.selectedText(), "\ncd");
  EXPECT_EQ(pane.find("EF", 0, false), 8u);
  EXPECT_EQ(pane.find("EF", 0, true), kNotFound);
  EXPECT_EQ(pane.find("a", 11, false), kNotFound);
}

// The widget pane must behave exactly like the engine's memory pane for every seam operation.
TEST(RichTextPane, MatchesTheMemoryPaneUnderRandomEdits) {
  std::mt19937 random(20261210);
  auto pick = [&random](size_t bound) { return bound == 0 ? size_t{0} : random() % bound; };
  const std::vector<Rgb> colours = {kRed, kBlue, kBlack, Rgb{0, 128, 0}};

  for (int round = 0; round < 40; ++round) {
    std::string text;
    const size_t lines = 1 + pick(6);
    for (size_t l = 0; l < lines; ++l) {
      if (l) text += "\r\n";
      // Every fourth round has a line long enough to be shown in pieces.
      const size_t letters = round % 4 == 3 && l == 0 ? 4000 + pick(9000) : pick(12);
      for (size_t c = letters; c > 0; --c) text += static_cast<char>(pick(9) ? 'a' + pick(26) : ' ');
    }
    ui::RichTextPane widget;
    MemoryTextPane memory;
    widget.setText(text);
    memory.setText(text);

    // A position that never splits a CR LF pair.
    auto boundary = [&](size_t position) {
      const std::string now = memory.text();
      position = std::min(position, now.size());
      if (position > 0 && position < now.size() && now[position - 1] == '\r' && now[position] == '\n') --position;
      return position;
    };
    for (int step = 0; step < 12; ++step) {
      const size_t start = boundary(pick(memory.length() + 1));
      const size_t end = boundary(start + pick(memory.length() - start + 1));
      const Rgb colour = colours[pick(colours.size())];
      switch (pick(4)) {
        case 0: {
          const std::vector<TextFormatRun> runs = {{start, end - start, colour, pick(2) == 1},
                                                   {boundary(pick(memory.length())), pick(5), colour, true}};
          widget.applyFormats(runs);
          memory.applyFormats(runs);
          break;
        }
        case 1:
          widget.select(start, end - start);
          memory.select(start, end - start);
          widget.setSelectionColor(colour);
          memory.setSelectionColor(colour);
          break;
        case 2: {
          const bool bold = pick(2) == 1;
          widget.select(start, end - start);
          memory.select(start, end - start);
          widget.setSelectionBold(bold);
          memory.setSelectionBold(bold);
          break;
        }
        default: {
          const std::string replacement = pick(2) ? "XY" : "P\r\nQ";
          widget.select(start, end - start);
          memory.select(start, end - start);
          widget.replaceSelection(replacement);
          memory.replaceSelection(replacement);
          break;
        }
      }
      ASSERT_EQ(widget.text(), memory.text()) << "round " << round << " step " << step;
      ASSERT_EQ(widget.formats(), memory.formats()) << "round " << round << " step " << step;
      // The looks of a stretch, read where it stands, are those of the whole text cut to it.
      const size_t from = pick(memory.length() + 1), to = from + pick(memory.length() - from + 2);
      ASSERT_EQ(memory.formatsIn(from, to), memory.TextPane::formatsIn(from, to)) << from << " " << to;
      ASSERT_EQ(widget.formatsIn(from, to), memory.formatsIn(from, to)) << from << " " << to;
      ASSERT_EQ(widget.selectionStart(), memory.selectionStart());
      ASSERT_EQ(widget.selectionLength(), memory.selectionLength());
    }
  }
}

TEST(RichTextPane, ColoursReachTheLayoutOfLinesOnScreenOnly) {
  ui::RichTextPane pane;
  pane.resize(400, 200);
  std::string text;
  std::vector<TextFormatRun> runs;
  for (int i = 0; i < 5000; ++i) {
    runs.push_back({text.size(), 4, kRed, true});
    text += "line " + std::to_string(i) + "\r\n";
  }
  pane.setText(text);
  pane.applyFormats(runs);
  pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
  pane.repaint();
  const QTextBlock first = pane.document()->firstBlock();
  ASSERT_EQ(first.layout()->formats().size(), 1);
  EXPECT_EQ(first.layout()->formats()[0].format.foreground().color(), QColor(Qt::red));
  EXPECT_TRUE(pane.document()->lastBlock().previous().layout()->formats().isEmpty());
  EXPECT_EQ(pane.formats().size(), 5000u);
}

// Engine positions where the pane put a display break into a long line.
std::vector<size_t> DisplayBreaks(const ui::RichTextPane& pane) {
  std::vector<size_t> breaks;
  for (QTextBlock block = pane.document()->begin(); block.isValid(); block = block.next())
    if (block.userState() == 1) breaks.push_back(pane.enginePosition(block.position()));
  return breaks;
}

// A minified page: one line of megabytes, tags without spaces and a Base64 run without either.
TEST(RichTextPane, LongLinesShownInPiecesKeepEveryPositionOfTheText) {
  std::string line;
  while (line.size() < 9000) line += "<td class=c>" + std::to_string(line.size()) + "</td>";
  line += std::string(9000, 'Q') + " tail";
  const std::string text = "first\r\n" + line + "\r\nlast\r\n";
  ui::RichTextPane pane;
  pane.setText(text);
  const std::vector<size_t> breaks = DisplayBreaks(pane);
  ASSERT_GE(breaks.size(), 4u);
  EXPECT_GT(pane.document()->blockCount(), 5);
  EXPECT_EQ(pane.text(), text);
  EXPECT_EQ(pane.length(), text.size());
  EXPECT_EQ(pane.lineCount(), 4);

  for (const size_t at : breaks) {
    SCOPED_TRACE(at);
    EXPECT_EQ(pane.enginePosition(pane.documentPosition(at)), at);
    EXPECT_EQ(pane.enginePosition(pane.documentPosition(at - 1)), at - 1);

    pane.select(at - 2, 4);
    EXPECT_EQ(pane.selectionStart(), at - 2);
    EXPECT_EQ(pane.selectionLength(), 4u);
    EXPECT_EQ(pane.selectedText(), text.substr(at - 2, 4));
    pane.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), text.substr(at - 2, 4));

    pane.applyFormats({});
    pane.setSelectionColor(kRed);
    pane.setSelectionBold(true);
  }
  std::vector<TextFormatRun> expected;
  for (const size_t at : breaks) expected.push_back({at - 2, 4, kRed, true});
  EXPECT_EQ(pane.formats(), expected);

  // The whole page copied holds the line breaks of the text and no others.
  pane.selectAll();
  pane.copy();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), ReplaceAll(text, "\r\n", "\n"));

  // Edits across and beside a display break: the text stays the text, the looks move with it.
  const size_t at = breaks[1];
  pane.select(at - 1, 2);
  pane.replaceSelection("<>");
  std::string edited = text;
  edited.replace(at - 1, 2, "<>");
  EXPECT_EQ(pane.text(), edited);
  EXPECT_EQ(pane.length(), edited.size());
  pane.select(at, 0);
  QTest::keyClick(&pane, Qt::Key_Z);
  edited.insert(at, "z");
  EXPECT_EQ(pane.text(), edited);
  EXPECT_EQ(pane.find("z", 0, true), at);
  pane.select(breaks[2], 0);
  QTest::keyClick(&pane, Qt::Key_Backspace);
  edited.erase(breaks[2], 1);
  EXPECT_EQ(pane.text(), edited);
  pane.select(breaks[3] + 1, 0);
  QTest::keyClick(&pane, Qt::Key_Return);  // a real line break within a piece
  edited.insert(breaks[3] + 1, "\r\n");
  EXPECT_EQ(pane.text(), edited);
  EXPECT_EQ(pane.lineCount(), 5);

  // Replacing many ranges at once, one of them across a display break, as the memory pane does.
  const size_t across = DisplayBreaks(pane).back();
  pane.applyFormats({{across - 10, 30, kBlue, false}});
  MemoryTextPane memory;
  memory.setText(edited);
  memory.applyFormats(pane.formats());
  const std::vector<std::pair<size_t, size_t>> ranges = {{10, 3}, {across - 2, 4}, {across + 100, 1}};
  pane.replaceRanges(ranges, "#");
  memory.replaceRanges(ranges, "#");
  EXPECT_EQ(pane.text(), memory.text());
  EXPECT_EQ(pane.formats(), memory.formats());
}

// Keys at a display break act on the characters beside it, and undo brings back the text as it was.
TEST(RichTextPane, KeysAndUndoAtADisplayBreakChangeOnlyTheText) {
  const std::string text = std::string(5000, 'a') + std::string(5000, 'b');
  struct Case {
    const char* name;
    int offset;  // from the display break
    size_t selected;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::string expected;
  } cases[] = {
      {"backspace",
       0,
       0,
       Qt::Key_Backspace,
       {},
       std::string(4095, 'a') + std::string(904, 'a') + std::string(5000, 'b')},
      {"delete", 0, 0, Qt::Key_Delete, {}, std::string(4096, 'a') + std::string(903, 'a') + std::string(5000, 'b')},
      {"typing over",
       -1,
       2,
       Qt::Key_X,
       {},
       std::string(4095, 'a') + "x" + std::string(903, 'a') + std::string(5000, 'b')},
      {"cut", -1, 2, Qt::Key_X, Qt::ControlModifier,
       std::string(4095, 'a') + std::string(903, 'a') + std::string(5000, 'b')},
      {"paste over", -1, 2, Qt::Key_V, Qt::ControlModifier,
       std::string(4095, 'a') + "pasted" + std::string(903, 'a') + std::string(5000, 'b')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui::RichTextPane pane;
    pane.setText(text);
    const std::vector<size_t> breaks = DisplayBreaks(pane);
    ASSERT_EQ(breaks.front(), 4096u);
    pane.select(breaks.front() + c.offset, c.selected);
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    QTest::keyClick(&pane, c.key, c.modifiers);
    EXPECT_EQ(pane.text().size(), c.expected.size());
    EXPECT_EQ(pane.text(), c.expected);
    pane.undo();
    EXPECT_EQ(pane.text(), text);
    pane.redo();
    EXPECT_EQ(pane.text(), c.expected);
  }
}

TEST(RichTextPane, GutterNumbersTheLinesOfTheTextNotTheirPieces) {
  ui::RichTextPane pane;
  pane.resize(400, 2000);
  pane.setText("a\n" + std::string(10000, 'x') + "\nb");
  pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
  std::vector<int> numbers;
  for (const auto& line : pane.visibleLines()) numbers.push_back(line.number);
  EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2}));
  pane.select(9000, 0);
  EXPECT_EQ(pane.lineNumberOfBlock(pane.textCursor().blockNumber()), 1);
}

// Handlers of the pane's signals (the tools pane tidies its text in one) see the new text whole:
// its lines, display breaks and the caret at its start.
TEST(RichTextPane, SignalsOfANewTextComeWhenItIsInPlace) {
  ui::RichTextPane pane;
  pane.setText("old\r\ntext");
  pane.select(1, 2);
  const std::string text = "a\r\n" + std::string(10000, 'x') + "\r\nb";
  std::vector<std::string> seen_in_text_changed;
  int blocks_told = 0;
  bool copy_told = true;
  QObject::connect(&pane, &QPlainTextEdit::textChanged, [&] {
    seen_in_text_changed.push_back(std::to_string(pane.lineCount()) + " lines, caret " +
                                   std::to_string(pane.selectionStart()) + "+" +
                                   std::to_string(pane.selectionLength()) + (pane.text() == text ? ", new" : ", old"));
  });
  QObject::connect(&pane, &QPlainTextEdit::blockCountChanged, [&](int blocks) { blocks_told = blocks; });
  QObject::connect(&pane, &QPlainTextEdit::copyAvailable, [&](bool available) { copy_told = available; });
  pane.setText(text);
  EXPECT_EQ(seen_in_text_changed, (std::vector<std::string>{"3 lines, caret 0+0, new"}));
  EXPECT_EQ(blocks_told, pane.document()->blockCount());
  EXPECT_FALSE(copy_told);
}

}  // namespace
}  // namespace kestrum::testing
