#pragma once
// Finds every occurrence of a few short ASCII markers ("<iframe", "location.href", ...) in one
// pass over a page, letter case ignored. Sixteen positions are tested at a time on the markers'
// first two bytes; only the rare positions that pass are compared in full. One pass replaces a
// search of the whole page per marker.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrum {

class MarkerFinder {
 public:
  // Markers of two bytes or more, ASCII only. The vector of views must outlive the finder.
  explicit MarkerFinder(const std::vector<std::string_view>& markers);

  // Every occurrence of every marker, overlapping ones included: positions[marker] ascending.
  std::vector<std::vector<size_t>> findAll(std::string_view text) const;

 private:
  void testPosition(std::string_view text, size_t position, std::vector<std::vector<size_t>>& found) const;

  const std::vector<std::string_view>& markers_;
  // The markers' first two bytes with 0x20 set: equal for a byte and its ASCII capital.
  std::vector<uint8_t> first_, second_;
  std::vector<uint8_t> pair_first_, pair_second_;  // each distinct pair of them once
};

// Whether `text` holds `marker` at `position`, letter case ignored.
bool MarkerAt(std::string_view text, size_t position, std::string_view marker);

}  // namespace kestrum
