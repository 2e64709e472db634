#include "dissect/link_extractor.h"

#include <algorithm>

#include "core/app_log.h"
#include "dissect/caseless_index.h"
#include "dissect/highlight.h"
#include "dissect/link_finder.h"
#include "dissect/listed_items.h"
#include "dissect/multi_pattern_search.h"

namespace kestrum {

namespace {

bool IsJunkLink(const std::string& item) { return item.empty() || item.front() == '+'; }

// True when anything was dropped.
bool DropJunkLinks(std::vector<std::string>& items) {
  const auto junk = std::remove_if(items.begin(), items.end(), IsJunkLink);
  const bool dropped = junk != items.end();
  items.erase(junk, items.end());
  return dropped;
}

}  // namespace

void RemoveJunkLinks(ItemList& list) {
  std::vector<std::string> items = list.items();
  if (!DropJunkLinks(items)) return;
  list.clear();
  list.addMany(items);
}

void ExtractLinks(Context& ctx, ItemList& links, std::string_view source_text) {
  WriteLog(ctx, kScanningSourceLogLine);
  ListScan scan(links);
  ListedItems listed(ctx);
  FindLinks(source_text, [&](std::string& candidate) { listed.addIfNew(candidate); });
  // Junk stays listed during the scan (later copies are still duplicates) and goes at the end.
  std::vector<std::string> items = listed.take();
  DropJunkLinks(items);
  scan.finish(ctx, std::move(items), "Links found: ");
}

std::vector<TextFormatRun> LinkHighlightRuns(std::string_view source_text, std::string_view pane_text) {
  // Colouring a link once per time it is found gives the same marks as colouring it once, and the
  // pane search ignores letter case, so one pattern stands for all spellings of a link.
  std::vector<std::string> patterns;
  CaselessIndex distinct;
  FindLinks(source_text, [&](std::string& candidate) {
    if (candidate.empty()) return;
    const uint64_t hash = CaselessIndex::Hash(candidate);
    if (distinct.find(patterns, candidate, hash) != std::string::npos) return;
    patterns.push_back(std::move(candidate));
    distinct.add(patterns.size() - 1, hash);
  });
  if (patterns.empty()) return {};

  // Each link's matches are taken left to right without overlap, like repeated pane searches.
  std::vector<size_t> free_from(patterns.size(), 0);
  std::vector<TextSpan> spans;
  MultiPatternSearch(patterns, true).forEachMatch(pane_text, [&](size_t pattern, size_t start) {
    if (start < free_from[pattern]) return;
    free_from[pattern] = start + patterns[pattern].size();
    spans.emplace_back(start, free_from[pattern]);
  });
  return RunsCovering(std::move(spans), kBlue, true);
}

void HighlightLinks(Context& ctx, TextPane& source, std::string_view source_text) {
  WriteLog(ctx, kScanningSourceLogLine);
  const std::vector<TextFormatRun> runs = LinkHighlightRuns(source_text, source.text());
  if (!runs.empty()) source.applyFormats(runs);
}

}  // namespace kestrum
