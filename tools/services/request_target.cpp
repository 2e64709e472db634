#include "services/request_target.h"

#include "core/text.h"

namespace kestrum::services {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<RequestTarget> SplitRequestTarget(std::string_view target) {
  if (target.empty() || target.front() != '/' || target.size() > kMaxTargetLength) return std::nullopt;
  const size_t question = target.find('?');
  RequestTarget split;
  split.path = PercentDecode(target.substr(0, question), false);
  if (question != std::string_view::npos) split.raw_query = std::string(target.substr(question + 1));
  return split;
}

std::string PercentDecode(std::string_view text, bool plus_is_space) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(plus_is_space && c == '+' ? ' ' : c);
  }
  return out;
}

QueryParameters::QueryParameters(std::string_view raw_query) {
  size_t start = 0;
  while (start <= raw_query.size() && pairs_.size() < kMaxQueryPairs) {
    size_t end = raw_query.find('&', start);
    if (end == std::string_view::npos) end = raw_query.size();
    const std::string_view pair = raw_query.substr(start, end - start);
    if (!pair.empty()) {
      pairs_.emplace_back(PercentDecode(Before(pair, "="), true), PercentDecode(After(pair, "="), true));
    }
    start = end + 1;
  }
}

std::optional<std::string> QueryParameters::Find(std::string_view key) const {
  for (const auto& [name, value] : pairs_)
    if (EqualsNoCase(name, key)) return value;
  return std::nullopt;
}

}  // namespace kestrum::services
