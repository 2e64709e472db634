#include "ui/tools_pane_rules.h"

#include "core/text.h"
#include "decode/base64.h"

namespace kestrum::ui {

bool IsEntryPlaceholder(std::string_view text) { return EqualsNoCase(text, kToolsPlaceholderEntry); }
bool IsResetPlaceholder(std::string_view text) { return EqualsNoCase(text, kToolsPlaceholderReset); }

namespace {

// Calls `keep` with every character of an escaped text that survives tidying, with its position.
template <typename Keep>
void ForEachSurvivor(std::string_view text, Keep keep) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n') continue;
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      continue;
    }
    keep(i, c);
  }
}

std::string WithoutEscapeBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachSurvivor(text, [&out](size_t, char c) { out += c; });
  return out;
}

}  // namespace

ToolsAnalysis AnalyseToolsText(std::string_view text) {
  ToolsAnalysis result;
  result.escape_javascript = Contains(text, "%");
  result.text = result.escape_javascript ? WithoutEscapeBlanks(text) : std::string(text);
  result.decode_entities = Contains(result.text, "&#");
  result.decode_base64 = IsBase64(result.text);
  return result;
}

std::string CleanPastedText(std::string_view clipboard) {
  if (Contains(clipboard, "&#") || Contains(clipboard, "%")) return std::string(clipboard);
  std::string out;
  out.reserve(clipboard.size());
  for (const char c : clipboard)
    if (c != '\r' && c != '\n' && c != ' ' && c != '\t') out += c;
  return out;
}

size_t CaretAfterTidying(std::string_view text, size_t caret) {
  size_t kept = 0;
  ForEachSurvivor(text, [&kept, caret](size_t position, char) {
    if (position < caret) ++kept;
  });
  return kept;
}

bool HasEntitiesToConvert(std::string_view text) {
  return Contains(text, "&#") && !IsEntryPlaceholder(text) && text.size() >= 5;
}

}  // namespace kestrum::ui
