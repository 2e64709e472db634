#include "services/request_head.h"

#include <algorithm>
#include <charconv>

#include "core/text.h"

namespace kestrum::services {
namespace {

bool IsTokenChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

HeadParse Refuse(int status, std::string why) {
  HeadParse parse;
  parse.error = PlainAnswer(status, "Bad request: " + why + "\r\n");
  return parse;
}

// "http://host:port/path?q" becomes "/path?q"; a target without a path becomes "/".
std::string OriginForm(std::string_view target) {
  if (FindNoCase(target, "http://") != 0 && FindNoCase(target, "https://") != 0) return std::string(target);
  const std::string_view rest = After(target, "://");
  const size_t path = rest.find_first_of("/?");
  if (path == std::string_view::npos) return "/";
  return rest[path] == '?' ? "/" + std::string(rest.substr(path)) : std::string(rest.substr(path));
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 201:
      return "Created";
    case 204:
      return "No Content";
    case 206:
      return "Partial Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 304:
      return "Not Modified";
    case 307:
      return "Temporary Redirect";
    case 308:
      return "Permanent Redirect";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 410:
      return "Gone";
    case 411:
      return "Length Required";
    case 413:
      return "Payload Too Large";
    case 414:
      return "URI Too Long";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    case 504:
      return "Gateway Timeout";
    default:
      return status < 400 ? "OK" : (status < 500 ? "Client Error" : "Server Error");
  }
}

}  // namespace

size_t EndOfHead(std::string_view buffer, size_t from) {
  for (size_t pos = buffer.find('\n', from); pos != std::string_view::npos; pos = buffer.find('\n', pos + 1)) {
    // The head ends at its first blank line: "\n\n" or "\n\r\n".
    if (pos + 1 < buffer.size() && buffer[pos + 1] == '\n') return pos + 2;
    if (pos + 2 < buffer.size() && buffer[pos + 1] == '\r' && buffer[pos + 2] == '\n') return pos + 3;
  }
  return std::string_view::npos;
}

HeadParse ParseRequestHead(std::string_view head) {
  while (!head.empty() && (head.front() == '\r' || head.front() == '\n')) head.remove_prefix(1);
  const size_t line_end = head.find('\n');
  std::string_view request_line = head.substr(0, line_end);
  if (!request_line.empty() && request_line.back() == '\r') request_line.remove_suffix(1);

  const size_t first_space = request_line.find(' ');
  const size_t last_space = request_line.rfind(' ');
  if (first_space == std::string_view::npos || first_space == last_space)
    return Refuse(400, "the request line must be METHOD TARGET HTTP/1.x");
  RequestHead parsed;
  parsed.method = std::string(request_line.substr(0, first_space));
  const std::string_view version = request_line.substr(last_space + 1);
  const std::string_view target = TrimSpaces(request_line.substr(first_space + 1, last_space - first_space - 1));
  if (parsed.method.empty() || !std::all_of(parsed.method.begin(), parsed.method.end(), IsTokenChar))
    return Refuse(400, "unusable method");
  if (version != "HTTP/1.1" && version != "HTTP/1.0") return Refuse(400, "only HTTP/1.0 and HTTP/1.1 are spoken");
  if (target.empty()) return Refuse(400, "empty target");
  for (const char c : target)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return Refuse(400, "control character in the target");
  parsed.target = OriginForm(target);
  parsed.http10 = version == "HTTP/1.0";
  parsed.keep_alive = !parsed.http10;

  bool length_seen = false;
  std::string_view rest = line_end == std::string_view::npos ? std::string_view() : head.substr(line_end + 1);
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return Refuse(400, "a header line without a name");
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = TrimBlank(line.substr(colon + 1));
    if (!std::all_of(name.begin(), name.end(), IsTokenChar)) return Refuse(400, "unusable header name");
    if (EqualsNoCase(name, "Content-Length")) {
      size_t length = 0;
      const auto [ptr, error] = std::from_chars(value.data(), value.data() + value.size(), length);
      if (value.empty() || error != std::errc() || ptr != value.data() + value.size() ||
          (length_seen && length != parsed.content_length))
        return Refuse(400, "unusable Content-Length");
      parsed.content_length = length;
      length_seen = true;
    } else if (EqualsNoCase(name, "Transfer-Encoding")) {
      parsed.chunked = true;
    } else if (EqualsNoCase(name, "Connection")) {
      if (ContainsNoCase(value, "close"))
        parsed.keep_alive = false;
      else if (ContainsNoCase(value, "keep-alive"))
        parsed.keep_alive = true;
    } else if (EqualsNoCase(name, "Expect")) {
      parsed.expects_continue = EqualsNoCase(value, "100-continue");
    } else if (EqualsNoCase(name, "User-Agent")) {
      parsed.user_agent = std::string(value);
    } else if (EqualsNoCase(name, "Referer")) {
      parsed.referrer = std::string(value);
    } else if (EqualsNoCase(name, "Via")) {
      parsed.via += parsed.via.empty() ? std::string(value) : ", " + std::string(value);
    }
  }
  HeadParse parse;
  parse.head = std::move(parsed);
  return parse;
}

std::string SerializeAnswer(const ServiceAnswer& answer, bool include_body, bool keep_alive) {
  std::string out = "HTTP/1.1 " + std::to_string(answer.status) + " " + ReasonPhrase(answer.status) + "\r\n";
  out += "Content-Type: " + answer.content_type + "\r\n";
  out += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
  for (const auto& [name, value] : answer.headers) out += name + ": " + value + "\r\n";
  out += keep_alive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
  if (include_body) out += answer.body;
  return out;
}

}  // namespace kestrum::services
