#pragma once
// Links of a page: the links list (lvwLinks) and the blue marks in the source pane (rtfSource).
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"
#include "core/seams.h"
#include "dissect/found_links.h"
#include "dissect/link_finder.h"

namespace kestrum {

// Refills the list with every distinct link of the text, in the order found; junk items
// (beginning with "+", or empty) are dropped before the count is logged.
void ExtractLinks(Context& ctx, ItemList& links, std::string_view source_text);
// The same, from the candidates FindAllLinks found in the text.
void ExtractLinks(Context& ctx, ItemList& links, const FoundLinks& found);

// Makes every occurrence (letter case ignored) of every link of the text bold blue in the pane.
void HighlightLinks(Context& ctx, TextPane& source, std::string_view source_text);
// The same, from the candidates FindAllLinks found in the text.
void HighlightLinks(Context& ctx, TextPane& source, const FoundLinks& found);

// The bold blue runs of HighlightLinks: every occurrence in `pane_text` of every link found in
// `source_text`, each link's occurrences taken left to right without overlap.
std::vector<TextFormatRun> LinkHighlightRuns(std::string_view source_text, std::string_view pane_text);
std::vector<TextFormatRun> LinkHighlightRuns(const FoundLinks& found, std::string_view pane_text);

// Items that begin with "+" (pieces of scripts that join strings) and empty ones.
bool IsJunkLink(std::string_view item);
// Removes the items that begin with "+" (pieces of scripts that join strings) and empty ones.
void RemoveJunkLinks(ItemList& list);

inline constexpr const char* kScanningSourceLogLine = "Scanning source .... please wait (this may take a few minutes)";

}  // namespace kestrum
