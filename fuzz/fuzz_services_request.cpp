// The services' request handling on arbitrary bytes: the head parser, then the router, both on
// the parsed head and on the bytes taken as a request target, so every exchange's query
// parsing is reached without a well-formed head.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "services/request_head.h"
#include "services/request_router.h"

using namespace kestrum::services;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ListStore lists(ListTexts{"127.0.0.1 listed.test ATS\nplain.test\n", "listed.test\n",
                                   "http://phish.test/login\n",
                                   "127.0.0.0/8 Loopback\n10.0.0.0-10.255.255.255 Private\nexample.test Zone\n"});
  static const RequestRouter router(lists, [](const ProxyRequest& request) {
    ProxyOutcome outcome;
    outcome.kind = ProxyOutcome::Kind::Fetched;
    outcome.status = 200;
    outcome.headers = {{"Content-Type", "text/html"}, {"X-Target", request.address}};
    outcome.body = request.address;
    outcome.final_address = request.address;
    return outcome;
  });

  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t end = EndOfHead(bytes);
  const HeadParse parse = ParseRequestHead(end == std::string_view::npos ? bytes : bytes.substr(0, end));
  if (parse.head) {
    const RequestHead& head = *parse.head;
    const ServiceAnswer answer = router.Answer({head.method, head.target, head.user_agent, head.referrer, head.via});
    (void)SerializeAnswer(answer, true, head.keep_alive);
  }
  for (const char* method : {"GET", "POST"}) (void)router.Answer({method, std::string(bytes), "", "", ""});
  return 0;
}
