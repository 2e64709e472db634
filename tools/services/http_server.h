#pragma once
// Listening, accepting and the worker threads come from cpp-httplib; each accepted connection
// is handed to ServeConnection, which reads the requests itself (see request_head.h for why).
#include <memory>
#include <string>

#include "services/connection.h"
#include "services/request_router.h"

namespace kestrum::services {

class ServiceServer {
 public:
  ServiceServer(const RequestRouter& router, RequestLogger log);
  ~ServiceServer();
  ServiceServer(const ServiceServer&) = delete;
  ServiceServer& operator=(const ServiceServer&) = delete;

  // The port bound (the chosen one when `port` is 0), or -1 when binding failed.
  int Bind(const std::string& address, int port);
  // Serves until Stop; false when serving could not start.
  bool Serve();
  void Stop();

 private:
  class Listener;
  std::unique_ptr<Listener> listener_;
};

}  // namespace kestrum::services
