#pragma once
// Reading an HTTP/1.x request head ourselves. The program puts addresses into query strings
// unencoded, so a target may hold a second "?" (a proxied address with its own query) or even
// blanks (an address list "a, b"); a strict parser would refuse such requests before they reach
// the exchanges. Here the target is whatever lies between the method and the version.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "services/service_answer.h"

namespace kestrum::services {

inline constexpr size_t kMaxHeadBytes = 16384;
inline constexpr size_t kMaxRequestBodyBytes = 65536;

struct RequestHead {
  std::string method;
  std::string target;  // origin form, "/path?query"; an absolute-form target is cut to it
  bool http10 = false;
  std::string user_agent;
  std::string referrer;
  std::string via;
  size_t content_length = 0;
  bool chunked = false;
  bool keep_alive = true;
  bool expects_continue = false;
};

struct HeadParse {
  std::optional<RequestHead> head;
  ServiceAnswer error;  // the answer to send, then close, when `head` is empty
};

// Where the head ends in `buffer` (just after its blank line), or npos when the blank line has
// not arrived yet. The search starts at `from`, so a head arriving in small pieces is not
// scanned again from its start for every piece.
size_t EndOfHead(std::string_view buffer, size_t from = 0);

// `head` is the text before the blank line; leading empty lines are skipped.
HeadParse ParseRequestHead(std::string_view head);

// The whole response as bytes: status line, headers, blank line, and the body unless omitted.
std::string SerializeAnswer(const ServiceAnswer& answer, bool include_body, bool keep_alive);

}  // namespace kestrum::services
