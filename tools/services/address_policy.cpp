#include "services/address_policy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace kestrum::services {
namespace {

struct Block4 {
  uint32_t base;
  int bits;
};

// Special-purpose IPv4 blocks: this network, private, shared, loopback, link-local, protocol
// assignments, documentation, benchmarking, multicast, reserved and broadcast.
constexpr Block4 kNonPublic4[] = {
    {0x00000000, 8},  {0x0A000000, 8},  {0x64400000, 10}, {0x7F000000, 8},  {0xA9FE0000, 16},
    {0xAC100000, 12}, {0xC0000000, 24}, {0xC0000200, 24}, {0xC0A80000, 16}, {0xC6120000, 15},
    {0xC6336400, 24}, {0xCB007100, 24}, {0xE0000000, 4},  {0xF0000000, 4},
};

bool InBlock(uint32_t address, Block4 block) {
  const uint32_t mask = ~uint32_t{0} << (32 - block.bits);
  return (address & mask) == block.base;
}

uint32_t EmbeddedIPv4(const std::array<uint8_t, 16>& a, size_t offset) {
  return (uint32_t{a[offset]} << 24) | (uint32_t{a[offset + 1]} << 16) | (uint32_t{a[offset + 2]} << 8) |
         uint32_t{a[offset + 3]};
}

bool StartsWithBytes(const std::array<uint8_t, 16>& a, std::initializer_list<uint8_t> prefix) {
  size_t i = 0;
  for (const uint8_t b : prefix)
    if (a[i++] != b) return false;
  return true;
}

}  // namespace

bool IsPublicIPv4(uint32_t address) {
  for (const Block4 block : kNonPublic4)
    if (InBlock(address, block)) return false;
  return true;
}

bool IsPublicIPv6(const std::array<uint8_t, 16>& a) {
  // Addresses that carry an IPv4 address are judged by it: mapped (::ffff:0:0/96), compatible
  // (::/96, which also holds :: and ::1), NAT64 (64:ff9b::/96) and 6to4 (2002::/16).
  if (StartsWithBytes(a, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF})) return IsPublicIPv4(EmbeddedIPv4(a, 12));
  if (StartsWithBytes(a, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})) return false;
  if (StartsWithBytes(a, {0, 0x64, 0xFF, 0x9B, 0, 0, 0, 0, 0, 0, 0, 0})) return IsPublicIPv4(EmbeddedIPv4(a, 12));
  if (StartsWithBytes(a, {0x20, 0x02})) return IsPublicIPv4(EmbeddedIPv4(a, 2));
  if ((a[0] & 0xFE) == 0xFC) return false;                         // unique local fc00::/7
  if (a[0] == 0xFE && (a[1] & 0xC0) == 0x80) return false;         // link-local fe80::/10
  if (a[0] == 0xFE && (a[1] & 0xC0) == 0xC0) return false;         // old site-local fec0::/10
  if (a[0] == 0xFF) return false;                                  // multicast
  if (StartsWithBytes(a, {0x20, 0x01, 0x0D, 0xB8})) return false;  // documentation
  return true;
}

bool IsPublicSocketAddress(const sockaddr* address) {
  if (address->sa_family == AF_INET) {
    sockaddr_in v4;
    std::memcpy(&v4, address, sizeof v4);
    return IsPublicIPv4(ntohl(v4.sin_addr.s_addr));
  }
  if (address->sa_family == AF_INET6) {
    sockaddr_in6 v6;
    std::memcpy(&v6, address, sizeof v6);
    std::array<uint8_t, 16> bytes;
    std::memcpy(bytes.data(), &v6.sin6_addr, 16);
    return IsPublicIPv6(bytes);
  }
  return false;
}

std::string NumericHostOf(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address->sa_family == AF_INET) {
    sockaddr_in v4;
    std::memcpy(&v4, address, sizeof v4);
    ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
  } else if (address->sa_family == AF_INET6) {
    sockaddr_in6 v6;
    std::memcpy(&v6, address, sizeof v6);
    ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
  }
  return text;
}

}  // namespace kestrum::services
