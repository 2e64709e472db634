#pragma once
// The net-block owners: "RANGE OWNER" lines, where RANGE is an IPv4 block written as
// "a.b.c.d/n", "a.b.c.d-e.f.g.h" or one address, or a domain name that covers itself and
// every name below it; OWNER is the rest of the line.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::services {

struct NetblockMatch {
  std::string owner;
  // Set for a match by address range.
  std::optional<uint32_t> address;
  uint32_t first = 0;
  uint32_t last = 0;
  // Set for a match by name: the list's domain entry.
  std::string domain;
};

class NetblockList {
 public:
  static NetblockList Parse(std::string_view text, std::vector<std::string>& warnings);

  // The narrowest range holding one of `addresses` (tried in order), else the longest domain
  // entry that covers `host`.
  std::optional<NetblockMatch> Find(const std::vector<uint32_t>& addresses, std::string_view host) const;
  size_t size() const { return ranges_.size() + domains_.size(); }

 private:
  struct Range {
    uint32_t first;
    uint32_t last;
    std::string owner;
  };
  struct Domain {
    std::string name;
    std::string owner;
  };
  std::vector<Range> ranges_;
  std::vector<Domain> domains_;
};

// The query's "s" value, "ADDRESSES||HOST", taken apart: the addresses of the list (joined by
// ", " when the host has several; decimal numbers count too) and the host, which is also tried
// as an address. Texts that are neither (a resolver's failure message) are skipped.
struct NetblockQuery {
  std::vector<uint32_t> addresses;
  std::string host;
};
NetblockQuery ParseNetblockQuery(std::string_view s_value);

// The script's answer: the owner between "<b>" and "</b>" inside "[CONTENT]" ... "[/CONTENT]",
// or a text beginning "unable to determine" when nothing matched.
std::string NetblockAnswerText(const std::optional<NetblockMatch>& match);

}  // namespace kestrum::services
