#pragma once
// The command line's unattended form: fetch one address, write its source (and owner info) to a file.
#include <string>

#include "core/context.h"

namespace kestrum {

// Needs ctx.window (memory views do) and ctx.desktop. Returns 0 when the output file was written.
int RunUnattendedQuery(Context& ctx, const std::string& address, const std::string& output_path,
                       bool append_net_block);

}  // namespace kestrum
