#include "dissect/multi_pattern_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/text.h"
#include "dissect/link_mark_search.h"

namespace kestrum {
namespace {

using Occurrence = std::pair<size_t, size_t>;  // pattern, start

std::vector<Occurrence> BruteForce(const std::vector<std::string>& patterns, const std::string& text,
                                   bool ignore_case) {
  std::vector<Occurrence> found;
  for (size_t p = 0; p < patterns.size(); ++p) {
    const std::string& pattern = patterns[p];
    if (pattern.empty() || pattern.size() > text.size()) continue;
    for (size_t start = 0; start + pattern.size() <= text.size(); ++start) {
      const std::string_view piece(text.data() + start, pattern.size());
      if (ignore_case ? EqualsNoCase(piece, pattern) : piece == pattern) found.emplace_back(p, start);
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<Occurrence> Automaton(const std::vector<std::string>& patterns, const std::string& text, bool ignore_case) {
  std::vector<Occurrence> found;
  size_t last_end = 0;
  bool in_end_order = true;
  MultiPatternSearch(patterns, ignore_case).forEachMatch(text, [&](size_t p, size_t start) {
    const size_t end = start + patterns[p].size();
    in_end_order = in_end_order && end >= last_end;
    last_end = end;
    found.emplace_back(p, start);
  });
  EXPECT_TRUE(in_end_order);
  std::sort(found.begin(), found.end());
  return found;
}

// The link marks' search, as the automaton's test reads it: sorted, one pattern's starts ascending.
std::vector<Occurrence> Hashed(const std::vector<std::string>& patterns, const std::string& text) {
  const std::vector<std::string_view> views(patterns.begin(), patterns.end());
  std::vector<Occurrence> found;
  std::vector<size_t> last_start(patterns.size(), 0);
  bool starts_ascend = true;
  LinkMarkSearch(views).forEachMatch(text, [&](size_t p, size_t start) {
    starts_ascend = starts_ascend && start >= last_start[p];
    last_start[p] = start;
    found.emplace_back(p, start);
  });
  EXPECT_TRUE(starts_ascend);
  std::sort(found.begin(), found.end());
  return found;
}

// Patterns as the link marks pass them: one spelling of each.
std::vector<std::string> DistinctWithoutCase(const std::vector<std::string>& patterns) {
  std::vector<std::string> distinct;
  for (const auto& p : patterns)
    if (std::none_of(distinct.begin(), distinct.end(), [&](const std::string& d) { return EqualsNoCase(d, p); }))
      distinct.push_back(p);
  return distinct;
}

TEST(MultiPatternSearch, FindsWhatASearchPerPatternFinds) {
  // A small alphabet makes patterns that are prefixes, suffixes and parts of each other.
  std::mt19937 random(7);
  const std::string alphabet =
      "abAB/.\xe9"
      "\xc9"
      "\x9f"
      "\xff"
      "\xdf"
      "\xd7"
      "\xf7";
  auto random_text = [&](size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    return text;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> patterns;
    const size_t count = 1 + random() % 12;
    for (size_t i = 0; i < count; ++i) patterns.push_back(random_text(random() % 5));
    if (round % 3 == 0) patterns.push_back(patterns.front());  // the same pattern twice
    const std::string text = random_text(random() % 80);
    for (const bool ignore_case : {false, true})
      ASSERT_EQ(Automaton(patterns, text, ignore_case), BruteForce(patterns, text, ignore_case))
          << "round " << round << " text " << text;
    const std::vector<std::string> distinct = DistinctWithoutCase(patterns);
    ASSERT_EQ(Hashed(distinct, text), BruteForce(distinct, text, true)) << "round " << round << " text " << text;
  }
}

TEST(MultiPatternSearch, LinkMarksFindEveryLengthAndCrowdedPrefixes) {
  // Lengths across the hashed range and past it, many lengths behind one prefix (sent to the
  // automaton), and short patterns, on texts of one, two and three letters.
  std::mt19937 random(17);
  const std::string alphabet = "aAb\xc9\xe9";
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> patterns;
    for (size_t n = 1 + random() % 20; n > 0; --n) {
      const size_t length = random() % 4 == 0 ? 60 + random() % 10 : random() % 16;
      std::string pattern;
      for (size_t i = 0; i < length; ++i) pattern += alphabet[random() % (round % 3 + 1)];
      patterns.push_back(pattern);
    }
    patterns = DistinctWithoutCase(patterns);
    std::string text;
    for (size_t n = random() % 200; n > 0; --n) text += alphabet[random() % alphabet.size()];
    ASSERT_EQ(Hashed(patterns, text), BruteForce(patterns, text, true)) << "round " << round << " text " << text;
  }
}

TEST(MultiPatternSearch, NoPatternsOrOnlyEmptyOnesFindNothing) {
  EXPECT_TRUE(Automaton({}, "text", false).empty());
  EXPECT_TRUE(Automaton({"", ""}, "text", true).empty());
  EXPECT_TRUE(Hashed({"", ""}, "text").empty());
  // A pattern longer than the hashing takes is still found, by the automaton.
  const std::string long_pattern(LinkMarkSearch::kLongest + 1, 'a');
  EXPECT_EQ(Hashed({long_pattern, "aa"}, long_pattern).size(), LinkMarkSearch::kLongest + 1);
}

}  // namespace
}  // namespace kestrum
