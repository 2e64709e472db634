// The INI store on arbitrary bytes: lookups and writes must never crash, and a value written
// under a name that can be stored must read back unchanged from the text the write produced.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ini_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Layout: section length, key length, section, key, then the file's contents.
  if (size < 2) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t section_length = std::min<size_t>(static_cast<uint8_t>(input[0]) % 16, size - 2);
  const size_t key_length = std::min<size_t>(static_cast<uint8_t>(input[1]) % 16, size - 2 - section_length);
  const std::string_view section = input.substr(2, section_length);
  const std::string_view key = input.substr(2 + section_length, key_length);
  const std::string_view contents = input.substr(2 + section_length + key_length);

  kestrum::IniLookup(contents, section, key);
  kestrum::ProfileStringFrom(std::string(contents), section, key, "default");
  const std::string without = kestrum::IniWithValue(contents, section, key, std::nullopt);
  kestrum::IniLookup(without, section, key);

  const std::string with = kestrum::IniWithValue(contents, section, key, "v4lue");
  if (kestrum::IsStorableIniName(section, key) && kestrum::IniLookup(with, section, key) != "v4lue") __builtin_trap();
  // A value cannot forge lines: one holding a line break never brings a section into being.
  const std::string injected = kestrum::IniWithValue(contents, section, key, "x\r\n[Injected]\r\nk=1");
  if (kestrum::IsStorableIniName(section, key) && kestrum::IniLookup(injected, "Injected", "k") &&
      !kestrum::IniLookup(contents, "Injected", "k"))
    __builtin_trap();
  return 0;
}
