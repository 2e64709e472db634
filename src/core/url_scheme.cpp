#include "core/url_scheme.h"

#include <array>

#include "core/text.h"

namespace kestrum {
namespace {

// The schemes the system's URL test recognises; anything else is an unknown scheme.
// clang-format off
constexpr std::array<std::string_view, 23> kKnownSchemes = {
    "http", "https", "ftp", "file", "mailto", "news", "nntp", "telnet", "gopher", "wais", "mk", "shell",
    "snews", "local", "javascript", "vbscript", "about", "res", "ms-its", "its", "hcp", "ms-shell-rooted",
    "ms-shell-idlist"};
// clang-format on

bool IsSchemeCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

}  // namespace

std::string_view KnownSchemeOf(std::string_view text) {
  const size_t colon = text.find(':');
  // A one-letter scheme is a drive letter, never an address.
  if (colon == std::string_view::npos || colon < 2) return {};
  const std::string_view scheme = text.substr(0, colon);
  for (char c : scheme)
    if (!IsSchemeCharacter(c)) return {};
  for (std::string_view known : kKnownSchemes)
    if (EqualsNoCase(scheme, known)) return known;
  return {};
}

bool IsURL(std::string_view text) {
  return !KnownSchemeOf(text).empty();
}

}  // namespace kestrum
