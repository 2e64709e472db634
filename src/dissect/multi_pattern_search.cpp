#include "dissect/multi_pattern_search.h"

#include <algorithm>
#include <numeric>

#include "core/text.h"

namespace kestrum {

MultiPatternSearch::MultiPatternSearch(const std::vector<std::string>& patterns, bool ignore_case) {
  for (size_t b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    fold_[b] = static_cast<unsigned char>(ignore_case ? AsciiLower(c) : c);
  }
  lengths_.resize(patterns.size());
  next_pattern_.assign(patterns.size(), kNone);
  for (size_t p = 0; p < patterns.size(); ++p) lengths_[p] = patterns[p].size();

  // Patterns in sorted order give the trie's nodes in depth-first order without any search for
  // an existing child: a pattern shares its common prefix with the one before it.
  std::vector<std::string> folded;
  const bool fold = ignore_case && std::any_of(patterns.begin(), patterns.end(), [](const std::string& p) {
                      return std::any_of(p.begin(), p.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
                    });
  if (fold) {
    folded.reserve(patterns.size());
    for (const auto& pattern : patterns) folded.push_back(ToLowerAscii(pattern));
  }
  const std::vector<std::string>& keys = fold ? folded : patterns;
  std::vector<uint32_t> order(patterns.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });

  struct TrieNode {
    uint32_t parent = 0;
    uint32_t depth = 0;
    uint32_t ends_here = kNone;
    unsigned char label = 0;
  };
  size_t total_length = 1;
  for (const auto& key : keys) total_length += key.size();
  std::vector<TrieNode> trie(1);
  trie.reserve(total_length);  // an upper bound; pages beyond the nodes made are never touched
  std::vector<uint32_t> path(1, 0);  // path[d]: node at depth d of the previous pattern
  const std::string* previous = nullptr;
  for (const uint32_t p : order) {
    const std::string& key = keys[p];
    if (key.empty()) continue;
    size_t common = 0;
    if (previous) {
      const size_t limit = std::min(previous->size(), key.size());
      while (common < limit && (*previous)[common] == key[common]) ++common;
    }
    path.resize(key.size() + 1);
    for (size_t d = common; d < key.size(); ++d) {
      path[d + 1] = static_cast<uint32_t>(trie.size());
      trie.push_back({path[d], static_cast<uint32_t>(d + 1), kNone, static_cast<unsigned char>(key[d])});
    }
    // Equal patterns share a node; the list keeps their given order (the sort is stable).
    uint32_t* slot = &trie[path[key.size()]].ends_here;
    while (*slot != kNone) slot = &next_pattern_[*slot];
    *slot = p;
    previous = &key;
  }
  folded.clear();
  folded.shrink_to_fit();

  // Breadth-first numbers: a stable sort of the depth-first order by depth keeps siblings
  // together and in label order.
  const size_t nodes = trie.size();
  uint32_t max_depth = 0;
  for (const auto& node : trie) max_depth = std::max(max_depth, node.depth);
  std::vector<uint32_t> level_start(max_depth + 2, 0);
  for (const auto& node : trie) ++level_start[node.depth + 1];
  std::partial_sum(level_start.begin(), level_start.end(), level_start.begin());
  std::vector<uint32_t> renumbered(nodes);
  for (size_t n = 0; n < nodes; ++n) renumbered[n] = level_start[trie[n].depth]++;

  label_.resize(nodes);
  first_pattern_.resize(nodes);
  std::vector<uint32_t> parent_of(nodes);
  for (size_t n = 0; n < nodes; ++n) {
    const uint32_t id = renumbered[n];
    label_[id] = trie[n].label;
    first_pattern_[id] = trie[n].ends_here;
    parent_of[id] = renumbered[trie[n].parent];
  }
  trie.clear();
  trie.shrink_to_fit();
  renumbered.clear();
  renumbered.shrink_to_fit();
  first_child_.assign(nodes + 1, 0);
  for (size_t id = 1; id < nodes; ++id) ++first_child_[parent_of[id] + 1];
  first_child_[0] = 1;
  for (size_t id = 1; id <= nodes; ++id) first_child_[id] += first_child_[id - 1];
  for (uint32_t id = first_child_[0]; id < first_child_[1]; ++id) root_next_[label_[id]] = id;

  // Failure and output links; breadth-first order means every shorter suffix is done before.
  fail_.assign(nodes, 0);
  output_.assign(nodes, 0);
  dictionary_link_.assign(nodes, 0);
  for (size_t id = 1; id < nodes; ++id) {
    const uint32_t up = parent_of[id];
    if (up != 0) fail_[id] = step(fail_[up], label_[id]);
    dictionary_link_[id] = output_[fail_[id]];
    output_[id] = first_pattern_[id] != kNone ? static_cast<uint32_t>(id) : dictionary_link_[id];
  }
}

uint32_t MultiPatternSearch::child(uint32_t node, unsigned char c) const {
  uint32_t low = first_child_[node];
  uint32_t high = first_child_[node + 1];
  if (high - low <= 8) {
    for (uint32_t id = low; id < high; ++id)
      if (label_[id] == c) return id;
    return 0;
  }
  const auto begin = label_.begin() + low;
  const auto it = std::lower_bound(begin, label_.begin() + high, c);
  return it != label_.begin() + high && *it == c ? static_cast<uint32_t>(it - label_.begin()) : 0;
}

}  // namespace kestrum
