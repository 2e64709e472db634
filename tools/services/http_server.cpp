#include "services/http_server.h"

#include <algorithm>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <thread>
#include <vector>

namespace kestrum::services {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

// A proxy fetch may hold its worker for the whole proxy time-out; enough workers remain for the
// lookups while a few of those run.
constexpr size_t kWorkers = 32;
// Connections the kernel queues before they are accepted, for bursts of clients.
constexpr int kListenBacklog = 1024;

// Two loop threads a core: reading and writing is cheap, but each loop thread is also a share
// of the processor when other programs compete for it.
unsigned LoopThreads() {
  return std::max(4u, 2 * std::thread::hardware_concurrency());
}

}  // namespace

class ServiceServer::Listener {
 public:
  Listener(const RequestRouter& router, const HostCheck& hosts, RequestLogger log)
      : context_{router, hosts, workers_, std::move(log), ConnectionLimits{}} {}
  // Answers still being computed refer to the context; they finish before it goes away.
  ~Listener() { workers_.join(); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  int Bind(const std::string& address, int port) {
    boost::system::error_code error;
    const auto endpoints = tcp::resolver(loop_).resolve(address, std::to_string(port), error);
    if (error || endpoints.empty()) return -1;
    const tcp::endpoint endpoint = *endpoints.begin();
    acceptor_.open(endpoint.protocol(), error);
    // SO_REUSEADDR only: a second service started on a port in use fails rather than sharing it.
    if (!error) acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
    if (!error) acceptor_.bind(endpoint, error);
    if (!error) acceptor_.listen(kListenBacklog, error);
    if (error) {
      acceptor_.close(error);
      return -1;
    }
    return acceptor_.local_endpoint().port();
  }

  bool Serve() {
    if (!acceptor_.is_open()) return false;
    Accept();
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < LoopThreads(); ++i) helpers.emplace_back([this] { loop_.run(); });
    loop_.run();
    for (std::thread& helper : helpers) helper.join();
    return true;
  }

  void Stop() { loop_.stop(); }

 private:
  void Accept() {
    // Each connection gets a strand: its steps never run at once, on whichever loop thread.
    acceptor_.async_accept(asio::make_strand(loop_),
                           [this](const boost::system::error_code& error, tcp::socket socket) {
                             if (!acceptor_.is_open()) return;
                             if (error) {
                               // Out of descriptors, most likely: try again shortly rather than spin.
                               retry_.expires_after(std::chrono::milliseconds(100));
                               retry_.async_wait([this](const boost::system::error_code& cancelled) {
                                 if (!cancelled) Accept();
                               });
                               return;
                             }
                             StartConnection(std::move(socket), context_);
                             Accept();
                           });
  }

  asio::io_context loop_;
  tcp::acceptor acceptor_{loop_};
  asio::steady_timer retry_{loop_};
  // Declared after the loop, so it is joined before the loop it posts answers to goes away.
  asio::thread_pool workers_{kWorkers};
  ConnectionContext context_;
};

ServiceServer::ServiceServer(const RequestRouter& router, const HostCheck& hosts, RequestLogger log)
    : listener_(std::make_unique<Listener>(router, hosts, std::move(log))) {}

ServiceServer::~ServiceServer() = default;

int ServiceServer::Bind(const std::string& address, int port) {
  return listener_->Bind(address, port);
}

bool ServiceServer::Serve() {
  return listener_->Serve();
}

void ServiceServer::Stop() {
  listener_->Stop();
}

}  // namespace kestrum::services
