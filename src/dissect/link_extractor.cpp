#include "dissect/link_extractor.h"

#include <algorithm>
#include <unordered_set>

#include "core/app_log.h"
#include "core/text.h"
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

void HighlightLinks(Context& ctx, TextPane& source, std::string_view source_text) {
  WriteLog(ctx, kScanningSourceLogLine);
  // Colouring a link once per time it is found gives the same marks as colouring it once: the
  // pane search ignores letter case, so one lower-cased pattern stands for all its spellings.
  std::vector<std::string> patterns;
  std::unordered_set<std::string> seen;
  FindLinks(source_text, [&](std::string& candidate) {
    if (candidate.empty()) return;
    std::string lower = ToLowerAscii(candidate);
    if (seen.insert(lower).second) patterns.push_back(std::move(lower));
  });
  if (patterns.empty()) return;
  seen.clear();

  // Each link's matches are taken left to right without overlap, like repeated pane searches.
  const MultiPatternSearch search(patterns, true);
  std::vector<size_t> free_from(patterns.size(), 0);
  std::vector<TextSpan> spans;
  const std::string text = source.text();
  search.forEachMatch(text, [&](size_t pattern, size_t start) {
    if (start < free_from[pattern]) return;
    free_from[pattern] = start + patterns[pattern].size();
    spans.emplace_back(start, free_from[pattern]);
  });
  if (!spans.empty()) source.applyFormats(RunsCovering(std::move(spans), kBlue, true));
}

}  // namespace kestrum
