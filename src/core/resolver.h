#pragma once
// Host-name resolution as the engine needs it: the system resolver in the program, a table in tests.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

class Resolver {
 public:
  virtual ~Resolver() = default;
  // IPv4 addresses of a host in resolver order without duplicates; empty when the name fails.
  virtual std::vector<std::string> resolve(std::string_view host) = 0;
  // The name behind a dotted IPv4 address, or nothing.
  virtual std::optional<std::string> reverse(std::string_view address) = 0;
};

}  // namespace kestrum
