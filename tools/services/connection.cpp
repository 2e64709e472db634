#include "services/connection.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "services/request_head.h"

namespace kestrum::services {
namespace {

using Clock = std::chrono::steady_clock;

enum class ReadResult { Data, Closed, TimedOut };

// Appends what arrives before `deadline` to `buffer`.
ReadResult ReadSome(int socket, std::string& buffer, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return ReadResult::TimedOut;
    pollfd watch{socket, POLLIN, 0};
    const int ready = ::poll(&watch, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return ReadResult::Closed;
    if (ready == 0) return ReadResult::TimedOut;
    char chunk[8192];
    const ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return ReadResult::Closed;
    buffer.append(chunk, static_cast<size_t>(got));
    return ReadResult::Data;
  }
}

bool SendAll(int socket, std::string_view bytes, int stall_seconds) {
  while (!bytes.empty()) {
    pollfd watch{socket, POLLOUT, 0};
    const int ready = ::poll(&watch, 1, stall_seconds * 1000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

void SendFinal(int socket, const ServiceAnswer& answer, const ConnectionLimits& limits) {
  SendAll(socket, SerializeAnswer(answer, true, false), limits.send_stall_seconds);
}

}  // namespace

std::string PrintableForLog(std::string_view text) {
  constexpr size_t kLimit = 300;
  std::string out;
  for (const char c : text.substr(0, kLimit)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '\\') {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  if (text.size() > kLimit) out += "...";
  return out;
}

void ServeConnection(int socket, const RequestRouter& router, const ConnectionLimits& limits, const RequestLogger& log,
                     const std::string& peer) {
  std::string buffer;
  for (int served = 0; served < limits.max_requests; ++served) {
    // The first byte may take the idle time; the rest of the request the request time.
    auto deadline = Clock::now() + std::chrono::seconds(buffer.empty() ? limits.idle_seconds : limits.request_seconds);
    size_t head_end = std::string::npos;
    size_t searched = 0;  // the blank line cannot end before here
    while ((head_end = EndOfHead(buffer, searched)) == std::string::npos) {
      searched = buffer.size() > 2 ? buffer.size() - 2 : 0;
      if (buffer.size() > kMaxHeadBytes) {
        const bool one_long_line = buffer.find('\n') == std::string::npos;
        SendFinal(socket, PlainAnswer(one_long_line ? 414 : 431, "Request too large\r\n"), limits);
        return;
      }
      const bool was_empty = buffer.empty();
      const ReadResult read = ReadSome(socket, buffer, deadline);
      if (read == ReadResult::Closed) return;
      if (read == ReadResult::TimedOut) {
        if (!buffer.empty()) SendFinal(socket, PlainAnswer(408, "Request timed out\r\n"), limits);
        return;
      }
      if (was_empty) deadline = Clock::now() + std::chrono::seconds(limits.request_seconds);
    }
    if (head_end > kMaxHeadBytes + 4) {
      SendFinal(socket, PlainAnswer(431, "Request too large\r\n"), limits);
      return;
    }

    const HeadParse parse = ParseRequestHead(std::string_view(buffer).substr(0, head_end));
    if (!parse.head) {
      if (log) log(peer + " (malformed request) -> " + std::to_string(parse.error.status));
      SendFinal(socket, parse.error, limits);
      return;
    }
    const RequestHead& head = *parse.head;
    if (head.chunked) {
      SendFinal(socket, PlainAnswer(411, "A request body needs a Content-Length\r\n"), limits);
      return;
    }
    if (head.content_length > kMaxRequestBodyBytes) {
      SendFinal(socket, PlainAnswer(413, "Request body too large\r\n"), limits);
      return;
    }
    if (head.expects_continue && head.content_length > 0 &&
        !SendAll(socket, "HTTP/1.1 100 Continue\r\n\r\n", limits.send_stall_seconds))
      return;
    // No exchange reads a body; it is received only to find where the next request begins.
    while (buffer.size() < head_end + head.content_length) {
      const ReadResult read = ReadSome(socket, buffer, deadline);
      if (read != ReadResult::Data) return;
    }

    const ServiceRequest request{head.method, head.target, head.user_agent, head.referrer, head.via};
    const ServiceAnswer answer = router.Answer(request);
    const bool keep_alive = head.keep_alive && served + 1 < limits.max_requests;
    if (log)
      log(peer + " " + PrintableForLog(head.method) + " " + PrintableForLog(head.target) + " -> " +
          std::to_string(answer.status));
    if (!SendAll(socket, SerializeAnswer(answer, head.method != "HEAD", keep_alive), limits.send_stall_seconds)) return;
    if (!keep_alive) return;
    buffer.erase(0, head_end + head.content_length);
  }
}

}  // namespace kestrum::services
