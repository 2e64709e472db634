#include "services/lenient_base64.h"

#include <cstdint>

namespace kestrum::services {
namespace {

int SextetOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+' || c == '-') return 62;
  if (c == '/' || c == '_') return 63;
  return -1;
}

}  // namespace

std::optional<std::string> DecodeBase64Leniently(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  uint32_t bits = 0;
  int held = 0;  // sextets in `bits`
  bool padding_seen = false;
  for (const char c : text) {
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
    if (c == '=') {
      padding_seen = true;
      continue;
    }
    const int sextet = SextetOf(c);
    if (sextet < 0 || padding_seen) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(sextet);
    if (++held == 4) {
      out.push_back(static_cast<char>((bits >> 16) & 0xFF));
      out.push_back(static_cast<char>((bits >> 8) & 0xFF));
      out.push_back(static_cast<char>(bits & 0xFF));
      bits = 0;
      held = 0;
    }
  }
  if (held == 1) return std::nullopt;
  if (held == 2) out.push_back(static_cast<char>((bits >> 4) & 0xFF));
  if (held == 3) {
    out.push_back(static_cast<char>((bits >> 10) & 0xFF));
    out.push_back(static_cast<char>((bits >> 2) & 0xFF));
  }
  return out;
}

}  // namespace kestrum::services
