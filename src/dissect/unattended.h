#pragma once
// The command line's unattended form: fetch one address, write its source (and owner info) to a file.
#include <string>

#include "core/context.h"

namespace kestrum {

// Needs ctx.window (memory views do) and ctx.desktop. 0 when the page was fetched and the file
// written; 1 when the file could not be written; 2 when the page could not be fetched.
int RunUnattendedQuery(Context& ctx, const std::string& address, const std::string& output_path,
                       bool append_net_block);

}  // namespace kestrum
