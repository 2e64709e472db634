#include "service_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "core/text.h"

extern char** environ;

namespace kestrum::testing {
namespace {

const std::string kExecutable = std::string(KESTRUM_BINARY_DIR) + "/bin/kestrum-services";

// Spawns `program` with stdout to `out_fd` and stderr to `err_fd`.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, int out_fd, int err_fd) {
  std::vector<std::string> argv_text{program};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : argv_text) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_fd, STDERR_FILENO);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) throw std::runtime_error("cannot start " + program);
  return pid;
}

std::string ReadAll(int fd, int timeout_ms) {
  std::string data;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd watch{fd, POLLIN, 0};
    if (left <= 0 || ::poll(&watch, 1, static_cast<int>(left)) <= 0) break;
    char chunk[65536];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got <= 0) break;
    data.append(chunk, static_cast<size_t>(got));
  }
  return data;
}

int WaitFor(pid_t pid, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += 10) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

RawResponse ParseResponse(const std::string& text) {
  RawResponse response;
  response.raw = text;
  const size_t head_end = text.find("\r\n\r\n");
  if (head_end == std::string::npos || !StartsWith(text, "HTTP/1.")) return response;
  const std::vector<std::string> lines = Split(std::string_view(text).substr(0, head_end), "\r\n");
  response.status = std::atoi(lines[0].substr(9, 3).c_str());
  for (size_t i = 1; i < lines.size(); ++i)
    response.headers[ToLowerAscii(Before(lines[i], ":"))] = std::string(TrimBlank(After(lines[i], ":")));
  response.body = text.substr(head_end + 4);
  if (const auto length = response.headers.find("content-length"); length != response.headers.end())
    response.body.resize(std::min<size_t>(response.body.size(), std::stoul(length->second)));
  return response;
}

}  // namespace

ServiceProcess::ServiceProcess(const std::vector<std::string>& arguments, const std::string& executable) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const int errors = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  std::vector<std::string> all{"--port", "0", "--listen", "127.0.0.1", "--quiet"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  pid_ = Spawn(executable.empty() ? kExecutable : executable, all, out[1], errors);
  ::close(out[1]);
  ::close(errors);
  // The first line names the port: "kestrum-services listening on http://127.0.0.1:PORT/".
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd watch{out[0], POLLIN, 0};
    if (::poll(&watch, 1, 100) <= 0) continue;
    char c = 0;
    if (::read(out[0], &c, 1) != 1) break;
    line += c;
  }
  ::close(out[0]);
  const size_t colon = line.rfind(':');
  if (line.find("listening on") == std::string::npos || colon == std::string::npos) {
    Stop();
    throw std::runtime_error("the service did not start: " + line);
  }
  port_ = std::atoi(line.c_str() + colon + 1);
}

ServiceProcess::~ServiceProcess() {
  Stop();
}

bool ServiceProcess::running() const {
  return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0;
}

int ServiceProcess::Stop() {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  const int status = WaitFor(pid_, 15000);
  pid_ = -1;
  return status;
}

ServiceRun RunServiceToEnd(const std::vector<std::string>& arguments) {
  int err[2];
  if (::pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const int output = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t pid = Spawn(kExecutable, arguments, output, err[1]);
  ::close(err[1]);
  ::close(output);
  ServiceRun run;
  run.errors = ReadAll(err[0], 10000);
  ::close(err[0]);
  run.exit_status = WaitFor(pid, 10000);
  return run;
}

ServiceRun RunProgramToEnd(const std::string& program, const std::vector<std::string>& arguments) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = Spawn(program, arguments, out[1], out[1]);
  ::close(out[1]);
  ServiceRun run;
  run.errors = ReadAll(out[0], 60000);
  ::close(out[0]);
  run.exit_status = WaitFor(pid, 10000);
  return run;
}

int ConnectTo(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string ReadUntilClosed(int fd, int timeout_ms) {
  return ReadAll(fd, timeout_ms);
}

bool HasPendingInput(int fd) {
  pollfd watch{fd, POLLIN, 0};
  return ::poll(&watch, 1, 0) > 0;
}

RawResponse ExchangeRaw(int port, const std::string& request, size_t piece_size) {
  const int fd = ConnectTo(port);
  if (fd < 0) return {};
  const size_t piece = piece_size ? piece_size : request.size();
  for (size_t sent = 0; sent < request.size();) {
    if (sent > 0 && piece_size) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const ssize_t n = ::send(fd, request.data() + sent, std::min(piece, request.size() - sent), MSG_NOSIGNAL);
    if (n <= 0) break;  // the server may answer and close before taking everything
    sent += static_cast<size_t>(n);
  }
  ::shutdown(fd, SHUT_WR);
  const std::string text = ReadAll(fd, 20000);
  ::close(fd);
  return ParseResponse(text);
}

RawResponse Exchange(int port, const std::string& method, const std::string& target, const std::string& extra_headers) {
  return ExchangeRaw(
      port, method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra_headers + "Connection: close\r\n\r\n");
}

}  // namespace kestrum::testing
