#pragma once
// The character sets a page names for itself, each where it says it: the Content-Type header,
// a byte order mark, a <meta> tag near the top.
#include <string>
#include <string_view>

namespace kestrum {

struct DeclaredCharsets {
  std::string header;  // charset= of the Content-Type, as written
  std::string bom;     // "utf-8", "utf-16le" or "utf-16be"
  std::string meta;    // <meta charset=...> or charset= inside a meta tag's content, as written
};

// `head` is the first bytes of the body as received.
DeclaredCharsets FindDeclaredCharsets(std::string_view head, std::string_view content_type);

// The charset= parameter of a Content-Type value, unquoted; empty when it names none.
std::string_view CharsetParameter(std::string_view content_type);

}  // namespace kestrum
