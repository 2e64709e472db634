// The proxy list (a file the user may edit) and the os-release text on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/platform.h"
#include "core/startup.h"
#include "core/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const auto& entry : kestrum::ParseProxyList(text)) {
    // A label never holds the separator, and no entry spans a line break.
    if (kestrum::Contains(entry.label, "||")) __builtin_trap();
    if (entry.label.find_first_of("\r\n") != std::string::npos) __builtin_trap();
  }
  kestrum::DescribeLinux(text, "Linux", "6.1.0");
  return 0;
}
