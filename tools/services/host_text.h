#pragma once
// Host names and addresses as the lists compare them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum::services {

// The host of a lookup text, lower-cased: "http://User@Host.Test:80/x" and "host.test." both
// give "host.test"; "[::1]" gives "::1". The program sends protocol and host, but a bare host
// or a whole address is accepted too.
std::string HostOfLookupText(std::string_view text);

// A dotted IPv4 address of exactly four decimal parts, each 0-255, as a number.
std::optional<uint32_t> ParseIPv4(std::string_view text);
std::string IPv4Text(uint32_t address);

// An address in the form the phishing list compares: a missing scheme becomes "http://",
// scheme and host part are lower-cased, an empty path becomes "/", and a fragment is dropped.
std::string NormalizedAddress(std::string_view address);

}  // namespace kestrum::services
