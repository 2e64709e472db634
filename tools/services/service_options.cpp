#include "services/service_options.h"

#include <charconv>

namespace kestrum::services {
namespace {

std::optional<long long> WholeNumber(const std::string& text, long long lowest, long long highest) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
    return std::nullopt;
  return value;
}

}  // namespace

std::optional<ServiceOptions> ParseServiceOptions(const std::vector<std::string>& arguments, std::string& error) {
  ServiceOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (option == "--help" || option == "-h") {
      options.show_help = true;
      continue;
    }
    if (option == "--allow-private-targets") {
      options.proxy.allow_private_targets = true;
      continue;
    }
    if (option == "--quiet") {
      options.quiet = true;
      continue;
    }
    const bool takes_value = option == "--port" || option == "--data" || option == "--listen" ||
                             option == "--proxy-timeout" || option == "--proxy-max-bytes";
    if (!takes_value) {
      error = "unknown option " + option;
      return std::nullopt;
    }
    if (i + 1 >= arguments.size()) {
      error = option + " needs a value";
      return std::nullopt;
    }
    const std::string& value = arguments[++i];
    if (option == "--data" || option == "--listen") {
      if (value.empty()) {
        error = option + " needs a value";
        return std::nullopt;
      }
      (option == "--data" ? options.data_folder : options.listen_address) = value;
      continue;
    }
    const auto [lowest, highest] = option == "--port"            ? std::pair{0LL, 65535LL}
                                   : option == "--proxy-timeout" ? std::pair{1LL, 3600LL}
                                                                 : std::pair{1LL, 1LL << 32};
    const auto number = WholeNumber(value, lowest, highest);
    if (!number) {
      error = option + " needs a whole number from " + std::to_string(lowest) + " to " + std::to_string(highest);
      return std::nullopt;
    }
    if (option == "--port")
      options.port = static_cast<int>(*number);
    else if (option == "--proxy-timeout")
      options.proxy.timeout_seconds = static_cast<int>(*number);
    else
      options.proxy.max_body_bytes = static_cast<size_t>(*number);
  }
  return options;
}

std::string ServiceUsage() {
  return "Usage: kestrum-services [--port N] [--data DIR] [--listen ADDR] [--allow-private-targets]\n"
         "                        [--proxy-timeout SECONDS] [--proxy-max-bytes N] [--quiet]\n"
         "\n"
         "Answers the lookups of Kestrum Desktop Edition from the list files in DIR\n"
         "(braxel.txt, mdl.txt, phishtank.txt, netblocks.txt), and serves the proxy\n"
         "script and the connectivity file.\n"
         "\n"
         "  --port N                 port to listen on (default 8931; 0 picks a free one)\n"
         "  --data DIR               folder of the list files (default ./data)\n"
         "  --listen ADDR            address to listen on (default 127.0.0.1)\n"
         "  --allow-private-targets  let the proxy fetch loopback and private addresses\n"
         "  --proxy-timeout SECONDS  bound of one proxy fetch, redirects included (default 30)\n"
         "  --proxy-max-bytes N      largest answer the proxy passes on (default 16777216)\n"
         "  --quiet                  no line per request on standard error\n";
}

}  // namespace kestrum::services
