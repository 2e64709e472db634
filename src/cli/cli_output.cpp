#include "cli/cli_output.h"

#include <cstdio>

#include "core/text.h"

namespace kestrum::cli {

std::string ForTerminal(std::string_view ansi) { return AnsiToUtf8(ReplaceAll(ansi, "\r\n", "\n")); }

std::string FromTerminal(std::string_view utf8) { return Utf8ToAnsi(utf8); }

std::string ColorText(Rgb color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", color.r, color.g, color.b);
  return text;
}

}  // namespace kestrum::cli
