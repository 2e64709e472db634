#include "services/proxy_target.h"

#include "core/text.h"
#include "services/request_target.h"

namespace kestrum::services {
namespace {

// Where the "url" key's value starts: at the query's start or after an "&".
size_t UrlValueStart(std::string_view query) {
  for (size_t pos = 0; pos < query.size();) {
    if (EqualsNoCase(query.substr(pos, 4), "url=")) return pos + 4;
    const size_t amp = query.find('&', pos);
    if (amp == std::string_view::npos) break;
    pos = amp + 1;
  }
  return std::string_view::npos;
}

size_t LastRefKey(std::string_view text) {
  for (size_t pos = text.size(); pos > 0;) {
    const size_t hit = text.rfind('&', pos - 1);
    if (hit == std::string_view::npos) break;
    if (EqualsNoCase(text.substr(hit, 5), "&ref=")) return hit;
    if (hit == 0) break;
    pos = hit;
  }
  return std::string_view::npos;
}

}  // namespace

std::optional<ProxyQuery> ParseProxyQuery(std::string_view raw_query) {
  const size_t start = UrlValueStart(raw_query);
  if (start == std::string_view::npos) return std::nullopt;
  std::string_view value = raw_query.substr(start);
  ProxyQuery query;
  if (const size_t ref = LastRefKey(value); ref != std::string_view::npos) {
    query.referrer = PercentDecode(value.substr(ref + 5), false);
    value = value.substr(0, ref);
  }
  if (query.referrer == "[REF]") query.referrer.clear();
  const std::string opening = ToLowerAscii(value.substr(0, 8));
  if (StartsWith(opening, "http%3a") || StartsWith(opening, "https%3a"))
    query.target = PercentDecode(value, false);
  else
    query.target = std::string(value);
  if (query.target.empty()) return std::nullopt;
  return query;
}

std::optional<std::string> ProxyTargetAddress(std::string_view target) {
  std::string address;
  address.reserve(target.size() + 7);
  if (target.find("://") == std::string_view::npos) address = "http://";
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : target) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
    if (byte == ' ' || byte >= 0x80) {
      address += '%';
      address += kHex[byte >> 4];
      address += kHex[byte & 15];
    } else {
      address += c;
    }
  }
  const std::string scheme = ToLowerAscii(Before(address, "://"));
  if (scheme != "http" && scheme != "https") return std::nullopt;
  const std::string_view rest = After(address, "://");
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  if (authority.empty() || authority.front() == ':') return std::nullopt;
  return address;
}

}  // namespace kestrum::services
