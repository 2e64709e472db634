#pragma once
// Text helpers for the engine. Engine text is Windows-1252 ("ANSI") bytes: one byte, one
// character. Conversions to and from UTF-8 happen only at the edges (Qt, JSON, decoded replies).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

inline constexpr const char* kCrLf = "\r\n";

char AsciiLower(char c);
char AsciiUpper(char c);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);

// Case-insensitive search (ASCII letters only, as the program's text compare does).
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
bool IsNumeric(std::string_view text);                // a decimal number, sign and point allowed

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
