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
  // With `ignore_case`, ASCII letters of patterns and text are compared without case. Empty
  // patterns never match; a pattern given twice is reported under each of its numbers.
  MultiPatternSearch(const std::vector<std::string>& patterns, bool ignore_case);

  // Calls visit(pattern_number, start) for every occurrence, overlapping ones included, in the
  // order of the occurrences' ends.
  template <typename Visit>
  void forEachMatch(std::string_view text, Visit&& visit) const {
    uint32_t state = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      state = step(state, static_cast<unsigned char>(text[i]));
      for (uint32_t node = output_[state]; node != 0; node = dictionary_link_[node]) {
        for (uint32_t p = first_pattern_[node]; p != kNone; p = next_pattern_[p])
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
      state = fail_[state];
    }
  }
  uint32_t child(uint32_t node, unsigned char c) const;

  std::array<unsigned char, 256> fold_{};
  std::array<uint32_t, 256> root_next_{};
  // Nodes are numbered breadth first, so the children of node n are the nodes
  // first_child_[n] .. first_child_[n + 1] - 1, in ascending order of their labels.
  std::vector<uint32_t> first_child_;
  std::vector<unsigned char> label_;
  std::vector<uint32_t> fail_;
  // The node itself when a pattern ends there, else its nearest such suffix (0 = none).
  std::vector<uint32_t> output_;
  // From a node where a pattern ends, the next shorter suffix where one ends (0 = none).
  std::vector<uint32_t> dictionary_link_;
  std::vector<uint32_t> first_pattern_;  // per node
  std::vector<uint32_t> next_pattern_;   // per pattern: next pattern with the same text
  std::vector<size_t> lengths_;
};

}  // namespace kestrum
