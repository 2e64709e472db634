#include "dissect/marker_finder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/text.h"

namespace kestrum {

bool MarkerAt(std::string_view text, size_t position, std::string_view marker) {
  if (position > text.size() || text.size() - position < marker.size()) return false;
  for (size_t k = 0; k < marker.size(); ++k)
    if (AnsiLower(text[position + k]) != AnsiLower(marker[k])) return false;
  return true;
}

MarkerFinder::MarkerFinder(const std::vector<std::string_view>& markers) : markers_(markers) {
  for (std::string_view marker : markers) {
    first_.push_back(static_cast<uint8_t>(marker.size() > 0 ? marker[0] | 0x20 : 0));
    second_.push_back(static_cast<uint8_t>(marker.size() > 1 ? marker[1] | 0x20 : 0));
  }
  // Markers that begin alike ("script>" and "script ", the three refresh markers) share a test.
  for (size_t m = 0; m < markers_.size(); ++m) {
    bool seen = false;
    for (size_t k = 0; k < pair_first_.size(); ++k)
      seen = seen || (pair_first_[k] == first_[m] && pair_second_[k] == second_[m]);
    if (seen) continue;
    pair_first_.push_back(first_[m]);
    pair_second_.push_back(second_[m]);
  }
}

void MarkerFinder::testPosition(std::string_view text, size_t position, std::vector<std::vector<size_t>>& found) const {
  const auto first = static_cast<uint8_t>(text[position] | 0x20);
  const auto second = position + 1 < text.size() ? static_cast<uint8_t>(text[position + 1] | 0x20) : uint8_t{0};
  for (size_t m = 0; m < markers_.size(); ++m)
    if (first == first_[m] && second == second_[m] && MarkerAt(text, position, markers_[m]))
      found[m].push_back(position);
}

std::vector<std::vector<size_t>> MarkerFinder::findAll(std::string_view text) const {
  std::vector<std::vector<size_t>> found(markers_.size());
  if (markers_.empty()) return found;
  const size_t size = text.size();
  size_t position = 0;
#if defined(__SSE2__)
  // A byte or'ed with 0x20 equals a lower-case ASCII letter only when it is that letter in either
  // case, and equals any other ASCII byte at least when it is that byte: a filter that never
  // misses a marker. Every position that passes is compared in full.
  const __m128i case_bit = _mm_set1_epi8(0x20);
  for (; position + 17 <= size; position += 16) {
    const auto* at = reinterpret_cast<const __m128i*>(text.data() + position);
    const __m128i here = _mm_or_si128(_mm_loadu_si128(at), case_bit);
    const __m128i next =
        _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + position + 1)), case_bit);
    int candidates = 0;
    for (size_t k = 0; k < pair_first_.size(); ++k) {
      const __m128i first = _mm_cmpeq_epi8(here, _mm_set1_epi8(static_cast<char>(pair_first_[k])));
      const __m128i second = _mm_cmpeq_epi8(next, _mm_set1_epi8(static_cast<char>(pair_second_[k])));
      candidates |= _mm_movemask_epi8(_mm_and_si128(first, second));
    }
    while (candidates != 0) {
      const int bit = __builtin_ctz(static_cast<unsigned>(candidates));
      testPosition(text, position + static_cast<size_t>(bit), found);
      candidates &= candidates - 1;
    }
  }
#endif
  for (; position < size; ++position) testPosition(text, position, found);
  return found;
}

}  // namespace kestrum
