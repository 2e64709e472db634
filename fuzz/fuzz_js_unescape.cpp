// JavaScript unescape: the percent-decoder's limit, and the table path over a real charcfg.ini.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/context.h"
#include "core/recording_desktop.h"
#include "core/settings.h"
#include "decode/char_table.h"
#include "decode/js_unescape.h"

namespace {

std::string program_root;

void RemoveProgramRoot() {
  std::error_code ignored;
  std::filesystem::remove_all(program_root, ignored);
}

// A program folder with the character table written and the log switched off, made once.
kestrum::Context& FuzzContext() {
  static kestrum::ScriptedDesktop desktop;
  static kestrum::Context ctx = [] {
    program_root = (std::filesystem::temp_directory_path() / "kestrum-fuzz-XXXXXX").string();
    if (!::mkdtemp(program_root.data())) std::abort();
    std::atexit(RemoveProgramRoot);
    kestrum::Context made;
    made.program_folder = program_root;
    made.user_data_root = program_root;
    made.desktop = &desktop;
    std::filesystem::create_directories(program_root + "/Storage");
    kestrum::WriteSetting(made, "Settings", "Disable_Log", "0");
    kestrum::WriteCharTable(made);
    return made;
  }();
  desktop.messages.clear();
  return ctx;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  const std::string unescaped = kestrum::UnescapeURL(input);
  if (unescaped != input && unescaped.size() > kestrum::kUnescapeResultLimit) std::abort();

  kestrum::Context& ctx = FuzzContext();
  const std::string decoded = kestrum::UnescapeJavascript(ctx, input);
  if (decoded.empty() && !input.empty()) std::abort();
  return 0;
}
