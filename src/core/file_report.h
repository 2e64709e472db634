#pragma once
// Saving a file the user asked for: whole or not at all, and a failure said once.
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

// Writes `contents` whole under `path` (a temporary file renamed into place) or reports the
// failure with one message and one log line.
bool WriteFileOrReport(Context& ctx, const std::string& path, std::string_view contents);

}  // namespace kestrum
