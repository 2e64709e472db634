#pragma once
// Turning engine text (Windows-1252) into what a terminal or a JSON reader expects.
#include <string>
#include <string_view>

#include "core/seams.h"

namespace kestrum::cli {

// Engine text for the terminal: UTF-8, line breaks as LF, control characters escaped.
std::string ForTerminal(std::string_view ansi);
// UTF-8 text with every control character but tab and LF written as "\x1b" (C0, DEL) or
// "\u009b" (C1), so no text can move the cursor, set the title or hide what follows.
std::string EscapeControls(std::string_view utf8);
// Writes all of `bytes` to standard output; false when the write failed.
bool WriteOut(std::string_view bytes);
// Terminal or argument text into engine text.
std::string FromTerminal(std::string_view utf8);
// "#rrggbb"
std::string ColorText(Rgb color);

}  // namespace kestrum::cli
