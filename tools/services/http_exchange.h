#pragma once
// Between Boost.Beast's HTTP messages and the exchanges: a parsed request head becomes a
// ServiceRequest, a ServiceAnswer becomes the bytes of a response, and a read error becomes the
// status to answer it with. The parsing itself is Beast's; the target is taken as it came, so
// the program's unencoded query values (a second "?", "://", "||") reach the router whole.
#include <boost/beast/http.hpp>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "services/request_router.h"
#include "services/service_answer.h"

namespace kestrum::services {

inline constexpr size_t kMaxHeadBytes = 16384;
inline constexpr size_t kMaxRequestBodyBytes = 65536;

// No exchange reads a body; it is received only to find where the next request begins.
using RequestParser = boost::beast::http::request_parser<boost::beast::http::string_body>;

// A parser with the service's limits on head and body size.
void ApplyRequestLimits(RequestParser& parser);

// The request as the router reads it; an absolute-form target is cut to its origin form.
ServiceRequest ToServiceRequest(const boost::beast::http::request_header<>& head);

// The answer to a head that parsed but cannot be served (HTTP version, chunked or oversized
// body), or nothing when the request may go on.
std::optional<ServiceAnswer> RefusalOfHead(const RequestParser& parser);

// The answer to a request `parser` could not read: 414 (the request line never ended), 431
// (the header lines are too many or too long), 413 or 400.
ServiceAnswer AnswerToReadError(const boost::beast::error_code& error, const RequestParser& parser);

// The whole response as bytes: status line, headers, blank line, and the body unless omitted.
std::string SerializeAnswer(const ServiceAnswer& answer, bool include_body, bool keep_alive);

// A complete request in `bytes` read the way a connection reads it: the request, or the error
// answer. For the fuzzer and the tests, which have the bytes at once.
struct ParsedRequest {
  std::optional<ServiceRequest> request;
  ServiceAnswer error;
  bool keep_alive = false;
};
ParsedRequest ParseRequestBytes(std::string_view bytes);

}  // namespace kestrum::services
