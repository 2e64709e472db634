#include "dissect/link_finder.h"

#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
void PickQuoted(std::string_view word, std::string& candidate) {
  candidate.assign(word);
  if (Contains(word, "=\"")) KeepSecondPiece(candidate, kQuoteText);
}

void HrefRule(std::string_view word, std::string& candidate) {
  candidate.assign(word);
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
}

void ResRule(std::string_view word, std::string& candidate) {
  candidate.assign(word);
  RemoveEvery(candidate, "res://");
  RemoveEvery(candidate, kQuoteText);
  CutAtTagEndAndTab(candidate);
}

// ftp:// and src= words.
void QuotedValueRule(std::string_view word, std::string& candidate) {
  PickQuoted(word, candidate);
  if (candidate.empty()) candidate.assign(word);
  CleanApostrophes(candidate);
  CutAtTagEndAndTab(candidate);
}

void UrlRule(std::string_view word, std::string& candidate) {
  candidate.assign(word);
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
}

// http:// and https:// words. A refresh target (;url=) comes out lower-cased as a whole.
void AddressRule(std::string_view word, std::string& candidate) {
  PickQuoted(word, candidate);
  if (ContainsNoCase(candidate, ";url=")) {
    for (char& c : candidate) c = AnsiLower(c);
    KeepSecondPiece(candidate, ";url=");
    KeepBefore(candidate, kApostrophe);
  }
  KeepSecondPiece(candidate, kQuoteText);
  if (candidate.empty()) candidate.assign(word);
  CleanApostrophes(candidate);
  KeepSecondPiece(candidate, "href=");
  RemoveEvery(candidate, kQuoteText);
  CutAtTagEndAndTab(candidate);
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

namespace {

enum RuleTest : unsigned {
  kHref = 1u << 0,
  kRes = 1u << 1,
  kFtp = 1u << 2,
  kUrl = 1u << 3,
  kSrc = 1u << 4,
  kHttp = 1u << 5,
  kHttps = 1u << 6,
};

bool EndsAt(std::string_view word, size_t end, std::string_view text) {
  return end >= text.size() && word.substr(end - text.size(), text.size()) == text;
}

}  // namespace

// One look at each rule byte of the word: every test text ends in "=" or "(", or holds "://".
unsigned LinkRuleTests(std::string_view word) {
  unsigned tests = 0;
  for (size_t i = 0; i < word.size(); ++i) {
    switch (word[i]) {
      case '=':
        if (EndsAt(word, i, "href")) tests |= kHref;
        if (EndsAt(word, i, "src")) tests |= kSrc;
        break;
      case '(':
        if (EndsAt(word, i, "url")) tests |= kUrl;
        break;
      case ':':
        if (word.substr(i, 3) != "://") break;
        if (EndsAt(word, i, "res")) tests |= kRes;
        if (EndsAt(word, i, "ftp")) tests |= kFtp;
        if (EndsAt(word, i, "http")) tests |= kHttp;
        if (EndsAt(word, i, "https")) tests |= kHttps;
        break;
      default:
        break;
    }
  }
  return tests;
}

namespace {

// The rules for one word, each candidate cut in `candidate`, a buffer kept from word to word.
void FindLinksInWord(std::string_view word, std::string& candidate, const std::function<void(std::string&)>& emit) {
  using Rule = void (*)(std::string_view, std::string&);
  struct Entry {
    unsigned test;
    Rule rule;
  };
  static constexpr std::array<Entry, 7> kRules = {{
      {kHref, HrefRule},
      {kRes, ResRule},
      {kFtp, QuotedValueRule},
      {kUrl, UrlRule},
      {kSrc, QuotedValueRule},
      {kHttp, AddressRule},
      {kHttps, AddressRule},
  }};
  if (!MayHoldLink(word)) return;
  const unsigned tests = LinkRuleTests(word);
  if (tests == 0) return;
  for (const auto& entry : kRules) {
    if (!(tests & entry.test)) continue;
    entry.rule(word, candidate);
    emit(candidate);
  }
}

}  // namespace

void FindLinksInWord(std::string_view word, const std::function<void(std::string&)>& emit) {
  std::string candidate;
  FindLinksInWord(word, candidate, emit);
}

namespace {

// The bytes that matter to the word walk: the blank that ends a word, the CR of a CR LF that cuts
// it, and the bytes without which no rule's test can match.
enum WordByte : uint8_t { kOther, kBlank, kCarriageReturn, kRuleByte };

constexpr std::array<uint8_t, 256> kWordBytes = [] {
  std::array<uint8_t, 256> kinds{};
  kinds[' '] = kBlank;
  kinds['\r'] = kCarriageReturn;
  kinds['='] = kinds[':'] = kinds['('] = kRuleByte;
  return kinds;
}();

// Calls visit(position) for every byte of the text that is not kOther, in order.
template <typename Visit>
void ForEachWordByte(std::string_view text, Visit&& visit) {
  const size_t size = text.size();
  size_t block = 0;
#if defined(__SSE2__)
  const __m128i blank = _mm_set1_epi8(' '), carriage_return = _mm_set1_epi8('\r'), equals = _mm_set1_epi8('='),
                colon = _mm_set1_epi8(':'), parenthesis = _mm_set1_epi8('(');
  for (; block + 16 <= size; block += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + block));
    const __m128i any = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, blank), _mm_cmpeq_epi8(bytes, carriage_return)),
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, equals), _mm_cmpeq_epi8(bytes, colon)),
                     _mm_cmpeq_epi8(bytes, parenthesis)));
    for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(any)); mask != 0; mask &= mask - 1)
      visit(block + static_cast<size_t>(__builtin_ctz(mask)));
  }
#endif
  for (; block < size; ++block)
    if (kWordBytes[static_cast<unsigned char>(text[block])] != kOther) visit(block);
}

}  // namespace

void FindLinks(std::string_view source_text, const std::function<void(std::string&)>& emit) {
  // Words are the pieces between blanks, each cut at its first CR LF; only a word whose kept
  // part holds a rule byte is handed to the rules.
  std::string candidate;
  size_t word_start = 0, word_end = std::string_view::npos;
  bool may_hold_link = false;
  auto finish_word = [&](size_t blank) {
    if (may_hold_link) {
      const size_t end = word_end == std::string_view::npos ? blank : word_end;
      FindLinksInWord(source_text.substr(word_start, end - word_start), candidate, emit);
    }
    word_start = blank + 1;
    word_end = std::string_view::npos;
    may_hold_link = false;
  };
  ForEachWordByte(source_text, [&](size_t position) {
    switch (kWordBytes[static_cast<unsigned char>(source_text[position])]) {
      case kBlank:
        finish_word(position);
        break;
      case kCarriageReturn:
        if (word_end == std::string_view::npos && position + 1 < source_text.size() &&
            source_text[position + 1] == '\n')
          word_end = position;
        break;
      default:
        if (word_end == std::string_view::npos) may_hold_link = true;
    }
  });
  finish_word(source_text.size());
}

LinkCandidates FindAllLinks(std::string_view source_text) {
  LinkCandidates found;
  found.reserveFor(source_text.size());
  FindLinks(source_text, [&](std::string& candidate) { found.push_back(candidate); });
  return found;
}

}  // namespace kestrum
