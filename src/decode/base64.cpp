#include "decode/base64.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/seams.h"

namespace kestrum {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kGroupsPerLine = 18;  // 18 groups of 4 make the 72-character line

// Byte to 6-bit value; every byte outside the alphabet ("=" included) counts as 0.
constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  for (uint8_t v = 0; v < 64; ++v) table[static_cast<unsigned char>(kAlphabet[v])] = v;
  return table;
}
constexpr auto kDecodeTable = MakeDecodeTable();

// The characters the cleaning step removes before the length test: CR, LF and space (not tab).
constexpr bool IsSkipped(unsigned char c) { return c == '\r' || c == '\n' || c == ' '; }

inline char* PutGroup(char* out, uint32_t v) {
  out[0] = kAlphabet[(v >> 18) & 63];
  out[1] = kAlphabet[(v >> 12) & 63];
  out[2] = kAlphabet[(v >> 6) & 63];
  out[3] = kAlphabet[v & 63];
  return out + 4;
}

inline uint32_t GroupOf(const unsigned char* in) {
  return (uint32_t{in[0]} << 16) | (uint32_t{in[1]} << 8) | in[2];
}

// The text without CR, LF and spaces; a view of the input when it holds none of them.
std::string_view Cleaned(std::string_view text, std::string& storage) {
  size_t i = 0;
  while (i < text.size() && !IsSkipped(static_cast<unsigned char>(text[i]))) ++i;
  if (i == text.size()) return text;
  storage.resize(text.size());
  char* out = storage.data();
  std::copy(text.data(), text.data() + i, out);
  size_t kept = i;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    out[kept] = c;
    kept += IsSkipped(static_cast<unsigned char>(c)) ? 0 : 1;
  }
  storage.resize(kept);
  return storage;
}

}  // namespace

std::string Base64Encode(std::string_view text) {
  const size_t n = text.size();
  const size_t appended = (3 - n % 3) % 3;  // zero bytes that complete the last group
  const size_t groups = (n + appended) / 3;
  const size_t data_chars = groups * 4;
  std::string out(data_chars + data_chars / 72 * 2, '\0');
  if (groups == 0) return out;

  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  char* o = out.data();
  const size_t whole_groups = n / 3;
  size_t g = 0;
  while (g < whole_groups) {
    const size_t line_end = std::min(whole_groups, g + kGroupsPerLine - g % kGroupsPerLine);
    for (; g < line_end; ++g) o = PutGroup(o, GroupOf(in + 3 * g));
    if (g % kGroupsPerLine == 0) {
      *o++ = '\r';
      *o++ = '\n';
    }
  }
  if (appended != 0) {
    unsigned char last[3] = {0, 0, 0};
    for (size_t k = 0; 3 * g + k < n; ++k) last[k] = in[3 * g + k];
    o = PutGroup(o, GroupOf(last));
    if (++g % kGroupsPerLine == 0) {
      *o++ = '\r';
      *o++ = '\n';
    }
    // The pad characters go before a closing CR LF, which stays.
    size_t last_data = out.size() - 1;
    if (out.back() == '\n') last_data -= 2;
    out[last_data] = '=';
    if (appended == 2) out[last_data - 1] = '=';
  }
  return out;
}

bool IsBase64(std::string_view text) {
  size_t kept = 0;
  for (const char c : text) kept += IsSkipped(static_cast<unsigned char>(c)) ? 0 : 1;
  return kept % 4 == 0;
}

std::optional<std::string> Base64DecodeText(std::string_view text) {
  std::string storage;
  const std::string_view cleaned = Cleaned(text, storage);
  if (cleaned.size() % 4 != 0) return std::nullopt;

  // The pad count looks for "=" anywhere, not only at the end; for well-formed input they agree.
  const size_t pad = cleaned.find("==") != std::string_view::npos ? 2
                     : cleaned.find('=') != std::string_view::npos ? 1
                                                                    : 0;
  std::string out(cleaned.size() / 4 * 3, '\0');
  const auto* in = reinterpret_cast<const unsigned char*>(cleaned.data());
  char* o = out.data();
  for (size_t i = 0; i < cleaned.size(); i += 4) {
    const uint32_t v = (uint32_t{kDecodeTable[in[i]]} << 18) | (uint32_t{kDecodeTable[in[i + 1]]} << 12) |
                       (uint32_t{kDecodeTable[in[i + 2]]} << 6) | kDecodeTable[in[i + 3]];
    o[0] = static_cast<char>(v >> 16);
    o[1] = static_cast<char>(v >> 8);
    o[2] = static_cast<char>(v);
    o += 3;
  }
  out.resize(out.size() - pad);
  return out;
}

bool Base64Decode(Context& ctx, TextPane& target, std::string_view text) {
  auto decoded = Base64DecodeText(text);
  if (!decoded) {
    if (ctx.desktop) ctx.desktop->showMessage(kNotBase64Message, kProgramTitle, MessageIcon::Exclamation,
                                              MessageButtons::Ok);
    WriteLog(ctx, kNotBase64Message);
    return false;
  }
  target.setText(*decoded);
  return true;
}

}  // namespace kestrum
