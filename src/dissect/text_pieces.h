#pragma once
// The piece-of-a-split operations the link and image rules are written in. A rule that asks for a
// piece whose delimiter is absent leaves its text as it was, so none of these ever fails.
#include <cstddef>
#include <string>
#include <string_view>

namespace kestrum {

// Piece 0: keeps the text before the first `delimiter` (all of it when absent).
void KeepBefore(std::string& text, std::string_view delimiter);
// Piece 1: keeps the text between the first and the second `delimiter` (or to the end); leaves
// the text unchanged when the delimiter is absent.
void KeepSecondPiece(std::string& text, std::string_view delimiter);
// Removes every occurrence of `what`, scanning left to right without overlap.
void RemoveEvery(std::string& text, std::string_view what);
// Every pair of consecutive blanks removed, left to right without overlap: three blanks leave one.
std::string RemoveDoubleBlanks(std::string_view text);

// First position of `needle` at or after `from`, letter case ignored, or npos. Jumps between
// the occurrences of one of the needle's caseless bytes, which every marker
// of the scans has, so a megabyte page is searched at memchr speed.
size_t FindIgnoringCase(std::string_view haystack, std::string_view needle, size_t from = 0);
// memmem: first position of `needle` at or after `from`, bytes compared exactly, or npos.
size_t FindBytes(std::string_view haystack, std::string_view needle, size_t from = 0);
// Position of the last occurrence (overlaps allowed), or npos.
size_t FindLast(std::string_view haystack, std::string_view needle);

}  // namespace kestrum
