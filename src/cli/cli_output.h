#pragma once
// Turning engine text (Windows-1252) into what a terminal or a JSON reader expects.
#include <string>
#include <string_view>

#include "core/seams.h"

namespace kestrum::cli {

// Engine text for the terminal: UTF-8, line breaks as LF.
std::string ForTerminal(std::string_view ansi);
// Terminal or argument text into engine text.
std::string FromTerminal(std::string_view utf8);
// "#rrggbb"
std::string ColorText(Rgb color);

}  // namespace kestrum::cli
