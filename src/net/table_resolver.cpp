#include "net/table_resolver.h"

#include "core/text.h"

namespace kestrum {

void TableResolver::addHost(std::string_view host, std::vector<std::string> addresses) {
  hosts_[ToLowerAscii(host)] = std::move(addresses);
}

void TableResolver::addName(std::string_view address, std::string_view name) {
  names_[std::string(address)] = std::string(name);
}

void TableResolver::failHost(std::string_view host) {
  hosts_.erase(ToLowerAscii(host));
}

std::vector<std::string> TableResolver::resolve(std::string_view host) {
  ++lookups;
  const auto found = hosts_.find(ToLowerAscii(host));
  return found == hosts_.end() ? std::vector<std::string>{} : found->second;
}

std::optional<std::string> TableResolver::reverse(std::string_view address) {
  const auto found = names_.find(std::string(address));
  if (found == names_.end()) return std::nullopt;
  return found->second;
}

}  // namespace kestrum
