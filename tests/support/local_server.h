#pragma once
// A real HTTP (or HTTPS) server on 127.0.0.1 inside the test process, on a port the system picks.
// Routes are added to server() before start(); the server stops when the object goes.
#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

namespace kestrum::testing {

class LocalServer {
 public:
  LocalServer();
  // HTTPS with the given certificate and key files (PEM).
  LocalServer(const std::string& certificate_file, const std::string& key_file);
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  httplib::Server& server() { return *server_; }
  // Binds 127.0.0.1 on a free port and serves from a thread; connections are accepted from here on.
  void start();
  void stop();

  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + path (https for a secure server).
  std::string url(const std::string& path = "/") const;

 private:
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  bool secure_ = false;
};

// A loopback port with nothing listening on it: connections to it are refused.
int UnusedLoopbackPort();

}  // namespace kestrum::testing
