// HTML entities: the one-walk decoder must give what the literal passes give.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../tests/decode/entity_passes_reference.h"
#include "decode/html_entities.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string decoded = kestrum::DecodeHTMLEntities(input);
  // The literal form costs 255 passes over the text; keep it to inputs it can check quickly.
  if (size <= 8192 && decoded != kestrum::testing::DecodeHTMLEntitiesByPasses(input)) std::abort();
  return 0;
}
