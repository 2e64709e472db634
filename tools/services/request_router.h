#pragma once
// Routes one request to its exchange and composes the answer. Knows nothing of sockets, so the
// fuzzer and the HTTP server drive the same code.
//
//   GET  /?v=VERSION&s=PROTOCOL://HOST                      hosts blocklist
//   GET  /scripts/mdl2.php?st=l&v=VERSION&sq=PROTOCOL://HOST  Malware Domain List
//   POST /checkurl/BASE64-ADDRESS                           phishing check (GET too)
//   GET  /pwinb.asp?cl=VERSION&s=ADDRESSES||HOST            net-block owner
//   GET  /proxy/?url=ADDRESS&ref=REFERRER                   proxy script
//   GET  /online.txt                                        connectivity file
#include <string>

#include "services/list_store.h"
#include "services/proxy_fetch.h"
#include "services/service_answer.h"

namespace kestrum::services {

struct ServiceRequest {
  std::string method;
  std::string target;  // the raw request target, "/path?query"
  std::string user_agent;
  std::string referrer;
  std::string via;
  std::string host;  // the Host the request names; not the router's business, checked before it
};

class RequestRouter {
 public:
  RequestRouter(ListStore& lists, ProxyFetcher fetch);
  ServiceAnswer Answer(const ServiceRequest& request) const;
  // The proxy fetches from elsewhere, for up to its time-out; every other exchange is answered
  // from memory at once.
  static bool MayTakeLong(const ServiceRequest& request);

 private:
  ListStore& lists_;
  ProxyFetcher fetch_;
};

}  // namespace kestrum::services
