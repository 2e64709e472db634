#include "cli/cli_output.h"

#include <cstdio>

#include "core/text.h"

namespace kestrum::cli {

std::string ForTerminal(std::string_view ansi) {
  return EscapeControls(AnsiToUtf8(ReplaceAll(ansi, "\r\n", "\n")));
}

std::string EscapeControls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  char code[8];
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if ((byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7f) {
      std::snprintf(code, sizeof code, "\\x%02x", byte);
      out += code;
    } else if (byte == 0xc2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(utf8[i + 1]) <= 0x9f) {
      std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned char>(utf8[++i]));
      out += code;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

bool WriteOut(std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

std::string FromTerminal(std::string_view utf8) {
  return Utf8ToAnsi(utf8);
}

std::string ColorText(Rgb color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", color.r, color.g, color.b);
  return text;
}

}  // namespace kestrum::cli
