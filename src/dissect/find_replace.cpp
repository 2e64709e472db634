#include "dissect/find_replace.h"

#include "core/text.h"
#include "dissect/highlight.h"

namespace kestrum {
namespace {

bool IsWordCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == '_' ||
         byte >= 0xC0;
}

bool StandsAlone(std::string_view text, size_t at, size_t length) {
  if (at > 0 && IsWordCharacter(text[at - 1])) return false;
  return at + length >= text.size() || !IsWordCharacter(text[at + length]);
}

}  // namespace

size_t FindInText(std::string_view text, std::string_view what, size_t from, FindOptions options) {
  if (what.empty() || from > text.size()) return kNotFound;
  for (size_t at = from;; ++at) {
    at = options.match_case ? text.find(what, at) : FindNoCase(text, what, at);
    if (at == std::string_view::npos) return kNotFound;
    if (!options.whole_word || StandsAlone(text, at, what.size())) return at;
  }
}

std::vector<std::pair<size_t, size_t>> ReplaceAllRanges(std::string_view text, size_t selection_start,
                                                        size_t selection_length, std::string_view what,
                                                        FindOptions options) {
  std::vector<std::pair<size_t, size_t>> ranges;
  selection_start = std::min(selection_start, text.size());
  selection_length = std::min(selection_length, text.size() - selection_start);
  ranges.emplace_back(selection_start, selection_length);
  size_t from = selection_start + selection_length;
  // An empty selection replaced by text is still one replacement; the next search starts after it.
  for (size_t at; (at = FindInText(text, what, from, options)) != kNotFound; from = at + what.size())
    ranges.emplace_back(at, what.size());
  return ranges;
}

bool FindReplace::search(std::string_view what, size_t from, FindOptions options, bool caret_home_on_miss) {
  const size_t hit = FindInText(pane_.text(), what, from, options);
  const std::string_view trimmed = TrimSpaces(what);
  if (hit != kNotFound) {
    last_match_ = static_cast<int64_t>(hit);
    pane_.select(hit, trimmed.size());
  } else {
    last_match_ = -1;
  }
  HighlightText(pane_, trimmed, kBlue);
  if (hit != kNotFound) return true;
  if (caret_home_on_miss) pane_.select(0, 0);
  if (ctx_.desktop)
    ctx_.desktop->showMessage(std::string(what) + " not found in current document.", "Search text not found",
                              MessageIcon::Information, MessageButtons::Ok);
  return false;
}

bool FindReplace::Find(std::string_view what, FindOptions options) {
  return search(what, 0, options, true);
}

bool FindReplace::FindNext(std::string_view what, FindOptions options) {
  return search(what, static_cast<size_t>(last_match_ + 1), options, false);
}

bool FindReplace::Replace(std::string_view what, std::string_view with, FindOptions options) {
  const size_t start = pane_.selectionStart();
  pane_.replaceSelection(with);
  // Searching on from inside the inserted text would find it again when it holds the find text.
  const size_t hit = FindInText(pane_.text(), what, start + with.size(), options);
  if (hit == kNotFound) {
    last_match_ = -1;
    return false;
  }
  last_match_ = static_cast<int64_t>(hit);
  pane_.select(hit, what.size());
  return true;
}

int FindReplace::ReplaceAll(std::string_view what, std::string_view with, FindOptions options) {
  const auto ranges = ReplaceAllRanges(pane_.text(), pane_.selectionStart(), pane_.selectionLength(), what, options);
  pane_.replaceRanges(ranges, with);
  last_match_ = -1;
  const int count = static_cast<int>(ranges.size());
  if (ctx_.desktop)
    ctx_.desktop->showMessage(std::to_string(count) + " item(s) replaced.", "Done", MessageIcon::Information,
                              MessageButtons::Ok);
  return count;
}

}  // namespace kestrum
