#pragma once
// Bounds of every transfer and the base address of the program's own services, read from
// cfg.ini at each use so a changed setting takes effect at the next request.
#include <cstdint>
#include <string>

#include "core/context.h"

namespace kestrum {

struct TransferLimits {
  long connect_timeout_seconds = 60;       // Settings/ConnectTimeout
  long idle_timeout_seconds = 30;          // Settings/IdleTimeout: no data for this long ends a transfer
  long transfer_timeout_seconds = 120;     // Settings/TransferTimeout: no transfer lasts longer, trickle or not
  uint64_t max_body_bytes = 256ull << 20;  // Settings/MaxBodyMB
};
TransferLimits ReadTransferLimits(Context& ctx);

// Services/KestrumServices without a trailing "/", default "http://127.0.0.1:8931".
std::string KestrumServicesBase(Context& ctx);
inline constexpr const char* kDefaultServicesBase = "http://127.0.0.1:8931";

}  // namespace kestrum
