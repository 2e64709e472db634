#include "dissect/text_pieces.h"

#include <cstring>

#include "core/text.h"

namespace kestrum {

void KeepBefore(std::string& text, std::string_view delimiter) {
  const size_t hit = text.find(delimiter);
  if (hit != std::string::npos) text.resize(hit);
}

void KeepSecondPiece(std::string& text, std::string_view delimiter) {
  const size_t hit = text.find(delimiter);
  if (hit == std::string::npos || delimiter.empty()) return;
  const size_t start = hit + delimiter.size();
  const size_t end = text.find(delimiter, start);
  if (end != std::string::npos) text.resize(end);
  text.erase(0, start);
}

void RemoveEvery(std::string& text, std::string_view what) {
  if (what.empty()) return;
  size_t hit = text.find(what);
  if (hit == std::string::npos) return;
  // In place: every byte moves left at most once; the search goes on in bytes not yet moved.
  size_t kept_end = hit;
  for (;;) {
    const size_t from = hit + what.size();
    hit = text.find(what, from);
    const size_t end = hit == std::string::npos ? text.size() : hit;
    std::memmove(text.data() + kept_end, text.data() + from, end - from);
    kept_end += end - from;
    if (hit == std::string::npos) break;
  }
  text.resize(kept_end);
}

std::string RemoveDoubleBlanks(std::string_view text) {
  if (text.find("  ") == std::string_view::npos) return std::string(text);
  return ReplaceAll(text, "  ", "");
}

size_t FindIgnoringCase(std::string_view haystack, std::string_view needle, size_t from) {
  return FindNoCase(haystack, needle, from);
}

size_t FindBytes(std::string_view haystack, std::string_view needle, size_t from) {
  if (from > haystack.size()) return std::string_view::npos;
  const void* hit = ::memmem(haystack.data() + from, haystack.size() - from, needle.data(), needle.size());
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - haystack.data()) : std::string_view::npos;
}

size_t FindLast(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return std::string_view::npos;
  // memmem forward is far faster than a byte-wise backward search; keep the last hit.
  size_t last = std::string_view::npos;
  for (size_t hit = FindBytes(haystack, needle); hit != std::string_view::npos;
       hit = FindBytes(haystack, needle, hit + 1))
    last = hit;
  return last;
}

}  // namespace kestrum
