#pragma once
// HTML character references as the Tools pane decodes them: five named entities, then the
// decimal references 1 to 255, with the bare "#N;" form once no "&#" is left.
#include <string>
#include <string_view>

namespace kestrum {

// Replaces, in this order and each over the result of the one before: "&quot;", "&lt;", "&gt;",
// "&amp;", "&nbsp;" (an ordinary space); then for each code from 1 to 255 every "&#code;", or
// every "#code;" when the text no longer holds "&#", by the character of that code. Codes with
// leading zeros, above 255 or in hexadecimal stay as written. Never fails.
std::string DecodeHTMLEntities(std::string_view text);

}  // namespace kestrum
