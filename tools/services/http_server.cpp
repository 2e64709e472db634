#include "services/http_server.h"

#include <httplib.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrum::services {
namespace {

constexpr size_t kWorkers = 32;

std::string PeerOf(int socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  char host[NI_MAXHOST] = "?";
  if (::getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    ::getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host, nullptr, 0, NI_NUMERICHOST);
  return host;
}

// Closing with unread bytes pending makes the kernel reset the connection, and the client may
// lose the error answer just sent; so stop sending, take what is still arriving for a moment,
// then close.
void CloseGracefully(int socket) {
  ::shutdown(socket, SHUT_WR);
  char sink[8192];
  for (size_t drained = 0; drained < 256 * 1024;) {
    pollfd watch{socket, POLLIN, 0};
    if (::poll(&watch, 1, 500) <= 0) break;
    const ssize_t got = ::recv(socket, sink, sizeof sink, 0);
    if (got <= 0) break;
    drained += static_cast<size_t>(got);
  }
  ::close(socket);
}

}  // namespace

class ServiceServer::Listener : public httplib::Server {
 public:
  Listener(const RequestRouter& router, RequestLogger log) : router_(router), log_(std::move(log)) {
    // Without SO_REUSEPORT (which the library sets by default), a second service started on a
    // port already in use fails instead of silently taking half of its connections.
    set_socket_options([](socket_t socket) {
      const int yes = 1;
      ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // A proxy fetch may hold its worker for the whole proxy time-out; enough workers remain
    // for the lookups while a few of those run.
    new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  }

 private:
  bool process_and_close_socket(socket_t socket) override {
    ServeConnection(socket, router_, limits_, log_, log_ ? PeerOf(socket) : std::string());
    CloseGracefully(socket);
    return true;
  }

  const RequestRouter& router_;
  RequestLogger log_;
  ConnectionLimits limits_;
};

ServiceServer::ServiceServer(const RequestRouter& router, RequestLogger log)
    : listener_(std::make_unique<Listener>(router, std::move(log))) {}

ServiceServer::~ServiceServer() = default;

int ServiceServer::Bind(const std::string& address, int port) {
  if (port == 0) return listener_->bind_to_any_port(address);
  return listener_->bind_to_port(address, port) ? port : -1;
}

bool ServiceServer::Serve() {
  return listener_->listen_after_bind();
}

void ServiceServer::Stop() {
  listener_->stop();
}

}  // namespace kestrum::services
