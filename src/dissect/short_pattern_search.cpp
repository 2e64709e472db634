#include "dissect/short_pattern_search.h"

#include <algorithm>
#include <utility>

namespace kestrum {

ShortPatternSearch::ShortPatternSearch(const std::vector<std::string>& patterns) : patterns_(&patterns) {
  hashes_.assign(patterns.size(), 0);
  std::vector<std::pair<uint32_t, uint8_t>> prefix_and_length;
  size_t kept = 0;
  for (size_t p = 0; p < patterns.size(); ++p) {
    const std::string& pattern = patterns[p];
    if (pattern.empty() || pattern.size() > kLongest) continue;
    const unsigned char first = Fold(static_cast<unsigned char>(pattern[0]));
    starts_[first] = true;
    ++kept;
    if (pattern.size() == 1) {
      single_byte_[first].push_back(static_cast<uint32_t>(p));
      continue;
    }
    uint64_t hash = 0;
    for (char c : pattern) hash = Step(hash, Fold(static_cast<unsigned char>(c)));
    hashes_[p] = hash;
    const uint32_t prefix = uint32_t{first} << 8 | Fold(static_cast<unsigned char>(pattern[1]));
    prefix_and_length.emplace_back(prefix, static_cast<uint8_t>(pattern.size()));
  }
  std::sort(prefix_and_length.begin(), prefix_and_length.end());
  prefix_and_length.erase(std::unique(prefix_and_length.begin(), prefix_and_length.end()), prefix_and_length.end());
  prefix_lengths_.assign(65537, 0);
  for (const auto& entry : prefix_and_length) ++prefix_lengths_[entry.first + 1];
  for (size_t k = 1; k < prefix_lengths_.size(); ++k) prefix_lengths_[k] += prefix_lengths_[k - 1];
  lengths_.reserve(prefix_and_length.size());
  for (const auto& entry : prefix_and_length) lengths_.push_back(entry.second);

  size_t slots = 1024;
  while (slots < kept * 2) slots *= 2;
  table_.assign(slots, 0);
  const size_t mask = slots - 1;
  for (size_t p = 0; p < patterns.size(); ++p) {
    if (patterns[p].size() < 2 || patterns[p].size() > kLongest) continue;
    size_t slot = Slot(hashes_[p], patterns[p].size()) & mask;
    while (table_[slot] != 0) slot = (slot + 1) & mask;
    table_[slot] = static_cast<uint32_t>(p + 1);
  }
}

}  // namespace kestrum
