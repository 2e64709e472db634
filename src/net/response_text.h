#pragma once
// A response body as the text an XMLHTTP-style request hands over, in ANSI: decoded by its byte
// order mark or the charset of its Content-Type, UTF-8 when neither says; characters ANSI cannot
// hold become "?".
#include <string>
#include <string_view>

namespace kestrum {

std::string ResponseTextInAnsi(std::string_view body, std::string_view content_type);
// The charset ResponseTextInAnsi reads `body` in: "utf-8", "utf-16le", "utf-16be" or "windows-1252".
std::string ResponseCharsetName(std::string_view body, std::string_view content_type);

}  // namespace kestrum
