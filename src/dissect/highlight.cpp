#include "dissect/highlight.h"

#include <algorithm>

#include "dissect/text_pieces.h"

namespace kestrum {

std::vector<TextSpan> FindHighlightSpans(std::string_view text, std::string_view what) {
  std::vector<TextSpan> spans;
  if (what.empty()) return spans;
  size_t from = 0;
  for (;;) {
    const size_t hit = FindIgnoringCase(text, what, from);
    if (hit == std::string_view::npos) break;
    spans.emplace_back(hit, hit + what.size());
    from = hit + what.size();
  }
  return spans;
}

std::vector<TextFormatRun> RunsCovering(std::vector<TextSpan> spans, Rgb color, bool bold) {
  // Searches mostly give their spans in order already.
  if (!std::is_sorted(spans.begin(), spans.end())) std::sort(spans.begin(), spans.end());
  std::vector<TextFormatRun> runs;
  size_t start = 0, end = 0;
  bool open = false;
  for (const auto& [first, last] : spans) {
    if (open && first <= end) {
      end = std::max(end, last);
      continue;
    }
    if (open) runs.push_back({start, end - start, color, bold});
    start = first;
    end = last;
    open = true;
  }
  if (open) runs.push_back({start, end - start, color, bold});
  return runs;
}

int HighlightText(TextPane& view, std::string_view what, Rgb color) {
  const auto text = view.textView();
  const std::vector<TextSpan> spans = text ? FindHighlightSpans(*text, what) : FindHighlightSpans(view.text(), what);
  if (!spans.empty()) view.applyFormats(RunsCovering(spans, color, true));
  return static_cast<int>(spans.size());
}

void HighlightSelection(TextPane& view, size_t start, size_t length, Rgb color) {
  view.select(start, length);
  view.setSelectionColor(color);
  view.setSelectionBold(true);
}

}  // namespace kestrum
