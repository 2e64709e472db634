#pragma once
// Taking a request target ("/path?query") apart. Works on raw bytes: the program sends host
// texts, address lists and whole addresses unencoded in the query, so nothing here trusts the
// target to be well formed.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrum::services {

// Longest target looked at; the HTTP server refuses longer request lines before we see them.
inline constexpr size_t kMaxTargetLength = 16384;
// Query pairs beyond this count are ignored.
inline constexpr size_t kMaxQueryPairs = 64;

struct RequestTarget {
  std::string path;       // percent-decoded, "+" kept as it is
  std::string raw_query;  // the text after the first "?", undecoded
};

// Nothing when the target is empty, does not begin with "/", or is too long.
std::optional<RequestTarget> SplitRequestTarget(std::string_view target);

// %XX sequences decoded (a malformed one is kept as it is); "+" becomes a space only on request.
std::string PercentDecode(std::string_view text, bool plus_is_space);

// The query's key=value pairs, decoded as a form is. Keys compare without letter case; the
// first occurrence of a key wins.
class QueryParameters {
 public:
  explicit QueryParameters(std::string_view raw_query);
  std::optional<std::string> Find(std::string_view key) const;

 private:
  std::vector<std::pair<std::string, std::string>> pairs_;
};

}  // namespace kestrum::services
