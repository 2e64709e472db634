#pragma once
// The Dissect command and the query pipeline: fetch one address into the views, then check and scan it.
#include <string>

#include "core/context.h"

namespace kestrum {

// Fetches the address in the window's address box (or `address`) into the views.
void SendQuery(Context& ctx, const std::string& address);
// The whole dissection of the address box's address; needs ctx.window and ctx.desktop.
void RunDissect(Context& ctx);

}  // namespace kestrum
