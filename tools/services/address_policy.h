#pragma once
// Which addresses the proxy may reach. Unless the operator allows it, the proxy only talks to
// public unicast addresses, so it cannot be used to reach the machine it runs on or its network.
#include <array>
#include <cstdint>
#include <string>

struct sockaddr;

namespace kestrum::services {

bool IsPublicIPv4(uint32_t address);
bool IsPublicIPv6(const std::array<uint8_t, 16>& address);
// For a resolved socket address (AF_INET or AF_INET6); any other family is not public.
bool IsPublicSocketAddress(const sockaddr* address);
// The numeric text of a resolved socket address, IPv6 without brackets.
std::string NumericHostOf(const sockaddr* address);

}  // namespace kestrum::services
