#pragma once
// Colouring found text in a rich-text pane. Ranges are worked out on the pane's text and handed
// to the pane in one batch, so that thousands of matches cost one repaint.
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "core/seams.h"

namespace kestrum {

// Half-open byte ranges [first, second) of a pane text.
using TextSpan = std::pair<size_t, size_t>;

// Colours and emboldens every occurrence of `what` in the pane (letter case ignored, matches not
// overlapping, the next search starting after the previous match) and returns how many there
// were. The selection stays where it was; an empty `what` finds nothing.
int HighlightText(TextPane& view, std::string_view what, Rgb color);

// The spans of HighlightText's matches in `text`.
std::vector<TextSpan> FindHighlightSpans(std::string_view text, std::string_view what);

// Sorted, overlapping and touching spans joined, as runs of one look.
std::vector<TextFormatRun> RunsCovering(std::vector<TextSpan> spans, Rgb color, bool bold);

// Selects [start, start + length) and makes it bold and coloured, leaving it selected.
void HighlightSelection(TextPane& view, size_t start, size_t length, Rgb color);

}  // namespace kestrum
