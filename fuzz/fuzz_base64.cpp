// Base64: any bytes round-trip through the encoder, and any text is safe to decode.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "decode/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  const std::string encoded = kestrum::Base64Encode(input);
  if (!kestrum::IsBase64(encoded) || kestrum::Base64DecodeText(encoded) != input) std::abort();

  const auto decoded = kestrum::Base64DecodeText(input);
  if (decoded.has_value() != kestrum::IsBase64(input)) std::abort();
  return 0;
}
