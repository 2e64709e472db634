#include "net/request_address.h"

#include "core/text.h"

namespace kestrum {

std::string ContentRequestAddress(std::string_view address) {
  if (StartsWith(address, "http://") || StartsWith(address, "https://")) return std::string(address);
  return "http://" + std::string(address);
}

std::string HeaderRequestAddress(std::string_view address) {
  const std::string start = ToLowerAscii(address.substr(0, 8));
  if (StartsWith(start, "http://") || start == "https://") return std::string(address);
  return "http://" + std::string(address);
}

}  // namespace kestrum
