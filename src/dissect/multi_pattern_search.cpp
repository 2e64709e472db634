#include "dissect/multi_pattern_search.h"

#include <algorithm>
#include <numeric>

#include "core/text.h"

namespace kestrum {

MultiPatternSearch::MultiPatternSearch(const std::vector<std::string>& patterns, bool ignore_case) {
  for (size_t b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    fold_[b] = static_cast<unsigned char>(ignore_case ? AnsiLower(c) : c);
  }
  lengths_.resize(patterns.size());
  next_pattern_.assign(patterns.size(), kNone);
  for (size_t p = 0; p < patterns.size(); ++p) lengths_[p] = patterns[p].size();

  // Patterns in sorted order give the trie's nodes in depth-first order without any search for
  // an existing child: a pattern shares its common prefix with the one before it.
  std::vector<std::string> folded;
  const bool fold = ignore_case && std::any_of(patterns.begin(), patterns.end(), [](const std::string& p) {
                      return std::any_of(p.begin(), p.end(), [](char c) { return AnsiLower(c) != c; });
                    });
  if (fold) {
    folded.reserve(patterns.size());
    for (const auto& pattern : patterns) folded.push_back(ToLowerAnsi(pattern));
  }
  const std::vector<std::string>& keys = fold ? folded : patterns;
  std::vector<uint32_t> order(patterns.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });

  // Depth-first nodes: parent and label; every pattern's last node.
  size_t total_length = 1;
  for (const auto& key : keys) total_length += key.size();
  std::vector<uint32_t> parent(1, 0);
  std::vector<unsigned char> label(1, 0);
  parent.reserve(total_length);  // upper bounds; pages beyond the nodes made are never touched
  label.reserve(total_length);
  std::vector<uint32_t> end_node(patterns.size(), kNone);
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
      path[d + 1] = static_cast<uint32_t>(label.size());
      parent.push_back(path[d]);
      label.push_back(static_cast<unsigned char>(key[d]));
    }
    end_node[p] = path[key.size()];
    previous = &key;
  }
  folded.clear();
  folded.shrink_to_fit();

  // Node numbers: walking the nodes depth first, each node's children get the next free numbers
  // side by side, in label order. The children of a node are then one block, and a chain of single
  // children (the unique tail of a link) lies in consecutive records, read in order as the search
  // follows the link through the page.
  const size_t nodes = label.size();
  std::vector<uint32_t> slot(nodes, 0);  // children count, then the number of the next child
  for (size_t n = 1; n < nodes; ++n) ++slot[parent[n]];
  std::vector<uint32_t> number(nodes, 0);
  nodes_.resize(nodes);
  uint32_t next_free = 1;
  for (size_t n = 0; n < nodes; ++n) {
    const uint32_t id = n == 0 ? 0 : slot[parent[n]]++;
    number[n] = id;
    Node& node = nodes_[id];
    node.label = label[n];
    node.fail = number[parent[n]];  // the parent, until the failure links are made
    node.first_child = next_free;
    node.child_count = static_cast<uint16_t>(slot[n]);
    next_free += slot[n];
    slot[n] = node.first_child;
  }
  std::vector<uint32_t>().swap(slot);
  std::vector<uint32_t>().swap(parent);
  std::vector<unsigned char>().swap(label);
  for (uint32_t k = 0; k < nodes_[0].child_count; ++k) {
    const uint32_t id = nodes_[0].first_child + k;
    root_next_[nodes_[id].label] = id;
  }

  // Pattern ends, in the given order of the patterns; equal patterns share one.
  for (size_t p = 0; p < patterns.size(); ++p) {
    if (end_node[p] == kNone) continue;
    uint32_t& end = nodes_[number[end_node[p]]].output;
    if (end == 0) {
      pattern_ends_.push_back({static_cast<uint32_t>(p), 0});
      end = static_cast<uint32_t>(pattern_ends_.size());
    } else {
      uint32_t* next = &pattern_ends_[end - 1].first_pattern;
      while (*next != kNone) next = &next_pattern_[*next];
      *next = static_cast<uint32_t>(p);
    }
  }

  // Failure and output links, breadth first so that every shorter suffix is done before.
  std::vector<uint32_t>& queue = number;  // reused
  queue.clear();
  queue.push_back(0);
  for (size_t head = 0; head < queue.size(); ++head) {
    const Node& up = nodes_[queue[head]];
    for (uint32_t k = 0; k < up.child_count; ++k) queue.push_back(up.first_child + k);
  }
  for (size_t i = 1; i < queue.size(); ++i) {
    Node& node = nodes_[queue[i]];
    const uint32_t up = node.fail;
    node.fail = up == 0 ? 0 : step(nodes_[up].fail, node.label);
    const uint32_t suffix_output = nodes_[node.fail].output;
    if (node.output != 0) {
      pattern_ends_[node.output - 1].shorter = suffix_output;
    } else {
      node.output = suffix_output;
    }
  }
}

uint32_t MultiPatternSearch::child(uint32_t node, unsigned char c) const {
  uint32_t low = nodes_[node].first_child;
  uint32_t high = low + nodes_[node].child_count;
  if (high - low > 8) {
    const uint32_t end = high;
    while (low < high) {
      const uint32_t mid = low + (high - low) / 2;
      if (nodes_[mid].label < c) {
        low = mid + 1;
      } else {
        high = mid;
      }
    }
    return low < end && nodes_[low].label == c ? low : 0;
  }
  for (uint32_t id = low; id < high; ++id)
    if (nodes_[id].label == c) return id;
  return 0;
}

}  // namespace kestrum
