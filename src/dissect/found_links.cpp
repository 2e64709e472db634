#include "dissect/found_links.h"

#include "dissect/caseless_index.h"

namespace kestrum {

FoundLinks::FoundLinks(LinkCandidates candidates) : candidates_(std::move(candidates)) {
  std::vector<std::string_view> items;
  CaselessIndex index;
  for (size_t c = 0; c < candidates_.size(); ++c) {
    const std::string_view candidate = candidates_[c];
    const uint64_t hash = CaselessIndex::Hash(candidate);
    const size_t match = index.find(items, candidate, hash);
    if (match != std::string::npos) {
      listing_.duplicates.emplace_back(static_cast<uint32_t>(c), static_cast<uint32_t>(match));
      continue;
    }
    items.push_back(candidate);
    listing_.items.push_back(static_cast<uint32_t>(c));
    listing_.hashes.push_back(hash);
    index.add(items.size() - 1, hash);
  }
}

}  // namespace kestrum
