#include "cli/dissect_options.h"

#include <getopt.h>

#include <charconv>

namespace kestrum::cli {
namespace {

enum LongOnly {
  kJson = 1000,
  kJsonLines,
  kYes,
  kTimeout,
  kUserAgent,
  kReferer,
  kMethod,
  kProxy,
  kSet,
  kNetBlock,
  kNoLog,
};

constexpr option kOptions[] = {
    {"json", no_argument, nullptr, kJson},
    {"jsonl", no_argument, nullptr, kJsonLines},
    {"yes", no_argument, nullptr, kYes},
    {"input", required_argument, nullptr, 'i'},
    {"output", required_argument, nullptr, 'o'},
    {"timeout", required_argument, nullptr, kTimeout},
    {"user-agent", required_argument, nullptr, kUserAgent},
    {"referer", required_argument, nullptr, kReferer},
    {"method", required_argument, nullptr, kMethod},
    {"proxy", required_argument, nullptr, kProxy},
    {"set", required_argument, nullptr, kSet},
    {"netblock", no_argument, nullptr, kNetBlock},
    {"no-log", no_argument, nullptr, kNoLog},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

bool PositiveWholeNumber(const std::string& text) {
  unsigned long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value > 0;
}

// "Section.Key=value": the section ends at the first ".", the key at the first "=".
bool ParseSetting(const std::string& text, DissectOptions::Setting& setting) {
  const size_t dot = text.find('.');
  const size_t equals = text.find('=');
  if (dot == std::string::npos || equals == std::string::npos || dot == 0 || equals <= dot + 1) return false;
  setting = {text.substr(0, dot), text.substr(dot + 1, equals - dot - 1), text.substr(equals + 1)};
  return true;
}

}  // namespace

bool ParseDissectOptions(const std::vector<std::string>& args, DissectOptions& options, std::string& error) {
  std::vector<std::string> words = {"kestrum-cli dissect"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  std::vector<DissectOptions::Setting> specific;  // the named options outrank --set
  opterr = 0;
  optind = 0;  // a fresh scan, as glibc documents
  for (;;) {
    const int found = getopt_long(static_cast<int>(words.size()), argv.data(), "i:o:h", kOptions, nullptr);
    if (found == -1) break;
    const std::string value = optarg != nullptr ? optarg : "";
    switch (found) {
      case kJson:
        if (options.format == ReportFormat::Text) options.format = ReportFormat::Json;
        break;
      case kJsonLines:
        options.format = ReportFormat::JsonLines;
        break;
      case kYes:
        options.answer_yes = true;
        break;
      case 'i':
        options.input_file = value;
        break;
      case 'o':
        options.output_file = value;
        break;
      case 'h':
        options.help = true;
        break;
      case kNetBlock:
        options.net_block = true;
        break;
      case kNoLog:
        options.no_log = true;
        break;
      case kTimeout:
        if (!PositiveWholeNumber(value)) {
          error = "--timeout needs a whole number of seconds above 0, not '" + value + "'";
          return false;
        }
        for (const char* key : {"TransferTimeout", "ConnectTimeout", "IdleTimeout"})
          specific.push_back({"Settings", key, value});
        break;
      case kUserAgent:
        specific.push_back({"Settings", "cboUAString", value});
        break;
      case kReferer:
        specific.push_back({"Settings", "txtReferer", value});
        break;
      case kMethod:
        if (value != "download" && value != "xmlhttp") {
          error = "--method is download or xmlhttp, not '" + value + "'";
          return false;
        }
        specific.push_back({"Settings", "chkMSXML", value == "xmlhttp" ? "1" : "0"});
        break;
      case kProxy:
        options.proxy_name = value;
        specific.push_back({"Settings", "chkProxy", "1"});
        specific.push_back({"Settings", "cboProxyServers", value});
        break;
      case kSet: {
        DissectOptions::Setting setting;
        if (!ParseSetting(value, setting)) {
          error = "--set needs Section.Key=value, not '" + value + "'";
          return false;
        }
        options.settings.push_back(setting);
        break;
      }
      default:
        error = optopt != 0 && optopt < 256 ? std::string("unknown or incomplete option -") + static_cast<char>(optopt)
                                            : "unknown or incomplete option " + words[optind - 1];
        return false;
    }
  }
  options.settings.insert(options.settings.end(), specific.begin(), specific.end());
  for (int i = optind; i < static_cast<int>(words.size()); ++i) options.addresses.push_back(words[i]);
  if (options.help) return true;
  if (options.addresses.empty() && options.input_file.empty()) {
    error = "no address given";
    return false;
  }
  return true;
}

const char* DissectHelpText() {
  return "Usage: kestrum-cli dissect [OPTION...] URL...\n"
         "       kestrum-cli dissect [OPTION...] -i FILE\n"
         "Fetches each address, checks it and prints what was found. A failed address gives its\n"
         "report with the error and the run goes on.\n"
         "\n"
         "Report:\n"
         "  --json               one JSON report (an array when there are several addresses)\n"
         "  --jsonl              one compact JSON report a line, printed as each address finishes\n"
         "  -o, --output FILE    write the report to FILE (whole or not at all) instead of standard output\n"
         "  -i, --input FILE     read addresses from FILE, one a line; '-' reads standard input\n"
         "  --netblock           also look up who owns the server's address block\n"
         "  --yes                answer Yes to the questions the command asks (default No)\n"
         "\n"
         "Settings for this run only (cfg.ini is left as it is):\n"
         "  --timeout SECONDS    limit for connecting, for silence and for the whole transfer\n"
         "  --user-agent TEXT    the User-Agent sent with the page request\n"
         "  --referer TEXT       the Referer sent with the page request\n"
         "  --method download|xmlhttp\n"
         "                       save the bytes as sent, or the decoded text\n"
         "  --proxy NAME         fetch through the entry NAME of the proxy list\n"
         "  --set Section.Key=value\n"
         "                       any cfg.ini setting; may be given more than once\n"
         "  --no-log             write nothing to the application log\n"
         "  -h, --help           show this help\n"
         "\n"
         "Exit status: 0 every address was fetched (whatever its HTTP status); else that of the first\n"
         "address that failed: 1 the fetch failed, 2 not an address, 4 the page could not be kept.\n"
         "2 bad command line, 3 the output could not be written, 4 no usable storage or log folder.\n"
         "The JSON report is described in docs/json-report.md.\n";
}

}  // namespace kestrum::cli
