#pragma once
// The "http://" rules of the two requests. An address that does not begin with "http://" or
// "https://" gets "http://" in front; the content request compares letter case (so "HTTP://x"
// becomes "http://HTTP://x"), the header request does not.
#include <string>
#include <string_view>

namespace kestrum {

std::string ContentRequestAddress(std::string_view address);
std::string HeaderRequestAddress(std::string_view address);

}  // namespace kestrum
