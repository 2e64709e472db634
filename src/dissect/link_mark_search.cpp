#include "dissect/link_mark_search.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrum {
namespace {

void SetBit(std::vector<uint64_t>& bits, uint32_t bit) {
  bits[bit >> 6] |= uint64_t{1} << (bit & 63);
}

size_t TableSizeFor(size_t entries) {
  size_t size = 16;
  while (size < entries * 2) size *= 2;
  return size;
}

}  // namespace

LinkMarkSearch::LinkMarkSearch(const std::vector<std::string_view>& patterns, const std::vector<uint64_t>* hashes)
    : patterns_(&patterns) {
  prefix_filter_.assign(size_t{1} << 10, 0);
  auto prefix_of = [&](size_t p) { return FoldedPrefix(reinterpret_cast<const unsigned char*>(patterns[p].data())); };

  // Hashed patterns by prefix, gathered in a table of prefixes with a bit for each length (4 to
  // kLongest); a prefix with too many lengths sends its patterns to the automaton.
  std::vector<uint32_t> sized;  // patterns of 4 to kLongest bytes
  for (size_t p = 0; p < patterns.size(); ++p) {
    const std::string_view pattern = patterns[p];
    if (pattern.empty()) continue;
    if (pattern.size() < 4) {
      short_patterns_.push_back({p, pattern});
    } else if (pattern.size() > kLongest) {
      automaton_numbers_.push_back(p);
    } else {
      sized.push_back(static_cast<uint32_t>(p));
    }
  }
  struct PrefixLengths {
    uint32_t prefix = 0;
    bool used = false;
    uint64_t length_bits = 0;
  };
  std::vector<PrefixLengths> prefixes(TableSizeFor(sized.size()));
  auto prefix_slot = [&](uint32_t prefix) -> PrefixLengths& {
    const size_t mask = prefixes.size() - 1;
    size_t slot = GroupSlot(prefix) & mask;
    while (prefixes[slot].used && prefixes[slot].prefix != prefix) slot = (slot + 1) & mask;
    prefixes[slot].used = true;
    prefixes[slot].prefix = prefix;
    return prefixes[slot];
  };
  std::vector<const PrefixLengths*> group_of(sized.size());
  for (size_t k = 0; k < sized.size(); ++k) {
    PrefixLengths& entry = prefix_slot(prefix_of(sized[k]));
    entry.length_bits |= uint64_t{1} << (patterns[sized[k]].size() - 1);
    group_of[k] = &entry;
  }
  std::vector<uint32_t> hashed;
  hashed.reserve(sized.size());
  for (size_t k = 0; k < sized.size(); ++k) {
    if (__builtin_popcountll(group_of[k]->length_bits) > static_cast<int>(kMostLengths)) {
      automaton_numbers_.push_back(sized[k]);
    } else {
      hashed.push_back(sized[k]);
    }
  }
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> kept_groups;
  for (const PrefixLengths& entry : prefixes) {
    if (!entry.used || __builtin_popcountll(entry.length_bits) > static_cast<int>(kMostLengths)) continue;
    std::vector<uint8_t> lengths;
    for (uint64_t bits = entry.length_bits; bits != 0; bits &= bits - 1)
      lengths.push_back(static_cast<uint8_t>(__builtin_ctzll(bits) + 1));
    kept_groups.emplace_back(entry.prefix, std::move(lengths));
  }

  // The first bytes of the hashed links, for the block test: only while they are few and ASCII.
  for (const auto& group : kept_groups) {
    const auto first = static_cast<uint8_t>((group.first & 0xFF) | 0x20);
    if ((group.first & 0x80) != 0 || first_bytes_.size() > kFewFirstBytes) break;
    if (std::find(first_bytes_.begin(), first_bytes_.end(), first) == first_bytes_.end()) first_bytes_.push_back(first);
  }
  const bool few_ascii = std::all_of(kept_groups.begin(), kept_groups.end(),
                                     [](const auto& group) { return (group.first & 0x80) == 0; });
  if (!few_ascii || first_bytes_.size() > kFewFirstBytes) first_bytes_.clear();

  groups_.assign(kept_groups.empty() ? 0 : TableSizeFor(kept_groups.size()), Group{});
  for (auto& [prefix, lengths] : kept_groups) {
    SetBit(prefix_filter_, Spread(prefix) >> 16);
    const size_t mask = groups_.size() - 1;
    size_t slot = GroupSlot(prefix) & mask;
    while (groups_[slot].count != 0) slot = (slot + 1) & mask;
    groups_[slot] = {prefix, static_cast<uint32_t>(lengths_.size()), static_cast<uint32_t>(lengths.size())};
    lengths_.insert(lengths_.end(), lengths.begin(), lengths.end());
  }

  table_.assign(TableSizeFor(hashed.size()), Entry{});
  hashes_.assign(patterns.size(), 0);
  // Eight bits a pattern: small enough to stay in the second-level cache for a page of a few
  // hundred thousand links.
  probe_filter_.assign(std::max<size_t>(1, TableSizeFor(hashed.size()) / 16), 0);
  const size_t mask = table_.size() - 1;
  for (uint32_t p : hashed) {
    const std::string_view pattern = patterns[p];
    const uint64_t hash = hashes ? (*hashes)[p] : CaselessIndex::Hash(pattern);
    hashes_[p] = hash;
    const size_t slot_hash = Slot(hash, pattern.size());
    probe_filter_[ProbeWord(slot_hash)] |= ProbeBits(slot_hash);
    size_t slot = slot_hash & mask;
    while (table_[slot].number != 0) slot = (slot + 1) & mask;
    table_[slot] = {static_cast<uint32_t>(hash >> 32), p + 1};
  }

  if (!automaton_numbers_.empty()) {
    std::sort(automaton_numbers_.begin(), automaton_numbers_.end());
    for (size_t p : automaton_numbers_) automaton_patterns_.emplace_back(patterns[p]);
    automaton_ = std::make_unique<MultiPatternSearch>(automaton_patterns_, true);
  }
}

std::vector<size_t> LinkMarkSearch::shortStarts(std::string_view text, const ShortPattern& pattern) {
  // Every spelling of the first byte, found by memchr; the rest compared where it stands.
  std::vector<size_t> starts;
  const char lower = AnsiLower(pattern.text[0]), upper = AnsiUpper(lower);
  for (const char first : {lower, upper}) {
    const char* from = text.data();
    const char* const end = text.data() + text.size();
    while (from < end) {
      const auto* hit = static_cast<const char*>(std::memchr(from, first, static_cast<size_t>(end - from)));
      if (!hit) break;
      const size_t start = static_cast<size_t>(hit - text.data());
      if (EqualsNoCase(text.substr(start, pattern.text.size()), pattern.text)) starts.push_back(start);
      from = hit + 1;
    }
    if (upper == lower) break;
  }
  std::sort(starts.begin(), starts.end());
  return starts;
}

std::vector<size_t> LinkMarkSearch::prefixCandidates(std::string_view text) const {
  std::vector<size_t> candidates;
  if (text.size() < 4) return candidates;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const uint64_t* filter = prefix_filter_.data();
  const size_t last = text.size() - 4;
  auto test = [&](size_t start) {
    const uint32_t bit = Spread(FoldedPrefix(bytes + start)) >> 16;
    if ((filter[bit >> 6] >> (bit & 63)) & 1) candidates.push_back(start);
  };
  size_t start = 0;
#if defined(__SSE2__)
  // Sixteen positions at a time are tested on their first byte against the few bytes that begin
  // a hashed link (a byte or'ed with 0x20 equals a lower-case letter only when it is that letter).
  if (!first_bytes_.empty()) {
    const __m128i case_bit = _mm_set1_epi8(0x20);
    for (; start + 16 <= last + 1; start += 16) {
      const __m128i block =
          _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + start)), case_bit);
      __m128i any = _mm_setzero_si128();
      for (const uint8_t first : first_bytes_)
        any = _mm_or_si128(any, _mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(first))));
      for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(any)); mask != 0; mask &= mask - 1)
        test(start + static_cast<size_t>(__builtin_ctz(mask)));
    }
  }
#endif
  for (; start <= last; ++start) test(start);
  return candidates;
}

}  // namespace kestrum
