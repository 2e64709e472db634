#pragma once
// An index over a growing list of texts that finds the entry equal to a text when letter
// case is ignored, by hash. The duplicate tests of the scans ask it once per candidate.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace kestrum {

class CaselessIndex {
 public:
  // Hash of the text lower-cased; the same as taking HashWord over its whole eight-byte words and
  // HashEnd over the rest, which lets a search hash a text's growing prefixes as it goes.
  static uint64_t Hash(std::string_view text);
  static constexpr uint64_t kHashSeed = 0x9E3779B97F4A7C15ull;
  static uint64_t HashWord(uint64_t hash, uint64_t folded_word) { return (hash ^ folded_word) * 0xFF51AFD7ED558CCDull; }
  static uint64_t HashEnd(uint64_t hash, const char* tail, size_t tail_bytes, size_t length) {
    return HashFoldedEnd(hash, tail_bytes > 0 ? FoldedBytes(tail, tail_bytes) : 0, tail_bytes, length);
  }
  // The same with the tail's bytes already folded into a word (FoldedBytes or FoldedHead).
  static uint64_t HashFoldedEnd(uint64_t hash, uint64_t folded_tail, size_t tail_bytes, size_t length) {
    if (tail_bytes > 0) hash = (hash ^ folded_tail) * 0xC4CEB9FE1A85EC53ull;
    hash ^= length;
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    return hash ^ (hash >> 29);
  }

  // Number of the entry of `texts` equal to `text` without regard to case, or npos. Only entries
  // recorded with add() are considered.
  template <typename Texts>
  size_t find(const Texts& texts, std::string_view text, uint64_t hash) const {
    if (table_.empty()) return std::string::npos;
    const size_t mask = table_.size() - 1;
    const uint64_t high = hash >> 32;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const uint64_t entry = table_[slot];
      if (entry == 0) return std::string::npos;
      const size_t number = static_cast<uint32_t>(entry) - 1;
      if ((entry >> 32) == high && EqualsNoCase(texts[number], text)) return number;
    }
  }
  // Records entry `number` of the list, whose hash is `hash`; entries are added in order.
  void add(size_t number, uint64_t hash);
  // Room for `entries` without growing.
  void reserve(size_t entries);

 private:
  void place(size_t number, uint64_t hash);

  // Open addressing, at most half full. An entry holds the hash's high half and the text's
  // number + 1 (0 = free), so a probe reads a text only when its hash matches.
  std::vector<uint64_t> table_;
  std::vector<uint64_t> hashes_;  // per entry, for growing the table
};

}  // namespace kestrum
