#include "services/proxy_fetch.h"

#include <curl/curl.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

#include "core/text.h"
#include "services/address_policy.h"

namespace kestrum::services {
namespace {

using Clock = std::chrono::steady_clock;

struct UrlParts {
  std::string scheme, host, port;
};

std::optional<UrlParts> PartsOf(const std::string& address) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), curl_url_cleanup);
  if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) return std::nullopt;
  UrlParts parts;
  for (auto [part, target, flags] :
       {std::tuple{CURLUPART_SCHEME, &parts.scheme, 0u}, std::tuple{CURLUPART_HOST, &parts.host, 0u},
        std::tuple{CURLUPART_PORT, &parts.port, unsigned{CURLU_DEFAULT_PORT}}}) {
    char* text = nullptr;
    if (curl_url_get(url.get(), part, &text, flags) != CURLUE_OK || !text) return std::nullopt;
    *target = text;
    curl_free(text);
  }
  return parts;
}

struct Pinning {
  std::string resolve_entry;  // "host:port:addr,addr", empty for a literal address
  std::string refusal;        // set when an address is not public
  std::string failure;        // set when the name does not resolve
};

// Resolves the host once, judges every address, and names them for CURLOPT_RESOLVE so the
// transfer connects to exactly what was judged.
Pinning PinPublicAddresses(const UrlParts& parts) {
  Pinning pin;
  std::string host = parts.host;
  const bool bracketed = host.size() >= 2 && host.front() == '[' && host.back() == ']';
  if (bracketed) host = host.substr(1, host.size() - 2);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
    pin.failure = "cannot resolve " + host;
    return pin;
  }
  std::string addresses;
  for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
    const std::string numeric = NumericHostOf(entry->ai_addr);
    if (!IsPublicSocketAddress(entry->ai_addr)) {
      pin.refusal = "the target " + host + " is at " + numeric +
                    ", which is not a public address (allowed only with --allow-private-targets)";
      break;
    }
    if (!addresses.empty()) addresses += ',';
    addresses += entry->ai_family == AF_INET6 ? "[" + numeric + "]" : numeric;
  }
  ::freeaddrinfo(found);
  addrinfo numeric_hints{};
  numeric_hints.ai_flags = AI_NUMERICHOST;
  addrinfo* literal = nullptr;
  const bool is_literal = ::getaddrinfo(host.c_str(), nullptr, &numeric_hints, &literal) == 0;
  if (literal) ::freeaddrinfo(literal);
  if (pin.refusal.empty() && !is_literal) pin.resolve_entry = host + ":" + parts.port + ":" + addresses;
  return pin;
}

struct Transfer {
  std::string body;
  size_t limit = 0;
  bool over_limit = false;
  std::vector<std::pair<std::string, std::string>> headers;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (transfer->body.size() + bytes > transfer->limit) {
    transfer->over_limit = true;
    return 0;
  }
  transfer->body.append(data, bytes);
  return bytes;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  std::string_view line(data, bytes);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (StartsWith(line, "HTTP/")) {
    transfer->headers.clear();  // a new answer (an interim 1xx, or the next one)
  } else if (!line.empty() && (line.front() == ' ' || line.front() == '\t') && !transfer->headers.empty()) {
    transfer->headers.back().second += " " + std::string(TrimBlank(line));
  } else if (const size_t colon = line.find(':'); colon != std::string_view::npos && colon > 0) {
    transfer->headers.emplace_back(std::string(line.substr(0, colon)), std::string(TrimBlank(line.substr(colon + 1))));
  }
  return bytes;
}

ProxyOutcome Problem(ProxyOutcome::Kind kind, std::string problem) {
  ProxyOutcome outcome;
  outcome.kind = kind;
  outcome.problem = std::move(problem);
  return outcome;
}

}  // namespace

ProxyOutcome FetchForProxy(const ProxyRequest& request, const ProxyLimits& limits) {
  using Kind = ProxyOutcome::Kind;
  const auto deadline = Clock::now() + std::chrono::seconds(limits.timeout_seconds);
  std::string address = request.address;
  for (int hop = 0; hop <= limits.max_redirects; ++hop) {
    const auto parts = PartsOf(address);
    if (!parts) return Problem(Kind::Refused, "not a usable address: " + address);
    const std::string scheme = ToLowerAscii(parts->scheme);
    if (scheme != "http" && scheme != "https") return Problem(Kind::Refused, "only http and https are fetched");

    Pinning pin;
    if (!limits.allow_private_targets) {
      pin = PinPublicAddresses(*parts);
      if (!pin.refusal.empty()) return Problem(Kind::Refused, pin.refusal);
      if (!pin.failure.empty()) return Problem(Kind::Unreachable, pin.failure);
    }
    const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (remaining <= 0) return Problem(Kind::Unreachable, "timed out");

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return Problem(Kind::Unreachable, "cannot start a transfer");
    Transfer transfer;
    transfer.limit = limits.max_body_bytes;
    curl_slist* resolve = pin.resolve_entry.empty() ? nullptr : curl_slist_append(nullptr, pin.resolve_entry.c_str());
    curl_slist* headers = curl_slist_append(nullptr, (std::string("Via: 1.1 ") + kProxyViaToken).c_str());
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, address.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_PROXY, "");  // never an environment proxy: it would bypass the pinning
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::min<long long>(remaining, 10000)));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(remaining));
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");  // decoded here, so the size bound counts what is relayed
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_body_bytes));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    // Suspicious sites often carry broken certificates; what is fetched is never rendered.
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    if (resolve) curl_easy_setopt(h, CURLOPT_RESOLVE, resolve);
    if (!request.user_agent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, request.user_agent.c_str());
    if (!request.referrer.empty()) curl_easy_setopt(h, CURLOPT_REFERER, request.referrer.c_str());

    const CURLcode result = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    char* redirect = nullptr;
    curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &redirect);
    const std::string next = redirect ? redirect : "";
    curl_slist_free_all(resolve);
    curl_slist_free_all(headers);

    if (transfer.over_limit || result == CURLE_FILESIZE_EXCEEDED)
      return Problem(Kind::TooLarge, "the answer is larger than " + std::to_string(limits.max_body_bytes) + " bytes");
    if (result != CURLE_OK) return Problem(Kind::Unreachable, curl_easy_strerror(result));
    if (status >= 300 && status < 400 && !next.empty()) {
      address = next;
      continue;
    }
    ProxyOutcome outcome;
    outcome.kind = Kind::Fetched;
    outcome.status = static_cast<int>(status);
    outcome.headers = std::move(transfer.headers);
    outcome.body = std::move(transfer.body);
    outcome.final_address = address;
    return outcome;
  }
  return Problem(Kind::TooManyRedirects, "more than " + std::to_string(limits.max_redirects) + " redirects");
}

}  // namespace kestrum::services
