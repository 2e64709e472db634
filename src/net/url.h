#pragma once
// Taking web addresses apart. Whole-string operations without state; only GetHostFromURL
// writes to the log.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"
#include "core/url_scheme.h"  // IsURL

namespace kestrum {

// Modes of GetPathPart.
enum PathPart : int32_t { FileName = 1, Folder = 2, HostKey = 4 };

// Part numbers and flags of GetURLPart, as the system URL parser numbers them.
inline constexpr int32_t kUrlPartScheme = 1;
inline constexpr int32_t kUrlPartHostName = 2;
inline constexpr int32_t kUrlPartUserName = 3;
inline constexpr int32_t kUrlPartPassword = 4;
inline constexpr int32_t kUrlPartPort = 5;
inline constexpr int32_t kUrlPartQuery = 6;
inline constexpr int32_t kUrlPartFlagKeepScheme = 1;

// The protocol, "://" and the host of an address; user, port and path dropped. An "@" anywhere
// after the protocol replaces the host by what follows it. Writes its steps to the log.
std::string GetHostFromURL(Context& ctx, std::string_view address);

// GetHostFromURL without the log: the result and which of the logged steps were taken.
struct HostFromURLSteps {
  std::string result;
  bool protocol_found = false;  // the address holds "://"
  bool at_found = false;        // the host was taken from after an "@"
};
HostFromURLSteps SplitHostFromURL(std::string_view address);

// One part of an address (scheme, host name, user, password, port or query); with the
// keep-scheme flag the part comes as "scheme:part". Empty text when the address has no such
// part or it is longer than 259 characters.
std::string GetURLPart(std::string_view address, int32_t part, int32_t flags);

// FileName: the last piece after "\" or "/". Folder: every piece but the last, joined by the
// separator that split them. HostKey: scheme and host as one file-name-safe word. Other
// modes: empty text.
std::string GetPathPart(int32_t mode, std::string_view text);

// Escapes what a request line cannot carry (blanks, control and non-ASCII bytes, "#") as %XX and
// leaves everything else as written, so services still receive "://" and "||" unescaped.
std::string EscapeUnsafeURLBytes(std::string_view text);

}  // namespace kestrum
