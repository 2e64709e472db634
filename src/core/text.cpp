#include "core/text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kestrum {

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string ToLowerAnsi(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AnsiLower(c);
  return out;
}

std::string ToUpperAnsi(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AnsiUpper(c);
  return out;
}

namespace {

// Eight bytes at a time; a pair of words that differ only in case fold to the same word.
bool MatchesNoCase(const char* at, std::string_view needle) {
  size_t k = 0;
  for (uint64_t a, b; k + 8 <= needle.size(); k += 8) {
    std::memcpy(&a, at + k, 8);
    std::memcpy(&b, needle.data() + k, 8);
    if (a != b && FoldedWord(a) != FoldedWord(b)) return false;
  }
  for (; k < needle.size(); ++k)
    if (AnsiLower(at[k]) != AnsiLower(needle[k])) return false;
  return true;
}

}  // namespace

size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= haystack.size() ? from : std::string_view::npos;
  if (needle.size() > haystack.size() || from > haystack.size() - needle.size()) return std::string_view::npos;
  const char* base = haystack.data();
  const size_t last_start = haystack.size() - needle.size();
  // memchr finds the candidates: on a byte of the needle that has no other case when there is one
  // (the last, which is often the rarest punctuation), else on both spellings of the first.
  size_t anchor = needle.size();
  for (size_t k = needle.size(); k-- > 0;) {
    if (IsCaseless(needle[k])) {
      anchor = k;
      break;
    }
  }
  if (anchor < needle.size()) {
    for (size_t scan = from + anchor; scan <= last_start + anchor;) {
      const void* hit = std::memchr(base + scan, needle[anchor], last_start + anchor + 1 - scan);
      if (!hit) break;
      const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - base) - anchor;
      if (MatchesNoCase(base + at, needle)) return at;
      scan = at + anchor + 1;
    }
    return std::string_view::npos;
  }
  const char lower = AnsiLower(needle[0]), upper = AnsiUpper(lower);
  auto next = [&](char c, size_t start) -> size_t {
    if (start > last_start) return std::string_view::npos;
    const void* hit = std::memchr(base + start, c, last_start + 1 - start);
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - base) : std::string_view::npos;
  };
  size_t next_lower = next(lower, from), next_upper = lower == upper ? std::string_view::npos : next(upper, from);
  while (next_lower != std::string_view::npos || next_upper != std::string_view::npos) {
    const bool take_lower = next_lower < next_upper;
    const size_t at = take_lower ? next_lower : next_upper;
    if (MatchesNoCase(base + at, needle)) return at;
    if (take_lower) {
      next_lower = next(lower, at + 1);
    } else {
      next_upper = next(upper, at + 1);
    }
  }
  return std::string_view::npos;
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  return FindNoCase(haystack, needle) != std::string_view::npos;
}
bool Contains(std::string_view haystack, std::string_view needle) {
  return haystack.find(needle) != std::string_view::npos;
}
bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}
bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}
bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && MatchesNoCase(a.data(), b);
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (;;) {
    const size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::vector<std::string> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t pos = 0;
  for (;;) {
    const size_t hit = text.find(separator, pos);
    if (hit == std::string_view::npos) break;
    pieces.emplace_back(text.substr(pos, hit - pos));
    pos = hit + separator.size();
  }
  pieces.emplace_back(text.substr(pos));
  return pieces;
}

std::string_view Before(std::string_view text, std::string_view separator) {
  const size_t hit = text.find(separator);
  return hit == std::string_view::npos ? text : text.substr(0, hit);
}

std::string_view After(std::string_view text, std::string_view separator) {
  const size_t hit = text.find(separator);
  return hit == std::string_view::npos ? std::string_view() : text.substr(hit + separator.size());
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string_view TrimBlank(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsNumeric(std::string_view text) {
  text = TrimBlank(text);
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  bool digits = false, point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

std::string ToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

// Code points of bytes 0x80..0x9F in Windows-1252; the five undefined ones keep their C1 value.
constexpr std::array<char32_t, 32> kHighControls = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

char32_t AnsiToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

int UnicodeToAnsi(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == cp) return static_cast<int>(0x80 + i);
  return -1;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size() + ansi.size() / 8);
  for (unsigned char byte : ansi) {
    if (byte < 0x80)
      out += static_cast<char>(byte);
    else
      AppendUtf8(out, AnsiToUnicode(byte));
  }
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  const size_t n = utf8.size();
  while (i < n) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    }
    int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
    if (lead >= 0xF8) extra = -1;
    char32_t cp = extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = extra > 0;
    for (int k = 1; valid && k <= extra; ++k) {
      if (i + static_cast<size_t>(k) >= n) {
        valid = false;
        break;
      }
      const unsigned char cont = static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]);
      if ((cont & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (cont & 0x3F);
    }
    // Overlong forms (a "/" spelled in three bytes), surrogates and values past U+10FFFF are
    // not characters; letting them through would smuggle ASCII past checks made on the bytes.
    constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (valid && (cp < kSmallest[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)) valid = false;
    if (!valid) {
      out += '?';  // a broken sequence is one unmappable character
      ++i;
      continue;
    }
    const int mapped = UnicodeToAnsi(cp);
    out += mapped < 0 ? '?' : static_cast<char>(mapped);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

}  // namespace kestrum
