#include "dissect/link_extractor.h"

#include <algorithm>

#include "core/app_log.h"
#include "dissect/highlight.h"
#include "dissect/link_finder.h"
#include "dissect/link_mark_search.h"
#include "dissect/listed_items.h"
#include "dissect/log_batch.h"

namespace kestrum {

namespace {

// True when anything was dropped.
bool DropJunkLinks(std::vector<std::string>& items) {
  const auto junk = std::remove_if(items.begin(), items.end(), IsJunkLink);
  const bool dropped = junk != items.end();
  items.erase(junk, items.end());
  return dropped;
}

}  // namespace

bool IsJunkLink(std::string_view item) {
  return item.empty() || item.front() == '+';
}

void RemoveJunkLinks(ItemList& list) {
  std::vector<std::string> items = list.items();
  if (!DropJunkLinks(items)) return;
  list.clear();
  list.addMany(items);
}

namespace {

// The bold blue runs of every occurrence of every link found.
std::vector<TextFormatRun> RunsOfCandidates(std::string_view pane_text, const FoundLinks& found) {
  // Colouring a link once per time it is found gives the same marks as colouring it once, and the
  // pane search ignores letter case, so one pattern, the listed item, stands for all spellings.
  std::vector<std::string_view> patterns;
  std::vector<uint64_t> hashes;
  patterns.reserve(found.listing().items.size());
  hashes.reserve(found.listing().items.size());
  for (size_t i = 0; i < found.listing().items.size(); ++i) {
    if (found.item(i).empty()) continue;
    patterns.push_back(found.item(i));
    hashes.push_back(found.listing().hashes[i]);
  }
  if (patterns.empty()) return {};

  // Each link's matches are taken left to right without overlap, like repeated pane searches;
  // the search gives one pattern's matches in the order of their starts.
  std::vector<size_t> free_from(patterns.size(), 0);
  std::vector<TextSpan> spans;
  LinkMarkSearch(patterns, &hashes).forEachMatch(pane_text, [&](size_t pattern, size_t start) {
    if (start < free_from[pattern]) return;
    free_from[pattern] = start + patterns[pattern].size();
    spans.emplace_back(start, free_from[pattern]);
  });
  return RunsCovering(std::move(spans), kBlue, true);
}

void ApplyRuns(TextPane& source, const std::vector<TextFormatRun>& runs) {
  if (!runs.empty()) source.applyFormats(runs);
}

}  // namespace

void ExtractLinks(Context& ctx, ItemList& links, std::string_view source_text) {
  ExtractLinks(ctx, links, FoundLinks(source_text));
}

void ExtractLinks(Context& ctx, ItemList& links, const FoundLinks& found) {
  // The duplicate test was made once for the candidates; its log lines are written as the list
  // walk writes them.
  WriteLog(ctx, kScanningSourceLogLine);
  ListScan scan(links);
  {
    LogBatch log(ctx);
    for (const auto& [candidate, item] : found.listing().duplicates)
      AddDuplicateLine(log, found.item(item), found.candidates()[candidate]);
  }
  // Junk stays listed during the test (later copies are still duplicates) and goes at the end.
  std::vector<std::string_view> items;
  items.reserve(found.listing().items.size());
  for (size_t i = 0; i < found.listing().items.size(); ++i)
    if (!IsJunkLink(found.item(i))) items.push_back(found.item(i));
  scan.finish(ctx, items, "Links found: ");
}

std::vector<TextFormatRun> LinkHighlightRuns(std::string_view source_text, std::string_view pane_text) {
  return RunsOfCandidates(pane_text, FoundLinks(source_text));
}

std::vector<TextFormatRun> LinkHighlightRuns(const FoundLinks& found, std::string_view pane_text) {
  return RunsOfCandidates(pane_text, found);
}

void HighlightLinks(Context& ctx, TextPane& source, std::string_view source_text) {
  HighlightLinks(ctx, source, FoundLinks(source_text));
}

void HighlightLinks(Context& ctx, TextPane& source, const FoundLinks& found) {
  WriteLog(ctx, kScanningSourceLogLine);
  std::string copy;
  ApplyRuns(source, LinkHighlightRuns(found, source.textIn(copy)));
}

}  // namespace kestrum
