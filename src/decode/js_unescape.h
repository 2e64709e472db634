#pragma once
// %-escaped text (JavaScript escape() or URL encoding) back to plain text for the Tools pane.
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

inline constexpr const char* kNotEscapedMessage = "Error: String passed does not appear to be Javascript escaped";
inline constexpr const char* kUnescapeFailedMessage = "I'm sorry, an error occured whilst decoding your javascript";

// The longest result the percent-decoder hands back; a longer one counts as a failure.
inline constexpr size_t kUnescapeResultLimit = 259;

// Every "%" with two hexadecimal digits becomes that byte; everything else, "+" included, is
// copied. Returns the text itself when the result would exceed kUnescapeResultLimit or is empty.
std::string UnescapeURL(std::string_view text);

// The Tools pane's "Escape Javascript": the percent-decoder first, the character table when that
// changes nothing. Messages go to the desktop and the log; on failure the text comes back as given.
std::string UnescapeJavascript(Context& ctx, std::string_view text);

}  // namespace kestrum
