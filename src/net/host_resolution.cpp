#include "net/host_resolution.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cmath>
#include <cstdlib>

#include "core/resolver.h"
#include "core/text.h"
#include "net/host_ip_monitor.h"
#include "net/system_resolver.h"

namespace kestrum {
namespace {

// The address parser of the socket layer: dotted, shortened, octal and hex forms; "Invalid IP"
// for the no-address value, which "255.255.255.255" shares.
std::optional<uint32_t> ParseAddressText(std::string_view text) {
  const std::string zero_terminated(text.substr(0, text.find('\0')));
  const in_addr_t address = ::inet_addr(zero_terminated.c_str());
  if (address == INADDR_NONE) return std::nullopt;
  return address;
}

std::string ReverseOne(Context& ctx, std::string_view text, std::string_view failure_text) {
  const auto address = ParseAddressText(text);
  if (!address) return "Invalid IP";
  const auto name = ResolverOf(ctx).reverse(AddressToText(*address));
  return name ? *name : std::string(failure_text);
}

std::string DottedFromNumber(double value) {
  if (value < 0) return {};
  std::string dotted;
  for (int i = 1; i <= 4; ++i) {
    const double place = std::pow(256.0, 4 - i);
    const double octet = std::floor(value / place);
    value -= octet * place;
    if (octet > 255) return "0.0.0.0";
    if (i > 1) dotted += '.';
    dotted += std::to_string(static_cast<int>(octet));
  }
  return dotted;
}

std::string NumberFromDotted(const std::vector<std::string>& parts) {
  uint64_t sum = 0;
  bool above_range = false;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!IsNumeric(parts[i])) return {};
    const double part = std::floor(std::strtod(std::string(TrimBlank(parts[i])).c_str(), nullptr));
    if (part < 0) return {};
    if (part > 255) {
      above_range = true;
      continue;
    }
    sum += static_cast<uint64_t>(part) << (8 * (3 - i));
  }
  return above_range ? "0" : std::to_string(sum);
}

}  // namespace

bool SocketsInitialize() {
  return true;
}
void SocketsCleanup() {}

Resolver& ResolverOf(Context& ctx) {
  static SystemResolver system_resolver;
  return ctx.resolver != nullptr ? *ctx.resolver : system_resolver;
}

std::string ResolveHost(Context& ctx, std::string_view host) {
  SocketsInitialize();
  const std::vector<std::string> addresses = ResolverOf(ctx).resolve(host);
  SocketsCleanup();
  if (addresses.empty()) return ResolveHostFirst(ctx, host);
  std::string list;
  for (const auto& address : addresses) {
    if (!list.empty()) list += ", ";
    list += address;
  }
  return list;
}

std::string ReverseLookup(Context& ctx, std::string_view addresses) {
  if (!SocketsInitialize()) return "Sockets failed to initialize";
  std::string answer;
  if (!Contains(addresses, ",")) {
    answer = ReverseOne(ctx, addresses, "Resolution failed");
  } else {
    // Pieces go to the parser as they are: a piece with a leading space is not an address.
    bool first = true;
    for (const auto& piece : Split(addresses, ",")) {
      if (!first) answer += ',';
      first = false;
      answer += ReverseOne(ctx, piece, "Resolution Failed");
    }
  }
  SocketsCleanup();
  return answer;
}

std::string ConvertIPValue(std::string_view value) {
  value = Before(value, ":");
  value = Before(value, "_");
  if (IsNumeric(value)) return DottedFromNumber(std::strtod(std::string(TrimBlank(value)).c_str(), nullptr));
  const std::vector<std::string> parts = Split(value, ".");
  if (parts.size() != 4) return {};
  return NumberFromDotted(parts);
}

std::string ConvertIP(std::string& host) {
  host = std::string(Before(host, ":"));
  host = std::string(Before(host, "_"));
  return ConvertIPValue(host);
}

std::string AddressToText(uint32_t network_order_address) {
  in_addr address{};
  address.s_addr = network_order_address;
  char text[INET_ADDRSTRLEN] = {};
  if (::inet_ntop(AF_INET, &address, text, sizeof text) == nullptr) return {};
  return text;
}

}  // namespace kestrum
