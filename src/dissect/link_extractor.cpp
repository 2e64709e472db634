#include "dissect/link_extractor.h"

#include <algorithm>

#include "core/app_log.h"
#include "dissect/caseless_index.h"
#include "dissect/highlight.h"
#include "dissect/link_finder.h"
#include "dissect/listed_items.h"
#include "dissect/link_mark_search.h"

namespace kestrum {

namespace {

bool IsJunkLink(const std::string& item) {
  return item.empty() || item.front() == '+';
}

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

namespace {

// The links list from candidates in the order found: `for_each` calls its argument with each.
template <typename ForEachCandidate>
void FillLinksList(Context& ctx, ItemList& links, ForEachCandidate&& for_each) {
  WriteLog(ctx, kScanningSourceLogLine);
  ListScan scan(links);
  ListedItems listed(ctx);
  for_each([&](const std::string& candidate) { listed.addIfNew(candidate); });
  // Junk stays listed during the scan (later copies are still duplicates) and goes at the end.
  std::vector<std::string> items = listed.take();
  DropJunkLinks(items);
  scan.finish(ctx, std::move(items), "Links found: ");
}

// The bold blue runs of every occurrence of every candidate.
std::vector<TextFormatRun> RunsOfCandidates(std::string_view pane_text, const LinkCandidates& found) {
  // Colouring a link once per time it is found gives the same marks as colouring it once, and the
  // pane search ignores letter case, so one pattern stands for all spellings of a link.
  std::vector<std::string_view> patterns;
  CaselessIndex distinct;
  for (const std::string& candidate : found) {
    if (candidate.empty()) continue;
    const uint64_t hash = CaselessIndex::Hash(candidate);
    if (distinct.find(patterns, candidate, hash) != std::string::npos) continue;
    patterns.push_back(candidate);
    distinct.add(patterns.size() - 1, hash);
  }
  if (patterns.empty()) return {};

  // Each link's matches are taken left to right without overlap, like repeated pane searches;
  // the search gives one pattern's matches in the order of their starts.
  std::vector<size_t> free_from(patterns.size(), 0);
  std::vector<TextSpan> spans;
  LinkMarkSearch(patterns).forEachMatch(pane_text, [&](size_t pattern, size_t start) {
    if (start < free_from[pattern]) return;
    free_from[pattern] = start + patterns[pattern].size();
    spans.emplace_back(start, free_from[pattern]);
  });
  return RunsCovering(std::move(spans), kBlue, true);
}

auto EachFoundIn(std::string_view source_text) {
  return [source_text](auto&& visit) { FindLinks(source_text, [&](std::string& candidate) { visit(candidate); }); };
}

auto EachOf(const LinkCandidates& found) {
  return [&found](auto&& visit) {
    for (const std::string& candidate : found) visit(candidate);
  };
}

void ApplyRuns(TextPane& source, const std::vector<TextFormatRun>& runs) {
  if (!runs.empty()) source.applyFormats(runs);
}

}  // namespace

void ExtractLinks(Context& ctx, ItemList& links, std::string_view source_text) {
  FillLinksList(ctx, links, EachFoundIn(source_text));
}

void ExtractLinks(Context& ctx, ItemList& links, const LinkCandidates& found) {
  FillLinksList(ctx, links, EachOf(found));
}

std::vector<TextFormatRun> LinkHighlightRuns(std::string_view source_text, std::string_view pane_text) {
  return RunsOfCandidates(pane_text, FindAllLinks(source_text));
}

std::vector<TextFormatRun> LinkHighlightRuns(const LinkCandidates& found, std::string_view pane_text) {
  return RunsOfCandidates(pane_text, found);
}

void HighlightLinks(Context& ctx, TextPane& source, std::string_view source_text) {
  WriteLog(ctx, kScanningSourceLogLine);
  if (const auto text = source.textView()) {
    ApplyRuns(source, LinkHighlightRuns(source_text, *text));
  } else {
    ApplyRuns(source, LinkHighlightRuns(source_text, source.text()));
  }
}

void HighlightLinks(Context& ctx, TextPane& source, const LinkCandidates& found) {
  WriteLog(ctx, kScanningSourceLogLine);
  if (const auto text = source.textView()) {
    ApplyRuns(source, LinkHighlightRuns(found, *text));
  } else {
    ApplyRuns(source, LinkHighlightRuns(found, source.text()));
  }
}

}  // namespace kestrum
