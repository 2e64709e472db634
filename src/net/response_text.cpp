#include "net/response_text.h"

#include "core/text.h"
#include "net/declared_charset.h"

namespace kestrum {
namespace {

enum class Charset { Utf8, Ansi, Utf16LittleEndian, Utf16BigEndian };

Charset CharsetOf(std::string_view content_type) {
  const std::string name = ToLowerAscii(CharsetParameter(content_type));
  // Latin-1 and ASCII pages are taken as the code page itself, as Windows does.
  for (const char* ansi : {"windows-1252", "cp1252", "iso-8859-1", "iso8859-1", "latin1", "us-ascii", "ascii"}) {
    if (name == ansi) return Charset::Ansi;
  }
  if (name == "utf-16be" || name == "unicodefffe") return Charset::Utf16BigEndian;
  if (name == "utf-16" || name == "utf-16le" || name == "unicode") return Charset::Utf16LittleEndian;
  return Charset::Utf8;
}

std::string Utf16ToAnsi(std::string_view bytes, bool big_endian) {
  std::string out;
  out.reserve(bytes.size() / 2);
  auto unit_at = [&](size_t i) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? (first << 8) | second : (second << 8) | first;
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char32_t unit = unit_at(i);
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      // Every character outside the basic plane is beyond the code page: one "?" for the pair.
      const bool pair = unit <= 0xDBFF && i + 3 < bytes.size() && unit_at(i + 2) >= 0xDC00 && unit_at(i + 2) <= 0xDFFF;
      if (pair) i += 2;
      out += '?';
      continue;
    }
    const int mapped = UnicodeToAnsi(unit);
    out += mapped < 0 ? '?' : static_cast<char>(mapped);
  }
  if (bytes.size() % 2 != 0) out += '?';
  return out;
}

}  // namespace

std::string ResponseTextInAnsi(std::string_view body, std::string_view content_type) {
  // A byte order mark outranks the declared charset.
  if (StartsWith(body, "\xEF\xBB\xBF")) return Utf8ToAnsi(body.substr(3));
  if (StartsWith(body, "\xFF\xFE")) return Utf16ToAnsi(body.substr(2), false);
  if (StartsWith(body, "\xFE\xFF")) return Utf16ToAnsi(body.substr(2), true);
  switch (CharsetOf(content_type)) {
    case Charset::Ansi:
      return std::string(body);
    case Charset::Utf16LittleEndian:
      return Utf16ToAnsi(body, false);
    case Charset::Utf16BigEndian:
      return Utf16ToAnsi(body, true);
    case Charset::Utf8:
      break;
  }
  return Utf8ToAnsi(body);
}

std::string ResponseCharsetName(std::string_view body, std::string_view content_type) {
  if (StartsWith(body, "\xEF\xBB\xBF")) return "utf-8";
  if (StartsWith(body, "\xFF\xFE")) return "utf-16le";
  if (StartsWith(body, "\xFE\xFF")) return "utf-16be";
  switch (CharsetOf(content_type)) {
    case Charset::Ansi:
      return "windows-1252";
    case Charset::Utf16LittleEndian:
      return "utf-16le";
    case Charset::Utf16BigEndian:
      return "utf-16be";
    case Charset::Utf8:
      break;
  }
  return "utf-8";
}

}  // namespace kestrum
