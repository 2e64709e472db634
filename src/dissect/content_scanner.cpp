#include "dissect/content_scanner.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/text.h"
#include "dissect/highlight.h"
#include "dissect/link_extractor.h"
#include "dissect/marker_finder.h"
#include "dissect/multi_pattern_search.h"
#include "dissect/scan_notes.h"
#include "dissect/text_pieces.h"

namespace kestrum {
namespace {

constexpr std::array<std::string_view, 9> kExecutableExtensions = {".exe", ".pif", ".scr", ".bat", ".dll",
                                                                   ".cab", ".mht", ".chm", ".hlp"};

// In order of preference: a tag written in single quotes, one written from inside a script
// string (each double quote escaped), one in plain double quotes.
constexpr std::array<std::string_view, 3> kRefreshMarkers = {"http-equiv='refresh'", "http-equiv=\\\"refresh\\\"",
                                                             "http-equiv=\"refresh\""};
constexpr std::array<std::string_view, 3> kRedirectMarkers = {"location.href", "document.location", "window.location"};

// Red runs over `span` that keep each character's boldness, as colouring a selection does.
void AddRedKeepingBold(const std::vector<TextFormatRun>& existing, TextSpan span, std::vector<TextFormatRun>& out) {
  auto run = std::lower_bound(existing.begin(), existing.end(), span.first,
                              [](const TextFormatRun& r, size_t position) { return r.start + r.length <= position; });
  size_t at = span.first;
  for (; run != existing.end() && run->start < span.second && at < span.second; ++run) {
    if (!run->bold) continue;
    const size_t bold_start = std::max(at, run->start);
    const size_t bold_end = std::min(span.second, run->start + run->length);
    if (bold_start > at) out.push_back({at, bold_start - at, kRed, false});
    out.push_back({bold_start, bold_end - bold_start, kRed, true});
    at = bold_end;
  }
  if (at < span.second) out.push_back({at, span.second - at, kRed, false});
}

void ShowNote(Context& ctx, const std::string& text, std::string_view caption) {
  if (ctx.desktop) ctx.desktop->showMessage(text, caption, MessageIcon::Information, MessageButtons::Ok);
}

}  // namespace

bool NamesExecutable(std::string_view link) {
  const std::string ending = ToLowerAnsi(link.substr(link.size() >= 4 ? link.size() - 4 : 0));
  return std::find(kExecutableExtensions.begin(), kExecutableExtensions.end(), ending) != kExecutableExtensions.end();
}

int32_t CountScriptsAndIFrames(int mode, std::string_view text, bool match_case) {
  const std::string_view delimiter = mode == 1 ? "iframe>" : mode == 2 ? "script>" : "";
  if (delimiter.empty()) return 0;
  int32_t count = 0;
  size_t from = 0;
  for (;;) {
    const size_t hit = match_case ? FindBytes(text, delimiter, from) : FindIgnoringCase(text, delimiter, from);
    if (hit == std::string_view::npos) break;
    ++count;
    from = hit + delimiter.size();
  }
  return count;
}

int32_t ScanForExecutables(Context& ctx, ItemList& links, TextPane& source, const FoundLinks* found,
                           std::string_view found_in) {
  std::string copy;
  const std::string_view text = source.textIn(copy);
  std::vector<std::string> executables;
  if (found && text == found_in) {
    ExtractLinks(ctx, links, *found);
    // The list now holds the found items but the junk, in order: read them where they are.
    for (size_t i = 0; i < found->listing().items.size(); ++i) {
      const std::string_view link = found->item(i);
      if (!IsJunkLink(link) && NamesExecutable(link)) executables.emplace_back(link);
    }
  } else {
    ExtractLinks(ctx, links, text);
    for (const std::string& link : links.items())
      if (NamesExecutable(link)) executables.push_back(link);
  }
  if (ctx.desktop) ctx.desktop->processEvents();
  if (executables.empty()) return 0;

  // The last occurrence of each, letter case as listed.
  std::vector<size_t> last_start(executables.size(), std::string::npos);
  MultiPatternSearch(executables, false).forEachMatch(text, [&](size_t link, size_t start) {
    last_start[link] = start;
  });

  // Only the looks under each link matter: they are read where it stands, not for the whole page.
  std::vector<TextFormatRun> red;
  TextSpan last_coloured{0, 0};
  for (size_t i = 0; i < executables.size(); ++i) {
    if (last_start[i] == std::string::npos) continue;
    last_coloured = {last_start[i], last_start[i] + executables[i].size()};
    std::vector<TextFormatRun> existing = source.formatsIn(last_coloured.first, last_coloured.second);
    std::sort(existing.begin(), existing.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
    AddRedKeepingBold(existing, last_coloured, red);
  }
  if (!red.empty()) {
    source.applyFormats(red);
    // Each link was selected to be coloured; the last one coloured stays selected.
    source.select(last_coloured.first, last_coloured.second - last_coloured.first);
  }
  return static_cast<int32_t>(executables.size());
}

ContentScanResult RunContentScan(Context& ctx, TextPane& source, ItemList& links, std::string_view source_text,
                                 const FoundLinks* found) {
  ContentScanResult result;
  // Every marker found in one pass over the text. None of them can overlap itself, so all its
  // occurrences are what repeated searches from after each hit find.
  static const std::vector<std::string_view> kMarkers = [] {
    std::vector<std::string_view> markers = {"<iframe", "iframe>", "script>", "script "};
    markers.insert(markers.end(), kRefreshMarkers.begin(), kRefreshMarkers.end());
    markers.insert(markers.end(), kRedirectMarkers.begin(), kRedirectMarkers.end());
    return markers;
  }();
  const std::vector<std::vector<size_t>> positions = MarkerFinder(kMarkers).findAll(source_text);
  auto occurrences = [&](std::string_view marker) -> const std::vector<size_t>& {
    return positions[static_cast<size_t>(std::find(kMarkers.begin(), kMarkers.end(), marker) - kMarkers.begin())];
  };
  auto holds = [&](std::string_view marker) { return !occurrences(marker).empty(); };
  // Every occurrence bold red, not only the last: a hidden first frame matters as much as any.
  // The last occurrence is left selected.
  auto mark_every = [&](std::string_view marker) {
    const std::vector<size_t>& starts = occurrences(marker);
    if (starts.empty()) return;
    std::vector<TextSpan> spans;
    spans.reserve(starts.size());
    for (size_t start : starts) spans.emplace_back(start, start + marker.size());
    source.applyFormats(RunsCovering(std::move(spans), kRed, true));
    source.select(starts.back(), marker.size());
  };

  if (holds("<iframe")) {
    result.iframes = static_cast<int32_t>(occurrences("iframe>").size());
    mark_every("<iframe");
    ShowNote(ctx, IFrameNote(), kProgramTitle);
  }
  if (holds("script>") || holds("script ")) result.scripts = static_cast<int32_t>(occurrences("script>").size());

  // Every refresh tag found is marked; the preferred form's last one is left selected.
  const auto chosen = std::find_if(kRefreshMarkers.begin(), kRefreshMarkers.end(), holds);
  if (chosen != kRefreshMarkers.end()) {
    for (std::string_view marker : kRefreshMarkers)
      if (marker != *chosen) mark_every(marker);
    mark_every(*chosen);
    ShowNote(ctx, MetaRefreshNote(), kProgramTitle);
  }

  for (std::string_view marker : kRedirectMarkers) {
    if (!holds(marker)) continue;
    mark_every(marker);
    ShowNote(ctx, ScriptRedirectNote(marker), kProgramTitle);
  }

  WriteLog(ctx, "Scanning for potential executables ...");
  result.executables = ScanForExecutables(ctx, links, source, found, source_text);
  if (result.executables > 0) {
    WriteLog(ctx, std::to_string(result.executables) + " potentially executable files were found ...");
    ShowNote(ctx, ExecutablesNote(result.executables), kExecutablesNoteCaption);
  }
  return result;
}

}  // namespace kestrum
