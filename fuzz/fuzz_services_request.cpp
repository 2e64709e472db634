// The services' request handling on arbitrary bytes: the request read as a connection reads it,
// then the router, both on the parsed request and on the bytes taken as a request target, so
// every exchange's query parsing is reached without a well-formed head.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "services/host_check.h"
#include "services/http_exchange.h"
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
  static const HostCheck hosts("127.0.0.1", {"lookups.test"});
  const ParsedRequest parsed = ParseRequestBytes(bytes);
  if (parsed.request) {
    (void)hosts.Allows(parsed.request->host, "127.0.0.1");
    const ServiceAnswer answer = router.Answer(*parsed.request);
    (void)SerializeAnswer(answer, parsed.request->method != "HEAD", parsed.keep_alive);
  } else {
    (void)SerializeAnswer(parsed.error, true, false);
  }
  for (const char* method : {"GET", "POST"}) {
    ServiceRequest request;
    request.method = method;
    request.target = std::string(bytes);
    (void)router.Answer(request);
  }
  return 0;
}
