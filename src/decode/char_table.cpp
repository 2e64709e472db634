#include "decode/char_table.h"

#include <cstdio>

#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"

namespace kestrum {
namespace {

bool IsUnusedCode(int code) {
  switch (code) {
    case 0x7F: case 0x81: case 0x8D: case 0x8F: case 0x90: case 0x9D: return true;
    default: return code >= 0x01 && code <= 0x1F && code != 0x09 && code != 0x0A && code != 0x0D;
  }
}

std::string CharTableValue(int code) {
  switch (code) {
    case 0x09: return "hzltab";
    case 0x0A: return "lf";
    case 0x0D: return "crgrtn";
    case 0x20: return "spc";
    default: return IsUnusedCode(code) ? "UNUSED" : std::string(1, static_cast<char>(code));
  }
}

// Every occurrence of `name`, letter case ignored, replaced by `replacement`.
std::string ReplaceNameNoCase(std::string_view text, std::string_view name, std::string_view replacement) {
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = FindNoCase(text, name, pos)) != std::string_view::npos; pos = hit + name.size()) {
    out.append(text.substr(pos, hit - pos)).append(replacement);
  }
  return out.append(text.substr(pos));
}

}  // namespace

std::vector<std::pair<std::string, std::string>> CharTableEntries() {
  std::vector<std::pair<std::string, std::string>> entries;
  entries.reserve(255);
  for (int code = 1; code <= 255; ++code) {
    char key[3];
    std::snprintf(key, sizeof key, "%02X", code);
    entries.emplace_back(key, CharTableValue(code));
  }
  return entries;
}

void WriteCharTable(Context& ctx) {
  WriteCharConfig(ctx, kCharTableSection, "00", std::nullopt);
  WriteCharConfigMany(ctx, kCharTableSection, CharTableEntries());
}

bool WriteCharTableIfMissing(Context& ctx) {
  if (FileExists(ctx, GetCharConfigPath(ctx))) return false;
  WriteCharTable(ctx);
  return true;
}

std::string ExpandCharNames(std::string_view value) {
  std::string out = ReplaceNameNoCase(value, "crgrtn", kCrLf);
  out = ReplaceNameNoCase(out, "lf", "\n");
  out = ReplaceNameNoCase(out, "hzltab", "\t");
  return ReplaceNameNoCase(out, "spc", " ");
}

}  // namespace kestrum
