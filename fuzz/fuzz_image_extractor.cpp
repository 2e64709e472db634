// The image scan on arbitrary bytes: it never fails, and every reference it hands over holds a
// "." and is at most 150 characters long.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dissect/image_references.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kestrum;
  ImageScanHooks hooks;
  hooks.host_of_page = [] { return std::string("http://host.example"); };
  hooks.found = [](std::string& reference) {
    if (reference.find('.') == std::string::npos || reference.size() > kImageReferenceLimit) __builtin_trap();
  };
  FindImageReferences(std::string_view(reinterpret_cast<const char*>(data), size), hooks);
  return 0;
}
