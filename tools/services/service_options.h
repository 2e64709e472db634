#pragma once
// The command line of kestrum-services.
#include <optional>
#include <string>
#include <vector>

#include "services/proxy_fetch.h"

namespace kestrum::services {

inline constexpr int kDefaultPort = 8931;

struct ServiceOptions {
  std::string listen_address = "127.0.0.1";
  int port = kDefaultPort;  // 0 picks a free port, printed at start
  std::string data_folder = "data";
  ProxyLimits proxy;
  bool quiet = false;  // no line per request on standard error
  bool show_help = false;
};

// Nothing, with `error` set, when an option is unknown or its value unusable.
std::optional<ServiceOptions> ParseServiceOptions(const std::vector<std::string>& arguments, std::string& error);

std::string ServiceUsage();

}  // namespace kestrum::services
