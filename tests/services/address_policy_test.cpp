// Which addresses the proxy may reach without --allow-private-targets.
#include "services/address_policy.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace kestrum::services {
namespace {

bool IsPublic(const char* text) {
  std::array<uint8_t, 16> v6{};
  in_addr v4{};
  if (::inet_pton(AF_INET, text, &v4) == 1) return IsPublicIPv4(ntohl(v4.s_addr));
  EXPECT_EQ(::inet_pton(AF_INET6, text, v6.data()), 1) << text;
  return IsPublicIPv6(v6);
}

TEST(AddressPolicy, RefusesEverythingButPublicUnicast) {
  for (const char* refused : {"127.0.0.1",   "127.255.255.254",  "0.0.0.0",
                              "10.1.2.3",    "172.16.0.1",       "172.31.255.255",
                              "192.168.1.1", "169.254.169.254",  "100.64.0.1",
                              "224.0.0.1",   "255.255.255.255",  "240.0.0.1",
                              "192.0.2.7",   "198.18.0.1",       "::",
                              "::1",         "::ffff:127.0.0.1", "::ffff:10.0.0.1",
                              "::127.0.0.1", "64:ff9b::7f00:1",  "2002:7f00:1::",
                              "fc00::1",     "fd12:3456::1",     "fe80::1",
                              "fec0::1",     "ff02::1",          "2001:db8::1"})
    EXPECT_FALSE(IsPublic(refused)) << refused;
  for (const char* allowed : {"8.8.8.8", "1.1.1.1", "172.32.0.1", "172.15.255.255", "100.128.0.1", "193.0.2.1",
                              "2606:4700::1111", "::ffff:8.8.8.8", "2002:0808:0808::"})
    EXPECT_TRUE(IsPublic(allowed)) << allowed;
}

}  // namespace
}  // namespace kestrum::services
