#include "decode/js_unescape.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/text.h"
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

// Table lookups for one decode. charcfg.ini cannot change while a decode runs, so each distinct
// key is read from the file once instead of once per escape.
class CharTableReader {
 public:
  explicit CharTableReader(Context& ctx) : ctx_(ctx) {}

  // The expanded value stored under `key`, or empty when there is none.
  const std::string& valueOf(std::string_view key) {
    auto [it, inserted] = values_.try_emplace(std::string(key));
    if (inserted) it->second = ExpandCharNames(ReadCharConfig(ctx_, kCharTableSection, key, ""));
    return it->second;
  }

 private:
  Context& ctx_;
  std::unordered_map<std::string, std::string> values_;
};

// Decodes "%XX" through the table. Text between the escapes is kept as written: the text before
// the first "%" is plain, and a piece that is not a key keeps its "%" unless it starts with a
// two-digit code, which is decoded in front of the rest. Empty when no escape was decoded.
std::string DecodeWithCharTable(Context& ctx, std::string_view text) {
  CharTableReader table(ctx);
  const std::vector<std::string> pieces = Split(text, "%");
  std::string result = pieces.front();
  bool decoded_any = false;
  for (size_t i = 1; i < pieces.size(); ++i) {
    const std::string_view piece = pieces[i];
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
