#pragma once
// Which Host a request may name. A web page in the user's browser can point a name of its own at
// this machine (DNS rebinding) and so reach the service; its requests then carry that name. Only
// the names the service is reached by pass: the address it listens on, the address a connection
// arrived on, "localhost" on a loopback connection, and the names the operator gives.
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::services {

class HostCheck {
 public:
  HostCheck(std::string_view listen_address, const std::vector<std::string>& extra_names);

  // `host` is the request's Host (port and all; empty when it sent none, which no browser
  // does); `local_address` the address the connection arrived on.
  bool Allows(std::string_view host, std::string_view local_address) const;

 private:
  std::vector<std::string> names_;
};

}  // namespace kestrum::services
