#include "net/url.h"

#include <optional>

#include "core/app_log.h"
#include "core/text.h"

namespace kestrum {
namespace {

// The system URL parser hands back at most 259 characters (a 260-character buffer).
constexpr size_t kUrlPartLimit = 259;

bool IsSchemeCharacter(char c, bool first) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (first) return letter;
  return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

struct ParsedAddress {
  std::string_view scheme;
  std::string_view user;
  std::string_view password;
  std::string_view host;
  std::string_view port;
  std::string_view query;
  bool has_authority = false;
};

std::optional<ParsedAddress> ParseAddress(std::string_view address) {
  // The system parser reads a zero-terminated text.
  address = address.substr(0, address.find('\0'));
  size_t colon = 0;
  while (colon < address.size() && IsSchemeCharacter(address[colon], colon == 0)) ++colon;
  if (colon == 0 || colon >= address.size() || address[colon] != ':') return std::nullopt;

  ParsedAddress parsed;
  parsed.scheme = address.substr(0, colon);
  std::string_view rest = address.substr(colon + 1);

  const size_t question = rest.find('?');
  if (question != std::string_view::npos) {
    parsed.query = rest.substr(question + 1);
    parsed.query = parsed.query.substr(0, parsed.query.find('#'));
  }

  if (!StartsWith(rest, "//")) return parsed;
  parsed.has_authority = true;
  rest.remove_prefix(2);
  std::string_view authority = rest.substr(0, rest.find_first_of("/\\?#"));

  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view user_info = authority.substr(0, at);
    parsed.user = Before(user_info, ":");
    parsed.password = After(user_info, ":");
    authority.remove_prefix(at + 1);
  }
  if (StartsWith(authority, "[")) {
    const size_t close = authority.find(']');
    const size_t host_end = close == std::string_view::npos ? authority.size() : close + 1;
    parsed.host = authority.substr(0, host_end);
    parsed.port = After(authority.substr(host_end), ":");
  } else {
    parsed.host = Before(authority, ":");
    parsed.port = After(authority, ":");
  }
  return parsed;
}

}  // namespace

HostFromURLSteps SplitHostFromURL(std::string_view address) {
  HostFromURLSteps steps;
  const std::vector<std::string> pieces = Split(address, "://");
  const std::string protocol = pieces.front() + "://";
  std::string working;
  if (pieces.size() > 1) {
    steps.protocol_found = true;
    working = pieces[1];
  }
  // The "@" test comes before the path is cut off: an "@" in the path moves the host too.
  if (Contains(working, "@")) {
    steps.at_found = true;
    working = Split(working, "@")[1];
  }
  working = std::string(Before(working, "/"));
  working = std::string(Before(working, ":"));
  steps.result = protocol + working;
  return steps;
}

std::string GetHostFromURL(Context& ctx, std::string_view address) {
  if (address.empty()) return {};
  const HostFromURLSteps steps = SplitHostFromURL(address);
  WriteLog(ctx, "Protocol stripped");
  if (steps.protocol_found) WriteLog(ctx, "Protocol stripped");
  if (steps.at_found) WriteLog(ctx, "@ was detected, split URL out of @");
  WriteLog(ctx, "I made it out of GetHostFromURL");
  return steps.result;
}

std::string GetURLPart(std::string_view address, int32_t part, int32_t flags) {
  if (address.empty()) return {};
  const auto parsed = ParseAddress(address);
  if (!parsed) return {};

  std::string_view value;
  switch (part) {
    case kUrlPartScheme:
      value = parsed->scheme;
      break;
    case kUrlPartHostName:
      value = parsed->host;
      break;
    case kUrlPartUserName:
      value = parsed->user;
      break;
    case kUrlPartPassword:
      value = parsed->password;
      break;
    case kUrlPartPort:
      value = parsed->port;
      break;
    case kUrlPartQuery:
      value = parsed->query;
      break;
    default:
      return {};
  }
  if (part != kUrlPartScheme && part != kUrlPartQuery && !parsed->has_authority) return {};
  if (value.empty()) return {};

  std::string result;
  if ((flags & kUrlPartFlagKeepScheme) != 0 && part != kUrlPartScheme) {
    result.append(parsed->scheme).append(":");
  }
  result.append(value);
  if (result.size() > kUrlPartLimit) return {};
  return result;
}

std::string GetPathPart(int32_t mode, std::string_view text) {
  switch (mode) {
    case FileName: {
      const size_t last = text.find_last_of("\\/");
      return std::string(last == std::string_view::npos ? text : text.substr(last + 1));
    }
    case Folder: {
      const std::string_view separator = Contains(text, "/") ? "/" : "\\";
      const size_t last = text.rfind(separator);
      return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last));
    }
    case HostKey: {
      const std::string host = GetURLPart(text, kUrlPartHostName, kUrlPartFlagKeepScheme);
      return ReplaceAll(ReplaceAll(host, ":", ""), ".", "_");
    }
    default:
      return {};
  }
}

std::string EscapeUnsafeURLBytes(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '#') {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace kestrum
