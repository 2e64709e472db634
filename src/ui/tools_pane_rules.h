#pragma once
// What the Tools pane decides from its text alone: which decode buttons make sense, how its text
// is tidied when it holds escapes, and how pasted text is cleaned. No widgets here.
#include <string>
#include <string_view>

namespace kestrum::ui {

// Shown on entering the view; the decode buttons treat it as no input.
inline constexpr const char* kToolsPlaceholderEntry =
    "Paste your Base64 encoded, JavaScript escaped or HTML encoded text in here";
// Shown after Reset; clicking into the pane and its menu treat it as no input.
inline constexpr const char* kToolsPlaceholderReset = "Paste your Base64 encoded or JavaScript escaped text in here";

bool IsEntryPlaceholder(std::string_view text);  // letter case ignored
bool IsResetPlaceholder(std::string_view text);  // letter case ignored

struct ToolsAnalysis {
  std::string text;          // the text the pane should hold (escapes lose their blanks)
  bool escape_javascript = false;
  bool decode_entities = false;
  bool decode_base64 = false;
};

// With a "%": spaces, tabs, CR LF pairs and remaining LFs go (a lone CR stays).
ToolsAnalysis AnalyseToolsText(std::string_view text);

// Clipboard text holding "&#" or "%" goes in unchanged; anything else is taken for Base64 and
// loses every line break, space and tab.
std::string CleanPastedText(std::string_view clipboard);

// Where the caret belongs once the blanks of an escaped text are gone: the number of characters
// before it that survive the tidying.
size_t CaretAfterTidying(std::string_view text, size_t caret);

// "Decode Entities" runs only on a text of 5 characters or more that holds "&#" and is not the
// entry placeholder; otherwise the pane says there is nothing to convert.
bool HasEntitiesToConvert(std::string_view text);

inline constexpr const char* kNothingToConvert = "Nothing to convert";

}  // namespace kestrum::ui
