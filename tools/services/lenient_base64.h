#pragma once
// Base64 as it arrives in a request path: the program's encoder breaks lines every 72
// characters, and clients carry those breaks as they see fit, so line breaks and blanks are
// dropped, the URL-safe letters "-" and "_" are read as "+" and "/", and padding is optional.
#include <optional>
#include <string>
#include <string_view>

namespace kestrum::services {

// The decoded bytes, or nothing when a character outside the alphabet remains or the length
// cannot be Base64.
std::optional<std::string> DecodeBase64Leniently(std::string_view text);

}  // namespace kestrum::services
