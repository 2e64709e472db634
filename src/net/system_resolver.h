#pragma once
// The operating system's name service: getaddrinfo for IPv4 stream addresses, getnameinfo for
// the name behind an address.
#include "core/resolver.h"

namespace kestrum {

class SystemResolver : public Resolver {
 public:
  std::vector<std::string> resolve(std::string_view host) override;
  std::optional<std::string> reverse(std::string_view address) override;
};

}  // namespace kestrum
