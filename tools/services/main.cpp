// kestrum-services: the lookup services of Kestrum Desktop Edition, answered from list files.
#include <curl/curl.h>
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <thread>

#include "core/identity.h"
#include "services/host_check.h"
#include "services/http_server.h"
#include "services/list_store.h"
#include "services/request_router.h"
#include "services/service_options.h"

using namespace kestrum::services;

namespace {

std::string UrlHost(const std::string& address) {
  return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options = ParseServiceOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::cerr << "kestrum-services: " << error << "\n\n" << ServiceUsage();
    return 2;
  }
  if (options->show_help) {
    std::cout << ServiceUsage();
    return 0;
  }
  if (options->show_version) {
    std::cout << "kestrum-services " << kestrum::VersionText() << "\n";
    return 0;
  }
  if (IsReachableFromOtherMachines(options->listen_address))
    std::cerr << "kestrum-services: warning: listening on " << options->listen_address
              << ", which other machines can reach; the lookups and the proxy are open to them\n";
  const std::string data_folder = options->data_folder.empty() ? DefaultDataFolder() : options->data_folder;
  std::error_code ec;
  if (!std::filesystem::is_directory(data_folder, ec)) {
    std::cerr << "kestrum-services: the data folder " << data_folder << " does not exist\n";
    return 2;
  }

  // Signals are taken by one waiting thread; every other thread, the server's included, blocks them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  curl_global_init(CURL_GLOBAL_DEFAULT);

  const WarningSink warn = [](const std::string& line) {
    std::fprintf(stderr, "kestrum-services: %s\n", line.c_str());
  };
  ListStore lists(data_folder, warn);
  // Read every list now, so its problems show at start rather than at the first lookup.
  lists.Braxel();
  lists.Mdl();
  lists.Phish();
  lists.Netblock();

  const ProxyLimits limits = options->proxy;
  const RequestRouter router(lists, [limits](const ProxyRequest& request) { return FetchForProxy(request, limits); });
  RequestLogger log;
  if (!options->quiet) log = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
  const HostCheck hosts(options->listen_address, options->host_names);
  ServiceServer server(router, hosts, log);
  const int port = server.Bind(options->listen_address, options->port);
  if (port < 0) {
    std::cerr << "kestrum-services: cannot listen on " << options->listen_address << " port " << options->port << "\n";
    return 1;
  }
  std::cout << "kestrum-services listening on http://" << UrlHost(options->listen_address) << ":" << port << "/"
            << std::endl;

  std::thread stopper([&server, stop_signals] {
    int received = 0;
    sigwait(&stop_signals, &received);
    server.Stop();
  });
  const bool served = server.Serve();
  if (!served) {
    // The waiting thread still waits for a signal; send it one so it can end.
    pthread_kill(stopper.native_handle(), SIGTERM);
  }
  stopper.join();
  curl_global_cleanup();
  return served ? 0 : 1;
}
