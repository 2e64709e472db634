#pragma once
// The dissect command's options, read with getopt_long.
#include <string>
#include <utility>
#include <vector>

namespace kestrum::cli {

enum class ReportFormat { Text, Json, JsonLines };

struct DissectOptions {
  ReportFormat format = ReportFormat::Text;
  bool answer_yes = false;
  bool net_block = false;
  bool no_log = false;
  bool help = false;
  std::vector<std::string> addresses;
  std::string input_file;   // -i: one address a line; "-" is standard input
  std::string output_file;  // -o: the report goes there instead of standard output
  std::string proxy_name;   // --proxy: an entry of the proxy list
  // Settings for this run only, as section, key and value; later ones win.
  struct Setting {
    std::string section, key, value;
  };
  std::vector<Setting> settings;
};

// Reads `args` (the words after "dissect"); on a mistake, `error` says what was wrong.
bool ParseDissectOptions(const std::vector<std::string>& args, DissectOptions& options, std::string& error);

// The command's own help text.
const char* DissectHelpText();

}  // namespace kestrum::cli
