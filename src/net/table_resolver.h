#pragma once
// A resolver that answers from a table, for tests: a host can have several addresses, and any
// host can be made to fail on demand. Names are compared without letter case, as DNS does.
#include <map>
#include <set>

#include "core/resolver.h"

namespace kestrum {

class TableResolver : public Resolver {
 public:
  void addHost(std::string_view host, std::vector<std::string> addresses);
  void addName(std::string_view address, std::string_view name);
  // The host stops resolving until it is added again.
  void failHost(std::string_view host);

  std::vector<std::string> resolve(std::string_view host) override;
  std::optional<std::string> reverse(std::string_view address) override;

  int lookups = 0;  // forward lookups asked for

 private:
  std::map<std::string, std::vector<std::string>> hosts_;
  std::map<std::string, std::string> names_;
};

}  // namespace kestrum
