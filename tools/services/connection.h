#pragma once
// One client connection on the event loop. Waiting for a request, reading it and sending the
// answer are asynchronous steps, each with its own deadline, so a slow or silent client holds
// only its socket; a proxy fetch is made on a worker thread.
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/thread_pool.hpp>
#include <functional>
#include <string>
#include <string_view>

#include "services/host_check.h"
#include "services/request_router.h"

namespace kestrum::services {

struct ConnectionLimits {
  int idle_seconds = 5;   // for a request to begin, on a new or a kept-alive connection
  int head_seconds = 5;   // from a request's first byte to the end of its head
  int body_seconds = 10;  // for a body, after its head
  int send_seconds = 10;  // for one answer to be taken
  int max_requests = 100;
};

// Receives one line per answered request.
using RequestLogger = std::function<void(const std::string&)>;

// What every connection shares; outlives them all.
struct ConnectionContext {
  const RequestRouter& router;
  const HostCheck& hosts;
  boost::asio::thread_pool& workers;  // proxy fetches are made here, never on the loop
  RequestLogger log;
  ConnectionLimits limits;
};

// Serves `socket` until the connection ends; the connection keeps itself alive meanwhile.
void StartConnection(boost::asio::ip::tcp::socket socket, const ConnectionContext& context);

// A target as one log line shows it: unprintable bytes as \xNN, cut after 300 characters.
std::string PrintableForLog(std::string_view text);

}  // namespace kestrum::services
