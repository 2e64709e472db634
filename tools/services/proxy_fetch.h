#pragma once
// The proxy script's own fetch of a target: GET only, redirects followed here (each hop checked
// again), bounded in time and size, and, unless the operator allows it, only to public
// addresses, with the connection pinned to the addresses that were checked.
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kestrum::services {

struct ProxyLimits {
  int timeout_seconds = 30;  // the whole fetch, redirects included
  size_t max_body_bytes = size_t{16} << 20;
  int max_redirects = 10;
  bool allow_private_targets = false;
};

struct ProxyRequest {
  std::string address;  // as ProxyTargetAddress made it
  std::string user_agent;
  std::string referrer;
};

struct ProxyOutcome {
  enum class Kind { Fetched, Refused, Unreachable, TooLarge, TooManyRedirects };
  Kind kind = Kind::Unreachable;
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;  // the final answer's, in order
  std::string body;
  std::string final_address;
  std::string problem;  // one line saying why, for every kind but Fetched
};

using ProxyFetcher = std::function<ProxyOutcome(const ProxyRequest&)>;

// Sent with every fetch; a proxy request that arrives carrying it came from a proxy fetch
// (possibly our own) and is refused, so the proxy cannot be made to call itself in a loop.
inline constexpr const char* kProxyViaToken = "kestrum-services";

ProxyOutcome FetchForProxy(const ProxyRequest& request, const ProxyLimits& limits);

}  // namespace kestrum::services
