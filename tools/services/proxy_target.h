#pragma once
// Reading the proxy script's query. The program fills a template "?url=[URL]&ref=[REF]" by
// plain replacement, so the target arrives unencoded and may carry its own "&" and "=": the
// target is everything after "url=" up to the last "&ref=", taken as raw text.
#include <optional>
#include <string>
#include <string_view>

namespace kestrum::services {

struct ProxyQuery {
  std::string target;
  std::string referrer;  // empty when absent or still the unfilled "[REF]"
};

// Nothing when the query has no "url" key or its value is empty. A target sent
// percent-encoded ("http%3A%2F%2F...") is decoded once.
std::optional<ProxyQuery> ParseProxyQuery(std::string_view raw_query);

// The address to fetch: "http://" put in front when there is no scheme, blanks and bytes above
// 127 percent-encoded. Nothing for a scheme other than http and https, a missing host, or
// control characters.
std::optional<std::string> ProxyTargetAddress(std::string_view target);

}  // namespace kestrum::services
