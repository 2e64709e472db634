#pragma once
// A host's IP address for the views, and the watch that announces when a host's address changes
// (section `Monitor` holds the last address seen per host; `Monitors`/`IP` = "1" switches it on).
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

inline constexpr const char* kWinsockFailureText = "Error: Winsock made a woopsie whilst resolving Hostname";

// Reduces `host` in place (user part before "@", port, "_" suffix) and returns its address list,
// the dotted form of a decimal host, or kWinsockFailureText.
std::string GetHostIP(Context& ctx, std::string& host);

// The first address of a host, dotted, or empty text; checked against the recorded address.
std::string ResolveHostFirst(Context& ctx, std::string_view host);

// Records the first address seen for a host, and announces and records a change of address.
void CheckHostIP(Context& ctx, std::string_view host, std::string_view ip);

}  // namespace kestrum
