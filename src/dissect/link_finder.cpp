#include "dissect/link_finder.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/text.h"
#include "dissect/text_pieces.h"

namespace kestrum {
namespace {

constexpr std::string_view kQuoteText = "\"";
constexpr std::string_view kApostrophe = "'";

// The bytes the rules cut at or look for, a bit each, gathered once per word. A candidate is cut
// from its word and only ever loses bytes, so a cut at a byte its word lacks changes nothing and
// is skipped.
enum CutByte : unsigned {
  kHasQuote = 1u << 0,
  kHasApostrophe = 1u << 1,
  kHasTagEnd = 1u << 2,
  kHasTab = 1u << 3,
  kHasSemicolon = 1u << 4,
  kHasParenthesis = 1u << 5,
  kHasClosingParenthesis = 1u << 6,
  kHasEquals = 1u << 7,
};

constexpr std::array<uint8_t, 256> kCutBytes = [] {
  std::array<uint8_t, 256> bits{};
  bits['"'] = kHasQuote;
  bits['\''] = kHasApostrophe;
  bits['>'] = kHasTagEnd;
  bits['\t'] = kHasTab;
  bits[';'] = kHasSemicolon;
  bits['('] = kHasParenthesis;
  bits[')'] = kHasClosingParenthesis;
  bits['='] = kHasEquals;
  return bits;
}();

unsigned CutBytesOf(std::string_view word) {
  unsigned bits = 0;
  for (const char c : word) bits |= kCutBytes[static_cast<unsigned char>(c)];
  return bits;
}

// 'x' and f('x') both give x.
void CleanApostrophes(std::string& candidate, unsigned bytes) {
  if (!(bytes & kHasApostrophe) || !Contains(candidate, kApostrophe)) return;
  KeepSecondPiece(candidate, kApostrophe);
  KeepBefore(candidate, kApostrophe);
}

void CutAtTagEndAndTab(std::string& candidate, unsigned bytes) {
  if (bytes & kHasTagEnd) KeepBefore(candidate, ">");
  if (bytes & kHasTab) KeepBefore(candidate, "\t");
}

void RemoveQuotes(std::string& candidate, unsigned bytes) {
  if (bytes & kHasQuote) RemoveEvery(candidate, kQuoteText);
}

// The text between the first two double quotes when the word holds =", else the whole word.
void PickQuoted(std::string_view word, std::string& candidate, unsigned bytes) {
  candidate.assign(word);
  if ((bytes & kHasQuote) && Contains(word, "=\"")) KeepSecondPiece(candidate, kQuoteText);
}

void HrefRule(std::string_view word, std::string& candidate, unsigned bytes) {
  candidate.assign(word);
  if ((bytes & kHasQuote) && ContainsNoCase(word, "href=\"")) {
    RemoveEvery(candidate, "href=");
    RemoveEvery(candidate, kQuoteText);
  } else if ((bytes & kHasApostrophe) && ContainsNoCase(word, "href='")) {
    KeepSecondPiece(candidate, "href='");
    KeepBefore(candidate, kApostrophe);
  } else {
    KeepSecondPiece(candidate, "href=");
    if (bytes & kHasTagEnd) KeepBefore(candidate, ">");
  }
  CleanApostrophes(candidate, bytes);
  CutAtTagEndAndTab(candidate, bytes);
}

void ResRule(std::string_view word, std::string& candidate, unsigned bytes) {
  candidate.assign(word);
  RemoveEvery(candidate, "res://");
  RemoveQuotes(candidate, bytes);
  CutAtTagEndAndTab(candidate, bytes);
}

// ftp:// and src= words.
void QuotedValueRule(std::string_view word, std::string& candidate, unsigned bytes) {
  PickQuoted(word, candidate, bytes);
  if (candidate.empty()) candidate.assign(word);
  CleanApostrophes(candidate, bytes);
  CutAtTagEndAndTab(candidate, bytes);
}

void UrlRule(std::string_view word, std::string& candidate, unsigned bytes) {
  candidate.assign(word);
  if (!(bytes & kHasApostrophe)) {
    KeepSecondPiece(candidate, "url(");
    if (bytes & kHasClosingParenthesis) KeepBefore(candidate, ")");
    RemoveQuotes(candidate, bytes);
  } else {
    KeepSecondPiece(candidate, kApostrophe);
    KeepBefore(candidate, kApostrophe);
  }
  CutAtTagEndAndTab(candidate, bytes);
  if (bytes & kHasParenthesis) KeepSecondPiece(candidate, "(");
  if (bytes & kHasClosingParenthesis) KeepSecondPiece(candidate, ")");
}

// http:// and https:// words. A refresh target (;url=) comes out lower-cased as a whole.
void AddressRule(std::string_view word, std::string& candidate, unsigned bytes) {
  PickQuoted(word, candidate, bytes);
  if ((bytes & kHasSemicolon) && ContainsNoCase(candidate, ";url=")) {
    for (char& c : candidate) c = AnsiLower(c);
    KeepSecondPiece(candidate, ";url=");
    if (bytes & kHasApostrophe) KeepBefore(candidate, kApostrophe);
  }
  if (bytes & kHasQuote) KeepSecondPiece(candidate, kQuoteText);
  if (candidate.empty()) candidate.assign(word);
  CleanApostrophes(candidate, bytes);
  if (bytes & kHasEquals) KeepSecondPiece(candidate, "href=");
  RemoveQuotes(candidate, bytes);
  CutAtTagEndAndTab(candidate, bytes);
}

enum RuleTest : unsigned {
  kHref = 1u << 0,
  kRes = 1u << 1,
  kFtp = 1u << 2,
  kUrl = 1u << 3,
  kSrc = 1u << 4,
  kHttp = 1u << 5,
  kHttps = 1u << 6,
};

// Whether the `text.size()` bytes before `at` are `text`; `room` bytes of the word stand before it.
template <size_t N>
bool EndsAt(const char* at, size_t room, const char (&text)[N]) {
  constexpr size_t kSize = N - 1;
  return room >= kSize && std::memcmp(at - kSize, text, kSize) == 0;
}

// The rule tests met at one rule byte of a word: every test text ends in "=" or "(", or holds
// "://". `at` points at the byte, with `before` bytes of the word in front of it and `after`
// behind it.
unsigned RuleTestsAt(const char* at, size_t before, size_t after) {
  switch (*at) {
    case '=':
      return (EndsAt(at, before, "href") ? kHref : 0u) | (EndsAt(at, before, "src") ? kSrc : 0u);
    case '(':
      return EndsAt(at, before, "url") ? kUrl : 0u;
    case ':': {
      if (after < 2 || at[1] != '/' || at[2] != '/') return 0;
      unsigned tests = 0;
      if (EndsAt(at, before, "res")) tests |= kRes;
      if (EndsAt(at, before, "ftp")) tests |= kFtp;
      if (EndsAt(at, before, "http")) tests |= kHttp;
      if (EndsAt(at, before, "https")) tests |= kHttps;
      return tests;
    }
    default:
      return 0;
  }
}

}  // namespace

unsigned LinkRuleTests(std::string_view word) {
  unsigned tests = 0;
  for (size_t i = 0; i < word.size(); ++i) tests |= RuleTestsAt(word.data() + i, i, word.size() - i - 1);
  return tests;
}

namespace {

// The rules for one word whose tests are `tests`, each candidate cut in `candidate`, a buffer kept
// from word to word.
void RunRules(std::string_view word, unsigned tests, std::string& candidate,
              const std::function<void(std::string&)>& emit) {
  using Rule = void (*)(std::string_view, std::string&, unsigned);
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
  if (tests == 0) return;
  const unsigned bytes = CutBytesOf(word);
  for (const auto& entry : kRules) {
    if (!(tests & entry.test)) continue;
    entry.rule(word, candidate, bytes);
    emit(candidate);
  }
}

}  // namespace

void FindLinksInWord(std::string_view word, const std::function<void(std::string&)>& emit) {
  std::string candidate;
  RunRules(word, LinkRuleTests(word), candidate, emit);
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
  // Words are the pieces between blanks, each cut at its first CR LF. The walk meets every rule
  // byte, and takes each rule's test there; only a word that passed one goes to the rules.
  std::string candidate;
  size_t word_start = 0, word_end = std::string_view::npos;
  unsigned tests = 0;
  auto finish_word = [&](size_t blank) {
    if (tests != 0) {
      const size_t end = word_end == std::string_view::npos ? blank : word_end;
      RunRules(source_text.substr(word_start, end - word_start), tests, candidate, emit);
    }
    word_start = blank + 1;
    word_end = std::string_view::npos;
    tests = 0;
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
        // The two bytes of "//" after a colon are neither a blank nor a CR: if they are there,
        // they are in this word.
        if (word_end == std::string_view::npos)
          tests |= RuleTestsAt(source_text.data() + position, position - word_start,
                               source_text.size() - position - 1);
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
