#pragma once
// Whether a text is an address: it begins with a scheme name the system knows, then ":".
#include <string_view>

namespace kestrum {

// True for "http://host", "mailto:someone", "JavaScript:void(0)" and the like; false for a bare
// host ("example.com"), a local path ("/tmp/x", "C:\dir\file.txt") or an unknown scheme.
bool IsURL(std::string_view text);

// The scheme in front of the first ":" when it is one the system knows (lower case), else empty.
std::string_view KnownSchemeOf(std::string_view text);

}  // namespace kestrum
