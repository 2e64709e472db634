#pragma once
// Whether this machine has a network connection at all: an interface other than loopback that
// is up and has an address, or a default route.
#include <optional>

namespace kestrum {

bool SystemHasConnection();

// Tests decide the answer (nothing restores the real one until it is reset to nullopt).
void OverrideConnectionStateForTesting(std::optional<bool> state);

}  // namespace kestrum
