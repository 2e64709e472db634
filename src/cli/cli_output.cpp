#include "cli/cli_output.h"

#include <array>
#include <cstdint>
#include <cstdio>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/text.h"

namespace kestrum::cli {

namespace {

// How ForTerminal treats each byte of engine text.
enum ByteKind : uint8_t { kPlain, kControl, kCarriageReturn, kHigh };

constexpr std::array<uint8_t, 256> kByteKinds = [] {
  std::array<uint8_t, 256> kinds{};
  for (int b = 0; b < 0x20; ++b) kinds[static_cast<size_t>(b)] = kControl;
  kinds['\t'] = kPlain;
  kinds['\n'] = kPlain;
  kinds['\r'] = kCarriageReturn;
  kinds[0x7f] = kControl;
  for (int b = 0x80; b < 0x100; ++b) kinds[static_cast<size_t>(b)] = kHigh;
  return kinds;
}();

void AppendEscaped(std::string& out, const char* format, unsigned value) {
  char code[8];
  const int n = std::snprintf(code, sizeof code, format, value);
  out.append(code, static_cast<size_t>(n));
}

// The end of the run of plain bytes that starts at `i`: a page is mostly plain, so sixteen bytes
// are tested at a time.
size_t PlainEnd(std::string_view text, size_t i) {
  const size_t size = text.size();
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' '), del = _mm_set1_epi8(0x7f), tab = _mm_set1_epi8('\t'),
                lf = _mm_set1_epi8('\n');
  for (; i + 16 <= size; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    // Compared as signed bytes, those from 0x80 up are below the blank with the controls.
    const __m128i special = _mm_or_si128(_mm_cmplt_epi8(block, space), _mm_cmpeq_epi8(block, del));
    const __m128i kept = _mm_or_si128(_mm_cmpeq_epi8(block, tab), _mm_cmpeq_epi8(block, lf));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(kept, special)));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < size && kByteKinds[static_cast<unsigned char>(text[i])] == kPlain) ++i;
  return i;
}

}  // namespace

// One pass over the text: CR LF becomes LF, the rest as EscapeControls(AnsiToUtf8(text)) gives.
std::string ForTerminal(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size() + ansi.size() / 16 + 16);
  const size_t size = ansi.size();
  size_t i = 0;
  while (i < size) {
    const size_t plain_end = PlainEnd(ansi, i);
    out.append(ansi.data() + i, plain_end - i);
    if (plain_end == size) break;
    i = plain_end;
    const auto byte = static_cast<unsigned char>(ansi[i]);
    switch (kByteKinds[byte]) {
      case kCarriageReturn:
        if (i + 1 < size && ansi[i + 1] == '\n') {
          out += '\n';
          ++i;
        } else {
          AppendEscaped(out, "\\x%02x", byte);
        }
        break;
      case kControl:
        AppendEscaped(out, "\\x%02x", byte);
        break;
      default: {
        const char32_t code_point = AnsiToUnicode(byte);
        if (code_point < 0xA0) {
          AppendEscaped(out, "\\u%04x", static_cast<unsigned>(code_point));  // a C1 control
        } else if (code_point < 0x800) {
          out += static_cast<char>(0xC0 | (code_point >> 6));
          out += static_cast<char>(0x80 | (code_point & 0x3F));
        } else {
          out += static_cast<char>(0xE0 | (code_point >> 12));
          out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
          out += static_cast<char>(0x80 | (code_point & 0x3F));
        }
      }
    }
    ++i;
  }
  return out;
}

std::string EscapeControls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  char code[8];
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if ((byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7f) {
      std::snprintf(code, sizeof code, "\\x%02x", byte);
      out += code;
    } else if (byte == 0xc2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(utf8[i + 1]) <= 0x9f) {
      std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned char>(utf8[++i]));
      out += code;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

bool WriteOut(std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

std::string FromTerminal(std::string_view utf8) {
  return Utf8ToAnsi(utf8);
}

std::string ColorText(Rgb color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", color.r, color.g, color.b);
  return text;
}

}  // namespace kestrum::cli
