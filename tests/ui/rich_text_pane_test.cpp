#include "ui/rich_text_pane.h"

#include <gtest/gtest.h>

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
      for (size_t c = pick(12); c > 0; --c) text += static_cast<char>('a' + pick(26));
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

}  // namespace
}  // namespace kestrum::testing
