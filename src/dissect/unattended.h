#pragma once
// The command line's unattended form: fetch one address, write its source (and owner info) to a file.
#include <string>

#include "core/context.h"
#include "dissect/query_pipeline.h"

namespace kestrum {

// Needs ctx.window (memory views do) and ctx.desktop. Returns an exit status of
// core/exit_codes.h: success when the server answered (any HTTP status) and the file was
// written, fetch failed, output not writable, or storage unusable.
int RunUnattendedQuery(Context& ctx, const std::string& address, const std::string& output_path, bool append_net_block);

// The exit status for how a query ended (success for any answer of the server).
int ExitStatusFor(QueryOutcome outcome);

}  // namespace kestrum
