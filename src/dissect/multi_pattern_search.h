#pragma once
// Finds every occurrence of many patterns in one pass over a text (an Aho-Corasick automaton).
// Colouring every link of a page, or the last occurrence of every executable link, would
// otherwise take one pass over the page per link.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

class MultiPatternSearch {
 public:
  // With `ignore_case`, letters of patterns and text are compared without case. Empty
  // patterns never match; a pattern given twice is reported under each of its numbers.
  MultiPatternSearch(const std::vector<std::string>& patterns, bool ignore_case);

  // Calls visit(pattern_number, start) for every occurrence, overlapping ones included, in the
  // order of the occurrences' ends.
  template <typename Visit>
  void forEachMatch(std::string_view text, Visit&& visit) const {
    uint32_t state = 0;
    const size_t size = text.size();
    for (size_t i = 0; i < size; ++i) {
      if (state == 0) {
        // Most of a page starts no pattern: skip to the next byte that does.
        while (i < size && root_next_[fold_[static_cast<unsigned char>(text[i])]] == 0) ++i;
        if (i == size) break;
      }
      state = step(state, static_cast<unsigned char>(text[i]));
      for (uint32_t end = nodes_[state].output; end != 0; end = pattern_ends_[end - 1].shorter) {
        for (uint32_t p = pattern_ends_[end - 1].first_pattern; p != kNone; p = next_pattern_[p])
          visit(static_cast<size_t>(p), i + 1 - lengths_[p]);
      }
    }
  }

  size_t patternLength(size_t pattern) const { return lengths_[pattern]; }

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  uint32_t step(uint32_t state, unsigned char byte) const {
    const unsigned char c = fold_[byte];
    for (;;) {
      if (state == 0) return root_next_[c];
      const uint32_t next = child(state, c);
      if (next != 0) return next;
      state = nodes_[state].fail;
    }
  }
  uint32_t child(uint32_t node, unsigned char c) const;

  // The children of a node are the child_count nodes from first_child on, in ascending order of
  // their labels. One record per node keeps what a step reads on one or two cache lines.
  struct Node {
    uint32_t first_child = 0;
    uint32_t fail = 0;
    // 1 + the number of the pattern end at this node or, when none ends here, at its longest
    // suffix that has one; 0 when there is none.
    uint32_t output = 0;
    unsigned char label = 0;
    uint16_t child_count = 0;
  };

  std::array<unsigned char, 256> fold_{};
  std::array<uint32_t, 256> root_next_{};
  std::vector<Node> nodes_;
  // A node where patterns end: the first of them, and 1 + the number of the pattern end at its
  // next shorter suffix (0 = none). Kept apart from the nodes, which are many more.
  struct PatternEnd {
    uint32_t first_pattern = kNone;
    uint32_t shorter = 0;
  };
  std::vector<PatternEnd> pattern_ends_;
  std::vector<uint32_t> next_pattern_;  // per pattern: next pattern with the same text
  std::vector<size_t> lengths_;
};

}  // namespace kestrum
