#pragma once
// One client connection: requests read with bounded time and size, answered by the router,
// kept alive for a bounded number of requests, closed after any malformed one.
#include <functional>
#include <string>

#include "services/request_router.h"

namespace kestrum::services {

struct ConnectionLimits {
  int idle_seconds = 5;         // waiting for the next request on a kept-alive connection
  int request_seconds = 10;     // receiving one request's head and body
  int send_stall_seconds = 10;  // a client that takes nothing for this long is dropped
  int max_requests = 100;
};

// Receives one line per answered request.
using RequestLogger = std::function<void(const std::string&)>;

// Serves the connection on `socket` until it ends; does not close the socket.
void ServeConnection(int socket, const RequestRouter& router, const ConnectionLimits& limits, const RequestLogger& log,
                     const std::string& peer);

// A target as one log line shows it: unprintable bytes as \xNN, cut after 300 characters.
std::string PrintableForLog(std::string_view text);

}  // namespace kestrum::services
