#include "dissect/caseless_index.h"

#include "core/text.h"

namespace kestrum {

uint64_t CaselessIndex::Hash(std::string_view text) {
  uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a over the lower-cased bytes
  for (char c : text) hash = (hash ^ static_cast<unsigned char>(AnsiLower(c))) * 0x100000001b3ull;
  return hash ^ (hash >> 29);
}

size_t CaselessIndex::find(const std::vector<std::string>& texts, std::string_view text, uint64_t hash) const {
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
