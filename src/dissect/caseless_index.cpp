#include "dissect/caseless_index.h"

#include <cstring>

#include "core/text.h"

namespace kestrum {

namespace {

// Eight bytes folded to lower case: by arithmetic when all are ASCII (the usual case for links),
// by the code page's table otherwise.
uint64_t FoldedWord(const char* bytes, size_t count) {
  uint64_t word = 0;
  std::memcpy(&word, bytes, count);
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  if ((word & kHighBits) == 0) {
    const uint64_t at_least_a = word + 0x3F3F3F3F3F3F3F3Full;      // high bit set from 'A' on
    const uint64_t beyond_z = word + 0x2525252525252525ull;        // high bit set past 'Z'
    return word | (((at_least_a ^ beyond_z) & kHighBits) >> 2);    // 0x20 on each capital
  }
  uint64_t folded = 0;
  for (size_t k = 0; k < count; ++k)
    folded |= uint64_t{static_cast<unsigned char>(AnsiLower(bytes[k]))} << (8 * k);
  return folded;
}

}  // namespace

uint64_t CaselessIndex::Hash(std::string_view text) {
  uint64_t hash = 0x9E3779B97F4A7C15ull ^ text.size();
  size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) hash = (hash ^ FoldedWord(text.data() + at, 8)) * 0xFF51AFD7ED558CCDull;
  if (at < text.size()) hash = (hash ^ FoldedWord(text.data() + at, text.size() - at)) * 0xC4CEB9FE1A85EC53ull;
  hash ^= hash >> 33;
  hash *= 0xFF51AFD7ED558CCDull;
  return hash ^ (hash >> 29);
}

void CaselessIndex::place(size_t number, uint64_t hash) {
  const size_t mask = table_.size() - 1;
  size_t slot = hash & mask;
  while (table_[slot] != 0) slot = (slot + 1) & mask;
  table_[slot] = ((hash >> 32) << 32) | static_cast<uint32_t>(number + 1);
}

void CaselessIndex::add(size_t number, uint64_t hash) {
  hashes_.push_back(hash);
  if (hashes_.size() * 2 <= table_.size()) {
    place(number, hash);
    return;
  }
  table_.assign(table_.empty() ? 1024 : table_.size() * 2, 0);
  for (size_t n = 0; n < hashes_.size(); ++n) place(n, hashes_[n]);
}

}  // namespace kestrum
