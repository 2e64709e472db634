#include "services/service_options.h"

#include <getopt.h>

#include <boost/asio/ip/address.hpp>
#include <charconv>
#include <filesystem>
#include <mutex>

#include "core/text.h"

namespace kestrum::services {
namespace {

std::optional<long long> WholeNumber(const std::string& text, long long lowest, long long highest) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
    return std::nullopt;
  return value;
}

enum OptionId {
  kPort = 1000,
  kData,
  kListen,
  kHostName,
  kAllowPrivate,
  kProxyTimeout,
  kProxyMaxBytes,
  kQuiet,
  kVersion
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {"port", required_argument, nullptr, kPort},
    {"data", required_argument, nullptr, kData},
    {"listen", required_argument, nullptr, kListen},
    {"host-name", required_argument, nullptr, kHostName},
    {"allow-private-targets", no_argument, nullptr, kAllowPrivate},
    {"proxy-timeout", required_argument, nullptr, kProxyTimeout},
    {"proxy-max-bytes", required_argument, nullptr, kProxyMaxBytes},
    {"quiet", no_argument, nullptr, kQuiet},
    {nullptr, 0, nullptr, 0},
};

// Stores one option's value; false, with `error` set, when the value is unusable.
bool Apply(int id, const std::string& name, const std::string& value, ServiceOptions& options, std::string& error) {
  switch (id) {
    case 'h':
      options.show_help = true;
      return true;
    case kVersion:
      options.show_version = true;
      return true;
    case kAllowPrivate:
      options.proxy.allow_private_targets = true;
      return true;
    case kQuiet:
      options.quiet = true;
      return true;
    case kData:
    case kListen:
    case kHostName:
      if (value.empty()) {
        error = name + " needs a value";
        return false;
      }
      if (id == kData) options.data_folder = value;
      if (id == kListen) options.listen_address = value;
      if (id == kHostName) options.host_names.push_back(value);
      return true;
    default:
      break;
  }
  const auto [lowest, highest] = id == kPort           ? std::pair{0LL, 65535LL}
                                 : id == kProxyTimeout ? std::pair{1LL, 3600LL}
                                                       : std::pair{1LL, 1LL << 32};
  const auto number = WholeNumber(value, lowest, highest);
  if (!number) {
    error = name + " needs a whole number from " + std::to_string(lowest) + " to " + std::to_string(highest);
    return false;
  }
  if (id == kPort)
    options.port = static_cast<int>(*number);
  else if (id == kProxyTimeout)
    options.proxy.timeout_seconds = static_cast<int>(*number);
  else
    options.proxy.max_body_bytes = static_cast<size_t>(*number);
  return true;
}

}  // namespace

std::optional<ServiceOptions> ParseServiceOptions(const std::vector<std::string>& arguments, std::string& error) {
  // getopt_long keeps its place in globals.
  static std::mutex parsing;
  const std::lock_guard lock(parsing);
  std::vector<std::string> texts{"kestrum-services"};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(texts.size());

  ServiceOptions options;
  optind = 0;  // start afresh, as glibc documents
  opterr = 0;  // the messages below say it our way
  for (;;) {
    int long_index = -1;
    const int id = getopt_long(argc, argv.data(), "+:h", kOptions, &long_index);
    if (id == -1) break;
    // The option as written, for the messages: getopt has moved past it (and past its value).
    const std::string written =
        long_index >= 0 ? std::string("--") + kOptions[long_index].name : std::string(Before(argv[optind - 1], "="));
    if (id == '?') {
      error = "unknown option " + written;
      return std::nullopt;
    }
    if (id == ':') {
      error = written + " needs a value";
      return std::nullopt;
    }
    if (!Apply(id, written, optarg ? optarg : "", options, error)) return std::nullopt;
  }
  if (optind < argc) {
    error = std::string("unexpected argument ") + argv[optind];
    return std::nullopt;
  }
  return options;
}

std::string ServiceUsage() {
  return "Usage: kestrum-services [--port N] [--data DIR] [--listen ADDR] [--host-name NAME]...\n"
         "                        [--allow-private-targets] [--proxy-timeout SECONDS]\n"
         "                        [--proxy-max-bytes N] [--quiet] [--version]\n"
         "\n"
         "Answers the lookups of Kestrum Desktop Edition from the list files in DIR\n"
         "(braxel.txt, mdl.txt, phishtank.txt, netblocks.txt), and serves the proxy\n"
         "script and the connectivity file.\n"
         "\n"
         "  --port N                 port to listen on (default 8931; 0 picks a free one)\n"
         "  --data DIR               folder of the list files (default: the installed\n"
         "                           share/kestrum/services, else ./data)\n"
         "  --listen ADDR            address to listen on (default 127.0.0.1)\n"
         "  --host-name NAME         a further name clients reach the service by; requests\n"
         "                           naming any other host are refused (repeatable)\n"
         "  --allow-private-targets  let the proxy fetch loopback and private addresses\n"
         "  --proxy-timeout SECONDS  bound of one proxy fetch, redirects included (default 30)\n"
         "  --proxy-max-bytes N      largest answer the proxy passes on (default 16777216)\n"
         "  --quiet                  no line per request on standard error\n"
         "  --version                print the version and stop\n";
}

std::string DefaultDataFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path installed = program.parent_path().parent_path() / "share" / "kestrum" / "services";
    if (std::filesystem::is_directory(installed, error)) return installed.string();
  }
  return "data";
}

bool IsReachableFromOtherMachines(const std::string& listen_address) {
  boost::system::error_code error;
  const auto address = boost::asio::ip::make_address(listen_address, error);
  if (error) return !EqualsNoCase(listen_address, "localhost");
  if (address.is_v6() && address.to_v6().is_v4_mapped())
    return !boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6()).is_loopback();
  return !address.is_loopback();
}

}  // namespace kestrum::services
