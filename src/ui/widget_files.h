#pragma once
// Saving a pane's text through the common Save dialog, as the panes' "Save to file" commands do.
#include <string>

#include "core/context.h"
#include "core/seams.h"

namespace kestrum::ui {

inline constexpr const char* kSaveToFileCaption = "Save to file";
inline constexpr const char* kSaveToFileFilter =
    "All Files (*.*)|*.*|Text File (.txt)|*.txt|Kestrum File (.kmx)|*.kmx|HTML File (.html)|*.html";

// Asks for a file, then writes the pane's text with CR LF line breaks and one more CR LF. The
// file is written whole or not at all; a failure is told and logged. False when cancelled or not
// written.
bool SavePaneText(Context& ctx, const TextPane& pane);

}  // namespace kestrum::ui
