#pragma once
// The proxy script's answer to the program: the target's status, headers and body as fetched,
// or an error answer saying why there is none.
#include "services/proxy_fetch.h"
#include "services/service_answer.h"

namespace kestrum::services {

// Header carrying the address finally fetched, after redirects.
inline constexpr const char* kFinalAddressHeader = "X-Kestrum-Final-URL";

ServiceAnswer ProxyAnswer(const ProxyOutcome& outcome);

}  // namespace kestrum::services
