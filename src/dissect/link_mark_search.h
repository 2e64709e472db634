#pragma once
// Finds every occurrence of a page's links in its text, letter case ignored, for the link marks.
// Links of 4 to 64 bytes are found by hashing: at each position the four bytes there are looked
// up, and only where some link begins with them are the following bytes hashed, once for each
// length those links have. Links of one to three bytes are looked up by their bytes. Longer
// links, and links that share their first four bytes with links of many other lengths, go to
// the automaton, so that no position of a hostile page costs more than a bounded amount of work.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "dissect/caseless_index.h"
#include "dissect/multi_pattern_search.h"

namespace kestrum {

class LinkMarkSearch {
 public:
  static constexpr size_t kLongest = 64;
  static constexpr size_t kMostLengths = 24;

  // Patterns must be distinct without regard to letter case; empty ones never match. The views
  // must outlive the search.
  // `hashes`, when given, holds CaselessIndex::Hash of each pattern.
  explicit LinkMarkSearch(const std::vector<std::string_view>& patterns, const std::vector<uint64_t>* hashes = nullptr);

  // Calls visit(pattern_number, start) for every occurrence, overlapping ones included; the
  // occurrences of one pattern come in the order of their starts.
  template <typename Visit>
  void forEachMatch(std::string_view text, Visit&& visit) const {
    for (const ShortPattern& pattern : short_patterns_) {
      for (size_t start : shortStarts(text, pattern)) visit(pattern.number, start);
    }
    if (!groups_.empty()) {
      const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
      const size_t size = text.size();
      // Links mostly stand in the text in the order they were found: the pattern after the last
      // one matched is tried before the table, and is read from memory just read.
      size_t guess = 0;
      for (const size_t start : prefixCandidates(text)) {
        const uint32_t prefix = FoldedPrefix(bytes + start);
        const Group* group = groupOf(prefix);
        if (!group) continue;
        // The window's hash for each length, from the hash of its whole eight-byte words so far.
        uint64_t words_hash = CaselessIndex::kHashSeed;
        size_t hashed = 0;
        for (uint32_t k = 0; k < group->count; ++k) {
          const size_t length = lengths_[group->first_length + k];
          if (start + length > size) break;
          for (; hashed + 8 <= length; hashed += 8)
            words_hash = CaselessIndex::HashWord(words_hash, FoldedBytes(text.data() + start + hashed, 8));
          const char* tail = text.data() + start + hashed;
          const size_t tail_bytes = length - hashed;
          const uint64_t folded_tail =
              start + hashed + 8 <= size ? FoldedHead(tail, tail_bytes) : FoldedBytes(tail, tail_bytes);
          const uint64_t hash = CaselessIndex::HashFoldedEnd(words_hash, folded_tail, tail_bytes, length);
          // Patterns are distinct without regard to case: at most one of a length matches here.
          if (guess < hashes_.size() && hashes_[guess] == hash && (*patterns_)[guess].size() == length &&
              EqualsNoCase(text.substr(start, length), (*patterns_)[guess])) {
            visit(guess++, start);
            continue;
          }
          probe(hash, length, [&](uint32_t p) {
            if (!EqualsNoCase(text.substr(start, length), (*patterns_)[p])) return;
            visit(static_cast<size_t>(p), start);
            guess = size_t{p} + 1;
          });
        }
      }
    }
    if (automaton_)
      automaton_->forEachMatch(text, [&](size_t k, size_t start) { visit(automaton_numbers_[k], start); });
  }

  // The first four bytes of `bytes`, folded, the first one lowest.
  static uint32_t FoldedPrefix(const unsigned char* bytes) {
    uint32_t word;
    std::memcpy(&word, bytes, 4);
    if ((word & 0x80808080u) == 0) {
      const uint32_t capitals = ((word + 0x3F3F3F3Fu) ^ (word + 0x25252525u)) & 0x80808080u;
      return word | capitals >> 2;
    }
    return uint32_t{Fold(bytes[0])} | uint32_t{Fold(bytes[1])} << 8 | uint32_t{Fold(bytes[2])} << 16 |
           uint32_t{Fold(bytes[3])} << 24;
  }

 private:
  struct Group {
    uint32_t prefix = 0;
    uint32_t first_length = 0;  // into lengths_, ascending
    uint32_t count = 0;         // 0: a free slot
  };

  static unsigned char Fold(unsigned char byte) { return kAnsiCase.lower[byte]; }
  static uint32_t Spread(uint32_t value) { return value * 0x9E3779B1u; }
  static size_t GroupSlot(uint32_t prefix) { return static_cast<size_t>((uint64_t{prefix} * 0x9E3779B97F4A7C15ull) >> 32); }
  // The probe filter sets two bits of one word per pattern: one memory read per probe, and
  // fewer false answers than one bit.
  size_t ProbeWord(size_t slot_hash) const { return (slot_hash >> 20) & (probe_filter_.size() - 1); }
  static uint64_t ProbeBits(size_t slot_hash) {
    return uint64_t{1} << ((slot_hash >> 52) & 63) | uint64_t{1} << ((slot_hash >> 58) & 63);
  }
  static size_t Slot(uint64_t hash, size_t length) {
    return static_cast<size_t>((hash ^ (hash >> 29)) + length * 0x632BE59BD9B4E019ull);
  }

  bool PrefixMayBegin(uint32_t prefix) const {
    const uint32_t bit = Spread(prefix) >> 16;
    return (prefix_filter_[bit >> 6] >> (bit & 63)) & 1;
  }
  const Group* groupOf(uint32_t prefix) const {
    const size_t mask = groups_.size() - 1;
    for (size_t slot = GroupSlot(prefix) & mask;; slot = (slot + 1) & mask) {
      const Group& group = groups_[slot];
      if (group.count == 0) return nullptr;
      if (group.prefix == prefix) return &group;
    }
  }
  template <typename Each>
  void probe(uint64_t hash, size_t length, Each&& each) const {
    // Most probes find nothing: a bit array of a few bits per pattern, kept in the caches,
    // answers those without reading the table.
    const size_t slot_hash = Slot(hash, length);
    const uint64_t bits = ProbeBits(slot_hash);
    if ((probe_filter_[ProbeWord(slot_hash)] & bits) != bits) return;
    const size_t mask = table_.size() - 1;
    const uint32_t check = static_cast<uint32_t>(hash >> 32);
    for (size_t slot = slot_hash & mask; table_[slot].number != 0; slot = (slot + 1) & mask) {
      const Entry& entry = table_[slot];
      if (entry.check == check && hashes_[entry.number - 1] == hash && (*patterns_)[entry.number - 1].size() == length)
        each(entry.number - 1);
    }
  }
  struct ShortPattern {
    size_t number;
    std::string_view text;
  };
  // Starts of a pattern of one to three bytes, ascending.
  static std::vector<size_t> shortStarts(std::string_view text, const ShortPattern& pattern);
  // Starts whose four bytes pass the prefix filter, ascending.
  std::vector<size_t> prefixCandidates(std::string_view text) const;

  const std::vector<std::string_view>* patterns_;
  static constexpr size_t kFewFirstBytes = 6;
  std::vector<uint8_t> first_bytes_;     // with 0x20 set; empty when many or not all ASCII
  std::vector<uint64_t> prefix_filter_;  // a bit per spread prefix that begins some hashed pattern
  std::vector<Group> groups_;            // open addressing by prefix
  std::vector<uint8_t> lengths_;
  struct Entry {
    uint32_t check = 0;   // the hash's high half
    uint32_t number = 0;  // pattern number + 1; 0 = free
  };
  std::vector<Entry> table_;  // by (hash, length)
  std::vector<uint64_t> hashes_;  // per pattern; 0 for those not hashed
  std::vector<uint64_t> probe_filter_;
  std::vector<ShortPattern> short_patterns_;
  std::vector<std::string> automaton_patterns_;
  std::vector<size_t> automaton_numbers_;
  std::unique_ptr<MultiPatternSearch> automaton_;
};

}  // namespace kestrum
