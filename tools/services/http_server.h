#pragma once
// Listening and accepting on an event loop (Boost.Asio) run by two threads a core; each accepted
// connection is served by StartConnection; proxy fetches are made on a pool of worker threads.
#include <memory>
#include <string>

#include "services/connection.h"
#include "services/host_check.h"
#include "services/request_router.h"

namespace kestrum::services {

class ServiceServer {
 public:
  ServiceServer(const RequestRouter& router, const HostCheck& hosts, RequestLogger log);
  ~ServiceServer();
  ServiceServer(const ServiceServer&) = delete;
  ServiceServer& operator=(const ServiceServer&) = delete;

  // The port bound (the chosen one when `port` is 0), or -1 when binding failed.
  int Bind(const std::string& address, int port);
  // Serves until Stop; false when serving could not start.
  bool Serve();
  // May be called from any thread.
  void Stop();

 private:
  class Listener;
  std::unique_ptr<Listener> listener_;
};

}  // namespace kestrum::services
