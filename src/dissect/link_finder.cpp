#include "dissect/link_finder.h"

#include <array>

#include "core/text.h"
#include "dissect/text_pieces.h"

namespace kestrum {
namespace {

constexpr std::string_view kQuoteText = "\"";
constexpr std::string_view kApostrophe = "'";

// 'x' and f('x') both give x.
void CleanApostrophes(std::string& candidate) {
  if (!Contains(candidate, kApostrophe)) return;
  KeepSecondPiece(candidate, kApostrophe);
  KeepBefore(candidate, kApostrophe);
}

void CutAtTagEndAndTab(std::string& candidate) {
  KeepBefore(candidate, ">");
  KeepBefore(candidate, "\t");
}

// The text between the first two double quotes when the word holds =", else the whole word.
std::string PickQuoted(std::string_view word) {
  std::string candidate(word);
  if (Contains(word, "=\"")) KeepSecondPiece(candidate, kQuoteText);
  return candidate;
}

std::string HrefRule(std::string_view word) {
  std::string candidate(word);
  if (ContainsNoCase(word, "href=\"")) {
    RemoveEvery(candidate, "href=");
    RemoveEvery(candidate, kQuoteText);
  } else if (ContainsNoCase(word, "href='")) {
    KeepSecondPiece(candidate, "href='");
    KeepBefore(candidate, kApostrophe);
  } else {
    KeepSecondPiece(candidate, "href=");
    KeepBefore(candidate, ">");
  }
  CleanApostrophes(candidate);
  CutAtTagEndAndTab(candidate);
  return candidate;
}

std::string ResRule(std::string_view word) {
  std::string candidate(word);
  RemoveEvery(candidate, "res://");
  RemoveEvery(candidate, kQuoteText);
  CutAtTagEndAndTab(candidate);
  return candidate;
}

// ftp:// and src= words.
std::string QuotedValueRule(std::string_view word) {
  std::string candidate = PickQuoted(word);
  if (candidate.empty()) candidate = std::string(word);
  CleanApostrophes(candidate);
  CutAtTagEndAndTab(candidate);
  return candidate;
}

std::string UrlRule(std::string_view word) {
  std::string candidate(word);
  if (!Contains(word, kApostrophe)) {
    KeepSecondPiece(candidate, "url(");
    KeepBefore(candidate, ")");
    RemoveEvery(candidate, kQuoteText);
  } else {
    KeepSecondPiece(candidate, kApostrophe);
    KeepBefore(candidate, kApostrophe);
  }
  CutAtTagEndAndTab(candidate);
  KeepSecondPiece(candidate, "(");
  KeepSecondPiece(candidate, ")");
  return candidate;
}

// http:// and https:// words. A refresh target (;url=) comes out lower-cased as a whole.
std::string AddressRule(std::string_view word) {
  std::string candidate = PickQuoted(word);
  if (ContainsNoCase(candidate, ";url=")) {
    candidate = ToLowerAnsi(candidate);
    KeepSecondPiece(candidate, ";url=");
    KeepBefore(candidate, kApostrophe);
  }
  KeepSecondPiece(candidate, kQuoteText);
  if (candidate.empty()) candidate = std::string(word);
  CleanApostrophes(candidate);
  KeepSecondPiece(candidate, "href=");
  RemoveEvery(candidate, kQuoteText);
  CutAtTagEndAndTab(candidate);
  return candidate;
}

// Every rule's test needs "=", ":" or "(" in the word; most words have none and are skipped
// without running seven searches.
constexpr std::array<bool, 256> kRuleBytes = [] {
  std::array<bool, 256> bytes{};
  bytes[static_cast<unsigned char>('=')] = true;
  bytes[static_cast<unsigned char>(':')] = true;
  bytes[static_cast<unsigned char>('(')] = true;
  return bytes;
}();

bool MayHoldLink(std::string_view word) {
  for (char c : word)
    if (kRuleBytes[static_cast<unsigned char>(c)]) return true;
  return false;
}

}  // namespace

void FindLinksInWord(std::string_view word, const std::function<void(std::string&)>& emit) {
  using Rule = std::string (*)(std::string_view);
  struct Entry {
    std::string_view test;
    Rule rule;
  };
  static constexpr std::array<Entry, 7> kRules = {{
      {"href=", HrefRule},
      {"res://", ResRule},
      {"ftp://", QuotedValueRule},
      {"url(", UrlRule},
      {"src=", QuotedValueRule},
      {"http://", AddressRule},
      {"https://", AddressRule},
  }};
  if (!MayHoldLink(word)) return;
  for (const auto& entry : kRules) {
    if (!Contains(word, entry.test)) continue;
    std::string candidate = entry.rule(word);
    emit(candidate);
  }
}

void FindLinks(std::string_view source_text, const std::function<void(std::string&)>& emit) {
  size_t start = 0;
  for (;;) {
    size_t blank = source_text.find(' ', start);
    const bool last = blank == std::string_view::npos;
    if (last) blank = source_text.size();
    std::string_view word = source_text.substr(start, blank - start);
    const size_t line_break = word.find("\r\n");
    if (line_break != std::string_view::npos) word = word.substr(0, line_break);
    FindLinksInWord(word, emit);
    if (last) break;
    start = blank + 1;
  }
}

LinkCandidates FindAllLinks(std::string_view source_text) {
  LinkCandidates found;
  FindLinks(source_text, [&](std::string& candidate) { found.push_back(std::move(candidate)); });
  return found;
}

}  // namespace kestrum
