// The URL helpers on arbitrary text: never crash, and a host key never names a path outside
// its folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/host_resolution.h"
#include "net/request_address.h"
#include "net/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kestrum::SplitHostFromURL(text);
  for (int32_t part = 0; part <= 7; ++part) {
    const std::string value = kestrum::GetURLPart(text, part, kestrum::kUrlPartFlagKeepScheme);
    if (value.size() > 259) std::abort();
  }
  for (int32_t mode = 0; mode <= 4; ++mode) kestrum::GetPathPart(mode, text);
  const std::string key = kestrum::GetPathPart(kestrum::HostKey, text);
  if (key.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos || key.find("..") != std::string::npos) {
    std::abort();
  }
  kestrum::ConvertIPValue(text);
  kestrum::ContentRequestAddress(text);
  kestrum::HeaderRequestAddress(text);
  return 0;
}
