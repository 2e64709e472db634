#pragma once
// The real kestrum-services executable as a child process on a free loopback port, and a raw
// HTTP client that sends exactly the bytes a test gives it.
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace kestrum::testing {

class ServiceProcess {
 public:
  // Starts the service (the built one unless `executable` names another) with `--port 0
  // --listen 127.0.0.1 --quiet` and `arguments`, and waits for the line that names its port.
  // Throws when it does not come.
  explicit ServiceProcess(const std::vector<std::string>& arguments, const std::string& executable = "");
  ~ServiceProcess();
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  int port() const { return port_; }
  bool running() const;
  // SIGTERM, then the exit status (or -1 when it had to be killed).
  int Stop();

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// Runs the executable to its end with `arguments`; its exit status and standard error.
struct ServiceRun {
  int exit_status = -1;
  std::string errors;
};
ServiceRun RunServiceToEnd(const std::vector<std::string>& arguments);
// The same for any program; its standard output is kept in `errors` too.
ServiceRun RunProgramToEnd(const std::string& program, const std::vector<std::string>& arguments);

// A loopback connection to `port`, or -1.
int ConnectTo(int port);
// What arrives on `fd` until the peer closes or `timeout_ms` passes.
std::string ReadUntilClosed(int fd, int timeout_ms);
// True when `fd` has something to read (bytes, or the peer's close) right now.
bool HasPendingInput(int fd);

struct RawResponse {
  int status = 0;                              // 0 when no status line came back
  std::map<std::string, std::string> headers;  // names lower-cased
  std::string body;
  std::string raw;  // everything the server sent before closing
};

// Sends `request` to 127.0.0.1:port as it is (in pieces of `piece_size` bytes with a short pause
// between them, when given), reads until the server closes, and parses the first response.
RawResponse ExchangeRaw(int port, const std::string& request, size_t piece_size = 0);
// "METHOD target HTTP/1.1" with Host and "Connection: close", plus `extra_headers` lines.
RawResponse Exchange(int port, const std::string& method, const std::string& target,
                     const std::string& extra_headers = "");

}  // namespace kestrum::testing
