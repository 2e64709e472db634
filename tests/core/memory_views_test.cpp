#include "core/memory_views.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

TEST(MemoryTextPane, FormatRunsAreClippedToTheText) {
  MemoryTextPane pane;
  pane.setText("0123456789");
  pane.applyFormats({{2, kNotFound, kRed, true}, {8, 5, kBlue, false}, {20, 3, kRed, false}});
  EXPECT_EQ(pane.formats(), (std::vector<TextFormatRun>{{2, 6, kRed, true}, {8, 2, kBlue, false}}));
  EXPECT_EQ(pane.colorAt(1), kBlack);
  EXPECT_TRUE(pane.boldAt(7));
}

TEST(MemoryTextPane, ReplacingASelectionKeepsTheLookOfItsFirstCharacter) {
  MemoryTextPane pane;
  pane.setText("see HERE now");
  pane.select(4, 4);
  pane.setSelectionColor(kRed);
  pane.setSelectionBold(true);
  pane.replaceSelection("there");
  EXPECT_EQ(pane.text(), "see there now");
  EXPECT_EQ(pane.formats(), (std::vector<TextFormatRun>{{4, 5, kRed, true}}));
  EXPECT_EQ(pane.find("NOW", 0, false), 10u);
  EXPECT_EQ(pane.find("NOW", 0, true), kNotFound);
  EXPECT_EQ(pane.find("now", 99, false), kNotFound);
}

}  // namespace
}  // namespace kestrum
