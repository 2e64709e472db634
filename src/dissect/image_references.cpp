#include "dissect/image_references.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "core/text.h"
#include "dissect/text_pieces.h"

namespace kestrum {
namespace {

constexpr size_t kTagWindow = 8;
constexpr size_t kBackgroundWindow = 12;
constexpr size_t kYieldEvery = size_t{1} << 20;
constexpr std::string_view kQuote = "\"";

enum : uint8_t { kImageTag = 1, kBackground = 2 };

bool EndsAtIgnoringCase(std::string_view page, size_t end, std::string_view marker) {
  return end >= marker.size() && EqualsNoCase(page.substr(end - marker.size(), marker.size()), marker);
}

// Every position whose 8-character window holds " src=" or "url(" (or is "img src=", which
// holds " src=" three bytes on), and every position where " background=" starts, ascending.
std::vector<std::pair<size_t, uint8_t>> MarkerPositions(std::string_view page, size_t last_position) {
  std::vector<std::pair<size_t, uint8_t>> positions;
  auto add_tag_positions = [&](size_t marker_start, size_t marker_length) {
    const size_t lead = kTagWindow - marker_length;
    const size_t first = marker_start >= lead ? marker_start - lead : 0;
    for (size_t p = first; p <= marker_start && p <= last_position; ++p) positions.emplace_back(p, kImageTag);
  };
  for (size_t j = 0; j < page.size(); ++j) {
    const char c = page[j];
    if (c == '=') {
      if (EndsAtIgnoringCase(page, j, " src")) add_tag_positions(j - 4, 5);
      if (EndsAtIgnoringCase(page, j, " background")) positions.emplace_back(j - 11, kBackground);
    } else if (c == '(' && EndsAtIgnoringCase(page, j, "url")) {
      add_tag_positions(j - 3, 4);
    }
  }
  std::sort(positions.begin(), positions.end());
  // One entry per position, its kinds joined.
  std::vector<std::pair<size_t, uint8_t>> merged;
  for (const auto& [p, kind] : positions) {
    if (!merged.empty() && merged.back().first == p) {
      merged.back().second |= kind;
    } else {
      merged.emplace_back(p, kind);
    }
  }
  return merged;
}

// The reference of an image-tag window, or nothing when a script source is in sight.
std::optional<std::string> ImageTagReference(std::string_view window) {
  if (FindIgnoringCase(window, "script src") != std::string_view::npos) return std::nullopt;
  std::string reference = RemoveDoubleBlanks(window);
  if (ContainsNoCase(reference, "src=\"")) {
    std::string lower = ToLowerAnsi(reference);
    if (Contains(lower, " src=\"")) {
      reference = std::move(lower);
      KeepSecondPiece(reference, " src=\"");
    }
    // Cut at the first quote, so none is left for a second quote cut.
    KeepBefore(reference, kQuote);
  } else if (ContainsNoCase(reference, "src='")) {
    reference = ToLowerAnsi(reference);
    KeepSecondPiece(reference, "src='");
    KeepBefore(reference, " ");
  } else if (ContainsNoCase(reference, "src=")) {
    reference = ToLowerAnsi(reference);
    KeepSecondPiece(reference, "src=");
    KeepBefore(reference, " ");
  } else if (ContainsNoCase(reference, "url(")) {
    KeepSecondPiece(reference, "url(");
    KeepBefore(reference, ")");
  }
  return reference;
}

std::string BackgroundReference(std::string_view window) {
  std::string reference = RemoveDoubleBlanks(window);
  if (ContainsNoCase(reference, " background=")) {
    KeepSecondPiece(reference, " background=\"");
    KeepBefore(reference, kQuote);
  }
  if (ContainsNoCase(reference, " background=")) KeepSecondPiece(reference, " background=");
  if (Contains(reference, kQuote)) {
    KeepSecondPiece(reference, kQuote);
    KeepBefore(reference, kQuote);
  }
  KeepBefore(reference, ">");
  reference = RemoveDoubleBlanks(reference);
  RemoveEvery(reference, "\n");
  if (StartsWith(reference, "'")) reference.erase(0, 1);
  KeepBefore(reference, "' ");
  KeepBefore(reference, "\" ");
  return reference;
}

void FinishReference(std::string reference, size_t minimum_length, const ImageScanHooks& hooks) {
  KeepBefore(reference, ")");
  if (StartsWith(reference, "/")) {
    reference = hooks.host_of_page() + reference;
    if (reference.size() > kImageReferenceLimit) reference.resize(kImageReferenceLimit);
  }
  if (TrimSpaces(reference).size() >= minimum_length && Contains(reference, ".")) hooks.found(reference);
}

}  // namespace

void FindImageReferences(std::string_view page, const ImageScanHooks& hooks) {
  if (page.empty()) return;
  const size_t last_position = page.size() >= kBackgroundWindow ? page.size() - (kBackgroundWindow - 1) : 0;
  size_t next_yield = kYieldEvery;
  for (const auto& [position, kinds] : MarkerPositions(page, last_position)) {
    if (position >= next_yield) {
      if (hooks.yield) hooks.yield();
      next_yield = position + kYieldEvery;
    }
    const std::string_view window = page.substr(position, kImageReferenceLimit);
    if (kinds & kImageTag) {
      if (auto reference = ImageTagReference(window)) FinishReference(std::move(*reference), 3, hooks);
    }
    if (kinds & kBackground) FinishReference(BackgroundReference(window), 1, hooks);
  }
}

}  // namespace kestrum
