#include "services/request_router.h"

#include <functional>
#include <optional>
#include <vector>

#include "core/text.h"
#include "services/host_text.h"
#include "services/lenient_base64.h"
#include "services/proxy_answer.h"
#include "services/proxy_target.h"
#include "services/request_target.h"

namespace kestrum::services {
namespace {

constexpr std::string_view kPhishPathPrefix = "/checkurl/";

ServiceAnswer MissingKey(std::string_view key) {
  return PlainAnswer(400, "Bad request: the key \"" + std::string(key) + "\" is missing or empty\r\n");
}

// Looks up the keys an exchange needs; the first missing one is named in the error answer.
struct RequiredKeys {
  explicit RequiredKeys(const QueryParameters& query, std::initializer_list<std::string_view> keys) {
    for (const std::string_view key : keys) {
      std::optional<std::string> value = query.Find(key);
      if (!value || value->empty()) {
        error = MissingKey(key);
        return;
      }
      values.push_back(std::move(*value));
    }
  }
  std::optional<ServiceAnswer> error;
  std::vector<std::string> values;
};

ServiceAnswer AnswerBraxel(ListStore& lists, const QueryParameters& query) {
  const RequiredKeys keys(query, {"v", "s"});
  if (keys.error) return *keys.error;
  return PlainAnswer(200, BraxelAnswerText(lists.Braxel()->ClassOf(keys.values[1])));
}

ServiceAnswer AnswerMdl(ListStore& lists, const QueryParameters& query) {
  const RequiredKeys keys(query, {"st", "v", "sq"});
  if (keys.error) return *keys.error;
  if (keys.values[0] != "l") return PlainAnswer(400, "Bad request: only the query type st=l is answered\r\n");
  return PlainAnswer(200, lists.Mdl()->Lists(keys.values[2]) ? "Listed" : "Not Listed");
}

ServiceAnswer AnswerNetblock(ListStore& lists, const QueryParameters& query) {
  const RequiredKeys keys(query, {"cl", "s"});
  if (keys.error) return *keys.error;
  const NetblockQuery parsed = ParseNetblockQuery(keys.values[1]);
  return PlainAnswer(200, NetblockAnswerText(lists.Netblock()->Find(parsed.addresses, parsed.host)));
}

// The address as the answer repeats it: printable ASCII only, everything else %XX, then
// escaped for XML, so nothing the caller sent can open an element of its own.
std::string EchoedAddress(std::string_view address) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else {
      out += c;
    }
  }
  return out;
}

ServiceAnswer AnswerPhish(ListStore& lists, std::string_view encoded) {
  const auto address = DecodeBase64Leniently(encoded);
  if (!address || TrimBlank(*address).empty())
    return PlainAnswer(400, "Bad request: the path must end in the Base64 form of an address\r\n");
  ServiceAnswer answer;
  answer.content_type = "text/xml; charset=utf-8";
  answer.body = std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<response>\r\n<results>\r\n<url0>\r\n") +
                "<url>" + EchoedAddress(*address) + "</url>\r\n" + "<in_database>" +
                (lists.Phish()->Lists(*address) ? "true" : "false") + "</in_database>\r\n" +
                "</url0>\r\n</results>\r\n</response>\r\n";
  return answer;
}

ServiceAnswer AnswerProxy(const ProxyFetcher& fetch, const ServiceRequest& request, std::string_view raw_query) {
  if (ContainsNoCase(request.via, kProxyViaToken))
    return PlainAnswer(403, "Refused: this request came through this proxy already\r\n");
  const auto query = ParseProxyQuery(raw_query);
  if (!query) return MissingKey("url");
  const auto address = ProxyTargetAddress(query->target);
  if (!address) return PlainAnswer(400, "Bad request: the proxy fetches http and https addresses only\r\n");
  ProxyRequest fetch_request{*address, request.user_agent,
                             query->referrer.empty() ? request.referrer : query->referrer};
  return ProxyAnswer(fetch(fetch_request));
}

bool IsReadMethod(std::string_view method) {
  return method == "GET" || method == "HEAD";
}

ServiceAnswer WrongMethod(std::string_view allowed) {
  ServiceAnswer answer = PlainAnswer(405, "Method not allowed here\r\n");
  answer.headers.emplace_back("Allow", std::string(allowed));
  return answer;
}

}  // namespace

RequestRouter::RequestRouter(ListStore& lists, ProxyFetcher fetch) : lists_(lists), fetch_(std::move(fetch)) {}

bool RequestRouter::MayTakeLong(const ServiceRequest& request) {
  const auto target = SplitRequestTarget(request.target);
  return target && (EqualsNoCase(target->path, "/proxy/") || EqualsNoCase(target->path, "/proxy"));
}

ServiceAnswer RequestRouter::Answer(const ServiceRequest& request) const {
  const auto target = SplitRequestTarget(request.target);
  if (!target) return PlainAnswer(400, "Bad request: unusable request target\r\n");
  const std::string& path = target->path;
  const bool read = IsReadMethod(request.method);

  if (path.size() >= kPhishPathPrefix.size() &&
      EqualsNoCase(path.substr(0, kPhishPathPrefix.size()), kPhishPathPrefix)) {
    if (!read && request.method != "POST") return WrongMethod("POST, GET, HEAD");
    return AnswerPhish(lists_, std::string_view(path).substr(kPhishPathPrefix.size()));
  }

  const QueryParameters query(target->raw_query);
  struct Route {
    std::string_view path;
    std::function<ServiceAnswer()> answer;
  };
  const Route routes[] = {
      {"/", [&] { return AnswerBraxel(lists_, query); }},
      {"/scripts/mdl2.php", [&] { return AnswerMdl(lists_, query); }},
      {"/pwinb.asp", [&] { return AnswerNetblock(lists_, query); }},
      {"/proxy/", [&] { return AnswerProxy(fetch_, request, target->raw_query); }},
      {"/proxy", [&] { return AnswerProxy(fetch_, request, target->raw_query); }},
      {"/online.txt", [] { return PlainAnswer(200, "Kestrum services are online\r\n"); }},
  };
  for (const Route& route : routes) {
    if (!EqualsNoCase(path, route.path)) continue;
    if (!read) return WrongMethod("GET, HEAD");
    return route.answer();
  }
  return PlainAnswer(404, "Not found\r\n");
}

}  // namespace kestrum::services
