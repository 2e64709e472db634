#include "dissect/multi_pattern_search.h"

#include <algorithm>
#include <utility>

#include "core/text.h"

namespace kestrum {

MultiPatternSearch::MultiPatternSearch(const std::vector<std::string>& patterns, bool ignore_case) {
  for (size_t b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    fold_[b] = static_cast<unsigned char>(ignore_case ? AsciiLower(c) : c);
  }

  // The trie, children as sibling chains while it grows.
  std::vector<uint32_t> first_child(1, 0), next_sibling(1, 0);
  std::vector<unsigned char> label(1, 0);
  first_pattern_.assign(1, kNone);
  next_pattern_.assign(patterns.size(), kNone);
  lengths_.resize(patterns.size());
  for (size_t p = 0; p < patterns.size(); ++p) {
    const std::string& pattern = patterns[p];
    lengths_[p] = pattern.size();
    if (pattern.empty()) continue;
    uint32_t node = 0;
    for (char raw : pattern) {
      const unsigned char c = fold_[static_cast<unsigned char>(raw)];
      uint32_t next = node == 0 ? root_next_[c] : 0;
      if (node != 0) {
        for (uint32_t k = first_child[node]; k != 0; k = next_sibling[k])
          if (label[k] == c) {
            next = k;
            break;
          }
      }
      if (next == 0) {
        next = static_cast<uint32_t>(label.size());
        label.push_back(c);
        first_child.push_back(0);
        next_sibling.push_back(first_child[node]);
        first_child[node] = next;
        first_pattern_.push_back(kNone);
        if (node == 0) root_next_[c] = next;
      }
      node = next;
    }
    // Keep patterns of one node in their given order.
    uint32_t* slot = &first_pattern_[node];
    while (*slot != kNone) slot = &next_pattern_[*slot];
    *slot = static_cast<uint32_t>(p);
  }

  // Children laid out side by side, sorted by label, for the search.
  const size_t nodes = label.size();
  edge_begin_.assign(nodes + 1, 0);
  std::vector<std::pair<unsigned char, uint32_t>> children;
  for (size_t n = 0; n < nodes; ++n) {
    edge_begin_[n] = static_cast<uint32_t>(edge_labels_.size());
    if (n == 0) continue;  // the root uses its table
    children.clear();
    for (uint32_t k = first_child[n]; k != 0; k = next_sibling[k]) children.emplace_back(label[k], k);
    std::sort(children.begin(), children.end());
    for (const auto& [c, target] : children) {
      edge_labels_.push_back(c);
      edge_targets_.push_back(target);
    }
  }
  edge_begin_[nodes] = static_cast<uint32_t>(edge_labels_.size());

  // Failure and output links, breadth first so that every shorter suffix is done before.
  fail_.assign(nodes, 0);
  output_.assign(nodes, 0);
  dictionary_link_.assign(nodes, 0);
  std::vector<uint32_t> queue;
  queue.reserve(nodes);
  for (size_t c = 0; c < 256; ++c) {
    const uint32_t v = root_next_[c];
    if (v == 0) continue;
    output_[v] = first_pattern_[v] != kNone ? v : 0;
    queue.push_back(v);
  }
  for (size_t head = 0; head < queue.size(); ++head) {
    const uint32_t u = queue[head];
    for (uint32_t e = edge_begin_[u]; e < edge_begin_[u + 1]; ++e) {
      const uint32_t v = edge_targets_[e];
      fail_[v] = step(fail_[u], edge_labels_[e]);
      dictionary_link_[v] = output_[fail_[v]];
      output_[v] = first_pattern_[v] != kNone ? v : dictionary_link_[v];
      queue.push_back(v);
    }
  }
}

uint32_t MultiPatternSearch::child(uint32_t node, unsigned char c) const {
  uint32_t low = edge_begin_[node];
  uint32_t high = edge_begin_[node + 1];
  if (high - low <= 8) {
    for (uint32_t e = low; e < high; ++e)
      if (edge_labels_[e] == c) return edge_targets_[e];
    return 0;
  }
  while (low < high) {
    const uint32_t mid = low + (high - low) / 2;
    if (edge_labels_[mid] < c) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low < edge_begin_[node + 1] && edge_labels_[low] == c ? edge_targets_[low] : 0;
}

}  // namespace kestrum
