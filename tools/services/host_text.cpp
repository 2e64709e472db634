#include "services/host_text.h"

#include "core/text.h"

namespace kestrum::services {

std::string HostOfLookupText(std::string_view text) {
  std::string_view host = TrimBlank(text);
  if (const size_t scheme_end = host.find("://"); scheme_end != std::string_view::npos)
    host = host.substr(scheme_end + 3);
  host = host.substr(0, host.find_first_of("/?#"));
  if (const size_t at = host.rfind('@'); at != std::string_view::npos) host = host.substr(at + 1);
  if (!host.empty() && host.front() == '[') {
    const size_t close = host.find(']');
    host = host.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
  } else {
    host = host.substr(0, host.find(':'));
  }
  while (!host.empty() && host.back() == '.') host.remove_suffix(1);
  return ToLowerAscii(host);
}

std::optional<uint32_t> ParseIPv4(std::string_view text) {
  uint32_t address = 0;
  int parts = 0;
  size_t pos = 0;
  while (parts < 4) {
    size_t digits = 0;
    uint32_t part = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
      part = part * 10 + static_cast<uint32_t>(text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0 || digits > 3 || part > 255) return std::nullopt;
    address = (address << 8) | part;
    ++parts;
    if (parts < 4) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
  }
  if (pos != text.size()) return std::nullopt;
  return address;
}

std::string IPv4Text(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 255) + "." +
         std::to_string((address >> 8) & 255) + "." + std::to_string(address & 255);
}

std::string NormalizedAddress(std::string_view address) {
  std::string_view text = TrimBlank(address);
  text = text.substr(0, text.find('#'));
  std::string scheme = "http";
  if (const size_t scheme_end = text.find("://"); scheme_end != std::string_view::npos) {
    scheme = ToLowerAscii(text.substr(0, scheme_end));
    text = text.substr(scheme_end + 3);
  }
  const size_t path_start = text.find_first_of("/?");
  std::string rest(path_start == std::string_view::npos ? std::string_view() : text.substr(path_start));
  if (rest.empty() || rest.front() == '?') rest.insert(0, "/");
  return scheme + "://" + ToLowerAscii(text.substr(0, path_start)) + rest;
}

}  // namespace kestrum::services
