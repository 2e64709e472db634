#include "dissect/caseless_index.h"

#include "core/text.h"

namespace kestrum {

uint64_t CaselessIndex::Hash(std::string_view text) {
  uint64_t hash = kHashSeed;
  size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) hash = HashWord(hash, FoldedBytes(text.data() + at, 8));
  return HashEnd(hash, text.data() + at, text.size() - at, text.size());
}

void CaselessIndex::place(size_t number, uint64_t hash) {
  const size_t mask = table_.size() - 1;
  size_t slot = hash & mask;
  while (table_[slot] != 0) slot = (slot + 1) & mask;
  table_[slot] = ((hash >> 32) << 32) | static_cast<uint32_t>(number + 1);
}

void CaselessIndex::reserve(size_t entries) {
  hashes_.reserve(entries);
  size_t size = 1024;
  while (size < entries * 2) size *= 2;
  if (size <= table_.size()) return;
  table_.assign(size, 0);
  for (size_t n = 0; n < hashes_.size(); ++n) place(n, hashes_[n]);
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
