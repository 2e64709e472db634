#pragma once
// Finds every occurrence of many short patterns, letter case ignored, by hashing. At each position
// whose first two bytes begin some pattern, the hash of the following bytes is looked up once for
// each length that patterns beginning with those two bytes have, and a hit is compared in full.
// Thousands of links share long prefixes ("http://www.example.com/..."); an automaton for them
// needs a node per distinct byte of every link, tens of megabytes read at random.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace kestrum {

class ShortPatternSearch {
 public:
  static constexpr size_t kLongest = 128;

  // Patterns that are empty or longer than kLongest are left out (never reported); the vector
  // must outlive the search.
  explicit ShortPatternSearch(const std::vector<std::string>& patterns);

  // Calls visit(pattern_number, start) for every occurrence, overlapping ones included, in order
  // of their starts (for one start, shorter patterns first).
  template <typename Visit>
  void forEachMatch(std::string_view text, Visit&& visit) const {
    const size_t size = text.size();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < size; ++i) {
      const unsigned char first = Fold(bytes[i]);
      if (!starts_[first]) continue;
      for (uint32_t p : single_byte_[first]) visit(static_cast<size_t>(p), i);
      if (i + 1 >= size) break;
      const size_t prefix = size_t{first} << 8 | Fold(bytes[i + 1]);
      const uint32_t lengths_begin = prefix_lengths_[prefix], lengths_end = prefix_lengths_[prefix + 1];
      if (lengths_begin == lengths_end) continue;
      uint64_t hash = 0;
      size_t hashed = 0;
      for (uint32_t k = lengths_begin; k < lengths_end; ++k) {
        const size_t length = lengths_[k];
        if (i + length > size) break;
        for (; hashed < length; ++hashed) hash = Step(hash, Fold(bytes[i + hashed]));
        probe(hash, length, [&](uint32_t p) {
          if (EqualsNoCase(text.substr(i, length), (*patterns_)[p])) visit(static_cast<size_t>(p), i);
        });
      }
    }
  }

 private:
  static unsigned char Fold(unsigned char byte) { return kAnsiCase.lower[byte]; }
  static uint64_t Step(uint64_t hash, unsigned char byte) { return (hash + byte + 1) * 0x9E3779B97F4A7C15ull; }
  static uint64_t Slot(uint64_t hash, size_t length) { return (hash ^ (hash >> 29)) + length * 0x632BE59BD9B4E019ull; }

  template <typename Each>
  void probe(uint64_t hash, size_t length, Each&& each) const {
    const size_t mask = table_.size() - 1;
    for (size_t slot = Slot(hash, length) & mask; table_[slot] != 0; slot = (slot + 1) & mask) {
      const uint32_t p = table_[slot] - 1;
      if (hashes_[p] == hash && (*patterns_)[p].size() == length) each(p);
    }
  }

  const std::vector<std::string>* patterns_;
  bool starts_[256] = {};
  std::vector<uint32_t> single_byte_[256];
  // Per two-byte prefix (folded), the range of lengths_ (ascending, distinct) of its patterns.
  std::vector<uint32_t> prefix_lengths_;
  std::vector<uint8_t> lengths_;
  std::vector<uint64_t> hashes_;  // per pattern
  std::vector<uint32_t> table_;   // pattern number + 1, 0 = free; at most half full
};

}  // namespace kestrum
