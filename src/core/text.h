#pragma once
// Text helpers for the engine. Engine text is Windows-1252 ("ANSI") bytes: one byte, one
// character. Conversions to and from UTF-8 happen only at the edges (Qt, JSON, decoded replies).
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

inline constexpr const char* kCrLf = "\r\n";

// ASCII letters only: for protocol texts (schemes, header names), never for page text.
char AsciiLower(char c);
char AsciiUpper(char c);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);

// Letter case of Windows-1252: A-Z and \xC0-\xDE except \xD7 pair with the byte 32 above, and
// \x8A/\x9A, \x8C/\x9C, \x8E/\x9E, \x9F/\xFF are pairs; \xDF has no capital. Nothing changes
// length. Every lower-casing and comparison "without regard to letter case" goes through it.
struct AnsiCaseTables {
  std::array<unsigned char, 256> lower{};
  std::array<unsigned char, 256> upper{};
};
inline constexpr AnsiCaseTables kAnsiCase = [] {
  AnsiCaseTables tables;
  for (int b = 0; b < 256; ++b) tables.lower[b] = tables.upper[b] = static_cast<unsigned char>(b);
  auto pair = [&](int capital, int small) {
    tables.lower[capital] = static_cast<unsigned char>(small);
    tables.upper[small] = static_cast<unsigned char>(capital);
  };
  for (int b = 'A'; b <= 'Z'; ++b) pair(b, b + 32);
  for (int b = 0xC0; b <= 0xDE; ++b)
    if (b != 0xD7) pair(b, b + 32);
  pair(0x8A, 0x9A);
  pair(0x8C, 0x9C);
  pair(0x8E, 0x9E);
  pair(0x9F, 0xFF);
  return tables;
}();

constexpr char AnsiLower(char c) {
  return static_cast<char>(kAnsiCase.lower[static_cast<unsigned char>(c)]);
}
constexpr char AnsiUpper(char c) {
  return static_cast<char>(kAnsiCase.upper[static_cast<unsigned char>(c)]);
}
// True for a byte that has no other letter case (most bytes, every marker's punctuation).
constexpr bool IsCaseless(char c) {
  return AnsiLower(c) == c && AnsiUpper(c) == c;
}
std::string ToLowerAnsi(std::string_view text);
std::string ToUpperAnsi(std::string_view text);

// Eight bytes, the first lowest, lower-cased: by arithmetic when all are ASCII (the usual case for
// links), by the table otherwise. Zero bytes stay zero.
inline uint64_t FoldedWord(uint64_t word) {
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  if ((word & kHighBits) == 0) {
    const uint64_t at_least_a = word + 0x3F3F3F3F3F3F3F3Full;  // high bit set from 'A' on
    const uint64_t beyond_z = word + 0x2525252525252525ull;    // high bit set past 'Z'
    return word | (((at_least_a ^ beyond_z) & kHighBits) >> 2);  // 0x20 on each capital
  }
  uint64_t folded = 0;
  for (unsigned k = 0; k < 8; ++k) folded |= uint64_t{kAnsiCase.lower[(word >> (8 * k)) & 0xFF]} << (8 * k);
  return folded;
}

// Up to eight bytes lower-cased into one word, the first byte lowest.
inline uint64_t FoldedBytes(const char* bytes, size_t count) {
  uint64_t word = 0;
  std::memcpy(&word, bytes, count);
  return FoldedWord(word);
}

// The same, for `count` < 8 bytes followed by at least 8 - count readable bytes: one whole load.
inline uint64_t FoldedHead(const char* bytes, size_t count) {
  uint64_t word;
  std::memcpy(&word, bytes, 8);
  return FoldedWord(count == 0 ? 0 : word & (~uint64_t{0} >> (64 - 8 * count)));
}

// Searches and comparisons without regard to Windows-1252 letter case.
size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from = 0);
bool ContainsNoCase(std::string_view haystack, std::string_view needle);
bool Contains(std::string_view haystack, std::string_view needle);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Every occurrence of `from` replaced by `to`, scanning left to right without overlap.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// Split at every occurrence of `separator`; an empty text gives one empty piece.
std::vector<std::string> Split(std::string_view text, std::string_view separator);
// Text before the first `separator` (all of it when absent), and after it (empty when absent).
std::string_view Before(std::string_view text, std::string_view separator);
std::string_view After(std::string_view text, std::string_view separator);
std::string_view TrimSpaces(std::string_view text);  // spaces only, like the BASIC Trim
std::string_view TrimBlank(std::string_view text);   // spaces, tabs, CR, LF
bool IsNumeric(std::string_view text);               // a decimal number, sign and point allowed

// Line breaks written as CR LF, never CR CR LF: lone LF and lone CR both become CR LF.
std::string ToCrLf(std::string_view text);

// Windows-1252 <-> UTF-8. Undefined 1252 bytes map to the C1 control of the same value, so
// every byte survives a round trip. Characters 1252 cannot hold become "?".
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
// One Unicode code point to its 1252 byte, or -1 when the code page has none.
int UnicodeToAnsi(char32_t code_point);
char32_t AnsiToUnicode(unsigned char byte);

}  // namespace kestrum
