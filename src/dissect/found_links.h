#pragma once
// A page's link candidates with the listing they give, worked out once: the link marks, the
// links list and the executables scan all start from the same candidates.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dissect/link_finder.h"

namespace kestrum {

// What the duplicate test gives for the candidates in order: the distinct items (letter case
// ignored) and, for every candidate that repeats an earlier item, the item it matched.
struct LinkListing {
  std::vector<uint32_t> items;                             // candidate numbers of the items, in order
  std::vector<uint64_t> hashes;                            // CaselessIndex::Hash of each item
  std::vector<std::pair<uint32_t, uint32_t>> duplicates;  // candidate number, item number
};

class FoundLinks {
 public:
  FoundLinks(LinkCandidates candidates);  // NOLINT: a page's candidates are its found links
  explicit FoundLinks(std::string_view source_text) : FoundLinks(FindAllLinks(source_text)) {}

  const LinkCandidates& candidates() const { return candidates_; }
  // Link candidates hold no blank (words are cut at blanks), so the duplicate test's removal of
  // double blanks leaves them as they are, and items are the candidates themselves.
  const LinkListing& listing() const { return listing_; }
  std::string_view item(size_t number) const { return candidates_[listing_.items[number]]; }

 private:
  LinkCandidates candidates_;
  LinkListing listing_;
};

}  // namespace kestrum
