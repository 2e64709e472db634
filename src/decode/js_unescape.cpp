#include "decode/js_unescape.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/seams.h"
#include "core/settings.h"
#include "decode/char_table.h"

namespace kestrum {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool StartsWithHexCode(std::string_view piece) {
  return piece.size() >= 2 && HexValue(piece[0]) >= 0 && HexValue(piece[1]) >= 0;
}

void Tell(Context& ctx, const char* message) {
  if (ctx.desktop) ctx.desktop->showMessage(message, kProgramTitle, MessageIcon::Information, MessageButtons::Ok);
  WriteLog(ctx, message);
}

struct KeyHash {
  using is_transparent = void;
  size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
};

// Table lookups for one decode. charcfg.ini cannot change while a decode runs, so each distinct
// key is read from the file once instead of once per escape.
class CharTableReader {
 public:
  explicit CharTableReader(Context& ctx) : ctx_(ctx) {}

  // The expanded value stored under `key`, or empty when there is none.
  const std::string& valueOf(std::string_view key) {
    if (auto known = values_.find(key); known != values_.end()) return known->second;
    return values_.emplace(key, ExpandCharNames(ReadCharConfig(ctx_, kCharTableSection, key, ""))).first->second;
  }

 private:
  Context& ctx_;
  std::unordered_map<std::string, std::string, KeyHash, std::equal_to<>> values_;
};

// Decodes "%XX" through the table. Text between the escapes is kept as written: the text before
// the first "%" is plain, and a piece that is not a key keeps its "%" unless it starts with a
// two-digit code, which is decoded in front of the rest. Empty when no escape was decoded.
std::string DecodeWithCharTable(Context& ctx, std::string_view text) {
  CharTableReader table(ctx);
  size_t percent = text.find('%');
  std::string result(text.substr(0, percent));
  bool decoded_any = false;
  while (percent != std::string_view::npos) {
    const size_t next = text.find('%', percent + 1);
    const std::string_view piece = text.substr(percent + 1, next == std::string_view::npos ? next : next - percent - 1);
    percent = next;
    if (const std::string& whole = table.valueOf(piece); !whole.empty()) {
      result += whole;
      decoded_any = true;
    } else if (StartsWithHexCode(piece) && !table.valueOf(piece.substr(0, 2)).empty()) {
      result.append(table.valueOf(piece.substr(0, 2))).append(piece.substr(2));
      decoded_any = true;
    } else {
      result.append("%").append(piece);
    }
  }
  return decoded_any ? result : std::string();
}

}  // namespace

std::string UnescapeURL(std::string_view text) {
  if (text.empty()) return std::string();
  std::string out;
  out.reserve(std::min(text.size(), kUnescapeResultLimit));
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
    if (out.size() > kUnescapeResultLimit) return std::string(text);
  }
  return out.empty() ? std::string(text) : out;
}

std::string UnescapeJavascript(Context& ctx, std::string_view text) {
  if (text.size() < 3 || text.find('%') == std::string_view::npos) Tell(ctx, kNotEscapedMessage);

  std::string unescaped = UnescapeURL(text);
  if (unescaped != text) return unescaped;

  std::string from_table = DecodeWithCharTable(ctx, text);
  if (from_table.empty()) {
    Tell(ctx, kUnescapeFailedMessage);
    return std::string(text);
  }
  return from_table;
}

}  // namespace kestrum
