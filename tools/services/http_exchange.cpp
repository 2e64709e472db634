#include "services/http_exchange.h"

#include <boost/asio/buffer.hpp>
#include <sstream>

#include "core/text.h"

namespace kestrum::services {
namespace http = boost::beast::http;

namespace {

ServiceAnswer BadRequest(std::string_view why) {
  return PlainAnswer(400, "Bad request: " + std::string(why) + "\r\n");
}

// "http://host:port/path?q" becomes "/path?q"; a target without a path becomes "/".
std::string OriginForm(std::string_view target) {
  if (FindNoCase(target, "http://") != 0 && FindNoCase(target, "https://") != 0) return std::string(target);
  const std::string_view rest = After(target, "://");
  const size_t path = rest.find_first_of("/?");
  if (path == std::string_view::npos) return "/";
  return rest[path] == '?' ? "/" + std::string(rest.substr(path)) : std::string(rest.substr(path));
}

// The authority of an absolute-form target, which stands in for Host.
std::string_view AbsoluteFormHost(std::string_view target) {
  if (FindNoCase(target, "http://") != 0 && FindNoCase(target, "https://") != 0) return {};
  const std::string_view rest = After(target, "://");
  return rest.substr(0, rest.find_first_of("/?"));
}

std::string FieldText(const http::request_header<>& head, http::field name) {
  std::string joined;
  for (auto [it, end] = head.equal_range(name); it != end; ++it) {
    if (!joined.empty()) joined += ", ";
    joined.append(it->value().data(), it->value().size());
  }
  return joined;
}

}  // namespace

void ApplyRequestLimits(RequestParser& parser) {
  parser.header_limit(kMaxHeadBytes);
  parser.body_limit(kMaxRequestBodyBytes);
}

ServiceRequest ToServiceRequest(const http::request_header<>& head) {
  const std::string_view target(head.target().data(), head.target().size());
  ServiceRequest request;
  request.method = std::string(head.method_string());
  request.target = OriginForm(target);
  request.user_agent = FieldText(head, http::field::user_agent);
  request.referrer = FieldText(head, http::field::referer);
  request.via = FieldText(head, http::field::via);
  const std::string_view absolute_host = AbsoluteFormHost(target);
  request.host = absolute_host.empty() ? FieldText(head, http::field::host) : std::string(absolute_host);
  return request;
}

std::optional<ServiceAnswer> RefusalOfHead(const RequestParser& parser) {
  const auto& head = parser.get();
  if (head.version() != 10 && head.version() != 11) return BadRequest("only HTTP/1.0 and HTTP/1.1 are spoken");
  if (parser.chunked()) return PlainAnswer(411, "A request body needs a Content-Length\r\n");
  if (parser.content_length() && *parser.content_length() > kMaxRequestBodyBytes)
    return PlainAnswer(413, "Request body too large\r\n");
  return std::nullopt;
}

ServiceAnswer AnswerToReadError(const boost::beast::error_code& error, const RequestParser& parser) {
  if (error == http::error::header_limit) {
    // The parser fills in the target once it has read the request line.
    const bool request_line_read = !parser.get().target().empty();
    return PlainAnswer(request_line_read ? 431 : 414, "Request too large\r\n");
  }
  if (error == http::error::body_limit) return PlainAnswer(413, "Request body too large\r\n");
  if (error == http::error::bad_target) return BadRequest("unusable request target");
  if (error == http::error::bad_version) return BadRequest("the request line must be METHOD TARGET HTTP/1.x");
  if (error == http::error::bad_method) return BadRequest("unusable method");
  if (error == http::error::bad_content_length) return BadRequest("unusable Content-Length");
  return BadRequest("unreadable request head");
}

std::string SerializeAnswer(const ServiceAnswer& answer, bool include_body, bool keep_alive) {
  http::response<http::string_body> response;
  response.version(11);
  response.result(static_cast<unsigned>(answer.status));
  if (http::int_to_status(static_cast<unsigned>(answer.status)) == http::status::unknown)
    response.reason(answer.status < 400 ? "OK" : (answer.status < 500 ? "Client Error" : "Server Error"));
  response.set(http::field::content_type, answer.content_type);
  for (const auto& [name, value] : answer.headers) response.insert(name, value);
  response.body() = answer.body;
  response.prepare_payload();
  response.keep_alive(keep_alive);
  if (keep_alive) response.set(http::field::connection, "keep-alive");
  std::ostringstream out;
  if (include_body)
    out << response;
  else
    out << response.base();
  return std::move(out).str();
}

ParsedRequest ParseRequestBytes(std::string_view bytes) {
  ParsedRequest parsed;
  RequestParser parser;
  ApplyRequestLimits(parser);
  parser.eager(true);
  boost::beast::error_code error;
  parser.put(boost::asio::buffer(bytes.data(), bytes.size()), error);
  if (error == http::error::need_more) error = {};
  if (!error && !parser.is_header_done()) error = http::error::partial_message;
  if (error) {
    parsed.error = AnswerToReadError(error, parser);
    return parsed;
  }
  if (const auto refusal = RefusalOfHead(parser)) {
    parsed.error = *refusal;
    return parsed;
  }
  parsed.request = ToServiceRequest(parser.get());
  parsed.keep_alive = parser.get().keep_alive();
  return parsed;
}

}  // namespace kestrum::services
