#include "dissect/highlight.h"

#include <gtest/gtest.h>

#include "core/memory_views.h"

namespace kestrum {
namespace {

TEST(HighlightText, ColoursEveryOccurrenceWithoutOverlap) {
  struct Case {
    const char* text;
    const char* what;
    int count;
    std::vector<TextFormatRun> runs;
  } const cases[] = {
      // An occurrence at the very start is coloured too.
      {"abc abc", "abc", 2, {{0, 3, kRed, true}, {4, 3, kRed, true}}},
      // Two letters in a run of four: two matches, not three.
      {"xaaaax", "aa", 2, {{1, 4, kRed, true}}},
      {"xaaax", "aa", 1, {{1, 2, kRed, true}}},
      // Letter case is ignored.
      {"Window.Location WINDOW.LOCATION", "window.location", 2, {{0, 15, kRed, true}, {16, 15, kRed, true}}},
      // So is that of the code page's letters beyond A-Z; \xD7/\xF7 and \xDF/\xFF are no pairs.
      {"\xC9t\xE9 \xE9T\xC9 \x8A\x9F\x9A\xFF", "\xE9t\xE9", 2, {{0, 3, kRed, true}, {4, 3, kRed, true}}},
      {"\x8A\x9F\x9A\xFF \xF7\xFF", "\x9A\xFF", 2, {{0, 4, kRed, true}}},
      {"\xD7\xDF", "\xF7\xFF", 0, {}},
      // Positions count CR LF as two characters.
      {"a\r\nb\r\nb", "b", 2, {{3, 1, kRed, true}, {6, 1, kRed, true}}},
      {"nothing here", "absent", 0, {}},
      {"any text", "", 0, {}},
      {"", "x", 0, {}},
  };
  for (const auto& c : cases) {
    MemoryTextPane pane;
    pane.setText(c.text);
    pane.select(1, 2);
    EXPECT_EQ(HighlightText(pane, c.what, kRed), c.count) << c.text;
    EXPECT_EQ(pane.formats(), c.runs) << c.text;
    EXPECT_EQ(pane.selectionStart(), std::string(c.text).empty() ? 0u : 1u) << c.text;
  }
}

TEST(HighlightText, CountsBeyondSixteenBits) {
  MemoryTextPane pane;
  pane.setText(std::string(70000, 'z'));
  EXPECT_EQ(HighlightText(pane, "z", kBlue), 70000);
}

}  // namespace
}  // namespace kestrum
