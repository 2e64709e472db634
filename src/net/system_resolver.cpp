#include "net/system_resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

namespace kestrum {

std::vector<std::string> SystemResolver::resolve(std::string_view host) {
  std::vector<std::string> addresses;
  const std::string name(host.substr(0, host.find('\0')));
  if (name.empty()) return addresses;

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return addresses;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) continue;
    sockaddr_in address{};
    std::memcpy(&address, entry->ai_addr, sizeof address);
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text) == nullptr) continue;
    if (std::find(addresses.begin(), addresses.end(), text) == addresses.end()) addresses.emplace_back(text);
  }
  ::freeaddrinfo(found);
  return addresses;
}

std::optional<std::string> SystemResolver::reverse(std::string_view address) {
  sockaddr_in socket_address{};
  socket_address.sin_family = AF_INET;
  const std::string text(address.substr(0, address.find('\0')));
  if (::inet_pton(AF_INET, text.c_str(), &socket_address.sin_addr) != 1) return std::nullopt;
  char name[NI_MAXHOST] = {};
  if (::getnameinfo(reinterpret_cast<const sockaddr*>(&socket_address), sizeof socket_address, name, sizeof name,
                    nullptr, 0, NI_NAMEREQD) != 0) {
    return std::nullopt;
  }
  return std::string(name);
}

}  // namespace kestrum
