#include "dissect/found_links.h"

#include "dissect/caseless_index.h"

namespace kestrum {

FoundLinks::FoundLinks(LinkCandidates candidates) : candidates_(std::move(candidates)) {
  // A word often gives the same link by two rules, one after the other: such a repeat is a
  // duplicate of what the one before it was or matched, found without a hash. The others are
  // counted first so that the index never grows.
  size_t fresh = 0;
  for (size_t c = 0; c < candidates_.size(); ++c) fresh += candidates_.repeatsPrevious(c) ? 0 : 1;
  std::vector<std::string_view> items;
  items.reserve(fresh);
  CaselessIndex index;
  index.reserve(fresh);
  size_t previous_item = 0;
  for (size_t c = 0; c < candidates_.size(); ++c) {
    if (candidates_.repeatsPrevious(c)) {
      listing_.duplicates.emplace_back(static_cast<uint32_t>(c), static_cast<uint32_t>(previous_item));
      continue;
    }
    const std::string_view candidate = candidates_[c];
    const uint64_t hash = CaselessIndex::Hash(candidate);
    const size_t match = index.find(items, candidate, hash);
    if (match != std::string::npos) {
      listing_.duplicates.emplace_back(static_cast<uint32_t>(c), static_cast<uint32_t>(match));
      previous_item = match;
      continue;
    }
    items.push_back(candidate);
    listing_.items.push_back(static_cast<uint32_t>(c));
    listing_.hashes.push_back(hash);
    index.add(items.size() - 1, hash);
    previous_item = items.size() - 1;
  }
}

}  // namespace kestrum
