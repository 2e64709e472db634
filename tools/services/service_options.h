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
  int port = kDefaultPort;              // 0 picks a free port, printed at start
  std::string data_folder;              // empty: DefaultDataFolder()
  std::vector<std::string> host_names;  // further names requests may carry in Host
  ProxyLimits proxy;
  bool quiet = false;  // no line per request on standard error
  bool show_help = false;
  bool show_version = false;
};

// Nothing, with `error` set, when an option is unknown or its value unusable.
std::optional<ServiceOptions> ParseServiceOptions(const std::vector<std::string>& arguments, std::string& error);

std::string ServiceUsage();

// The lists installed with the program (PREFIX/share/kestrum/services, found from where the
// executable lies), or "data" in the working folder when there are none.
std::string DefaultDataFolder();

// An address other machines can reach: anything but loopback (a name counts as reachable unless
// it is "localhost").
bool IsReachableFromOtherMachines(const std::string& listen_address);

}  // namespace kestrum::services
