#include "support/local_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace kestrum::testing {

LocalServer::LocalServer() : server_(std::make_unique<httplib::Server>()) {}

LocalServer::LocalServer(const std::string& certificate_file, const std::string& key_file)
    : server_(std::make_unique<httplib::SSLServer>(certificate_file.c_str(), key_file.c_str())), secure_(true) {
  if (!server_->is_valid()) throw std::runtime_error("cannot load " + certificate_file + " and " + key_file);
}

LocalServer::~LocalServer() {
  stop();
}

void LocalServer::start() {
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
}

void LocalServer::stop() {
  if (!thread_.joinable()) return;
  // A stop before the serving thread has begun would go unnoticed by it.
  for (int waited = 0; !server_->is_running() && waited < 5000; ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  server_->stop();
  thread_.join();
}

std::string LocalServer::url(const std::string& path) const {
  return std::string(secure_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}

int UnusedLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("cannot find a free loopback port");
  }
  ::close(fd);  // never listened on: a connection is refused
  return ntohs(address.sin_port);
}

}  // namespace kestrum::testing
