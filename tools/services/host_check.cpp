#include "services/host_check.h"

#include <boost/asio/ip/address.hpp>
#include <optional>

#include "core/text.h"
#include "services/host_text.h"

namespace kestrum::services {
namespace {

namespace ip = boost::asio::ip;

// An address in one spelling ("::FFFF:127.0.0.1" is "127.0.0.1"), or nothing.
std::optional<ip::address> AddressOf(std::string_view text) {
  boost::system::error_code error;
  const ip::address parsed = ip::make_address(std::string(text), error);
  if (error) return std::nullopt;
  if (parsed.is_v6() && parsed.to_v6().is_v4_mapped()) return ip::make_address_v4(ip::v4_mapped, parsed.to_v6());
  return parsed;
}

// A Host value or a name as compared: port, brackets and trailing dots dropped, lower case,
// addresses in their canonical spelling.
std::string ComparableHost(std::string_view text) {
  const auto bare_address = AddressOf(TrimBlank(text));  // an IPv6 address without brackets
  if (bare_address) return bare_address->to_string();
  const std::string host = HostOfLookupText(text);
  const auto address = AddressOf(host);
  return address ? address->to_string() : host;
}

}  // namespace

HostCheck::HostCheck(std::string_view listen_address, const std::vector<std::string>& extra_names) {
  names_.push_back(ComparableHost(listen_address));
  for (const std::string& name : extra_names) names_.push_back(ComparableHost(name));
}

bool HostCheck::Allows(std::string_view host, std::string_view local_address) const {
  if (host.empty()) return true;
  const std::string name = ComparableHost(host);
  if (name.empty()) return false;
  for (const std::string& allowed : names_)
    if (name == allowed) return true;
  const auto local = AddressOf(local_address);
  if (local && name == local->to_string()) return true;
  return name == "localhost" && local && local->is_loopback();
}

}  // namespace kestrum::services
