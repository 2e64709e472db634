#include "dissect/text_pieces.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>
#include <string>

#include "core/text.h"

namespace kestrum {
namespace {

TEST(RemoveEvery, RemovesWhatReplacingByNothingRemoves) {
  std::mt19937 random(13);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (size_t n = random() % 30; n > 0; --n) text += "ab \""[random() % 4];
    const std::string what = std::vector<std::string>{"a", "ab", "aa", "  ", "\"", "aba"}[random() % 6];
    std::string removed = text;
    RemoveEvery(removed, what);
    ASSERT_EQ(removed, ReplaceAll(text, what, "")) << text << " / " << what;
  }
}

}  // namespace
}  // namespace kestrum
