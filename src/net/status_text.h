#pragma once
// Short English texts for HTTP status codes and the Windows Internet error codes that every
// transfer failure is reported as.
#include <cstdint>
#include <string>

namespace kestrum {

inline constexpr const char* kUnknownResponseCode = "unknown response code";

// The table's text for `code`, or "unknown response code" for any code it does not list.
std::string GetStatusText(int32_t code);

}  // namespace kestrum
