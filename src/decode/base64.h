#pragma once
// Base64 as the program has always written it: the RFC 4648 alphabet, lines of 72 characters
// joined by CR LF, a validity test on the length alone, and bytes outside the alphabet read as 0.
#include <optional>
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

class TextPane;

inline constexpr const char* kNotBase64Message = "Input string is not valid Base64.";

// The Base64 form of the text's bytes, 72 characters a line, each full line closed by CR LF.
std::string Base64Encode(std::string_view text);

// True when the text, without its CR, LF and space characters, has a length that is a multiple
// of 4. The characters themselves are not examined.
bool IsBase64(std::string_view text);

// The decoded bytes, or nothing when IsBase64 says no. Shows and logs nothing.
std::optional<std::string> Base64DecodeText(std::string_view text);

// The Tools pane command: decodes `text` into `target`. On rejection it shows the message and
// writes it to the log, leaving the pane as it was. Returns true when the pane now holds the
// decoded text; the window then disables its "Decode Base64" and "Escape Javascript" buttons.
bool Base64Decode(Context& ctx, TextPane& target, std::string_view text);

}  // namespace kestrum
