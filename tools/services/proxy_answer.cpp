#include "services/proxy_answer.h"

#include <string_view>

#include "core/text.h"

namespace kestrum::services {
namespace {

constexpr size_t kMaxRelayedHeaders = 100;

// Headers that describe this hop, or that the server writes itself from the body it sends.
bool IsOwnedByThisHop(std::string_view name) {
  for (const char* own :
       {"connection", "keep-alive", "proxy-authenticate", "proxy-authorization", "te", "trailer", "trailers",
        "transfer-encoding", "upgrade", "content-length", "content-encoding", "content-type", "via"})
    if (EqualsNoCase(name, own)) return true;
  return false;
}

bool IsTokenName(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
    if (!ok) return false;
  }
  return true;
}

bool IsSafeValue(std::string_view value) {
  for (const char c : value)
    if (c == '\r' || c == '\n' || c == '\0') return false;
  return true;
}

}  // namespace

ServiceAnswer ProxyAnswer(const ProxyOutcome& outcome) {
  using Kind = ProxyOutcome::Kind;
  if (outcome.kind != Kind::Fetched) {
    const int status = outcome.kind == Kind::Refused ? 403 : 502;
    return PlainAnswer(status, "kestrum-services proxy: " + outcome.problem + "\r\n");
  }
  ServiceAnswer answer;
  // A status outside the final range cannot be passed on as an answer of its own.
  answer.status = outcome.status >= 200 && outcome.status <= 599 ? outcome.status : 502;
  answer.content_type = "application/octet-stream";
  answer.body = outcome.body;
  for (const auto& [name, value] : outcome.headers) {
    if (EqualsNoCase(name, "content-type") && IsSafeValue(value) && !value.empty()) answer.content_type = value;
    if (IsOwnedByThisHop(name) || !IsTokenName(name) || !IsSafeValue(value)) continue;
    if (answer.headers.size() < kMaxRelayedHeaders) answer.headers.emplace_back(name, value);
  }
  if (IsSafeValue(outcome.final_address)) answer.headers.emplace_back(kFinalAddressHeader, outcome.final_address);
  // Should anyone open the proxy in a browser, the fetched page runs in no origin of ours.
  answer.headers.emplace_back("Content-Security-Policy", "sandbox");
  answer.headers.emplace_back("X-Content-Type-Options", "nosniff");
  return answer;
}

}  // namespace kestrum::services
