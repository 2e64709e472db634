#pragma once
// The content scan: inline frames, meta refresh tags, script redirects and links to executable
// files are marked in the source pane (rtfSource) and explained in a note each.
#include <cstdint>
#include <string_view>

#include "core/context.h"
#include "core/seams.h"
#include "dissect/found_links.h"
#include "dissect/link_finder.h"

namespace kestrum {

struct ContentScanResult {
  int32_t iframes = 0;
  int32_t scripts = 0;
  int32_t executables = 0;
};

// Whether a link's last four characters name an executable type (".exe", ".scr", ...).
bool NamesExecutable(std::string_view link);

// Number of "iframe>" (mode 1) or "script>" (mode 2) in the text; without `match_case`, letter
// case is ignored. Any other mode counts nothing.
int32_t CountScriptsAndIFrames(int mode, std::string_view text, bool match_case);

// Refills the links list from the pane's text, then colours (red, boldness kept) the last
// occurrence of every listed link whose last four characters name an executable type, and
// returns how many links do, whether or not they occur in the text.
// `found`, when given, are the candidates of the text `found_in`; they stand for a new search when
// the pane's text is that text.
int32_t ScanForExecutables(Context& ctx, ItemList& links, TextPane& source, const FoundLinks* found = nullptr,
                           std::string_view found_in = {});

// The whole scan over `source_text` (the pane's text as the Dissect command read it), with its
// log lines and notes (through ctx.desktop). The counts fill "[SCRIPTS]" and "[IFRAMES]".
// `found`, when given, are the link candidates of `source_text`.
ContentScanResult RunContentScan(Context& ctx, TextPane& source, ItemList& links, std::string_view source_text,
                                 const FoundLinks* found = nullptr);

}  // namespace kestrum
