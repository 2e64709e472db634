// kestrum-cli: the dissection engine in a terminal.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_codec.h"
#include "cli/cli_dissect.h"
#include "core/exit_codes.h"
#include "core/identity.h"

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: kestrum-cli COMMAND [ARGS]\n"
               "Fetches and dissects web pages without rendering them.\n"
               "\n"
               "Commands:\n"
               "  dissect [OPTION...] URL...     fetch each URL and print its source, headers, links,\n"
               "                                 images, verdicts and every message; --json or --jsonl\n"
               "                                 print JSON reports; -i FILE reads addresses from FILE;\n"
               "                                 kestrum-cli dissect --help lists every option\n"
               "  decode base64|js|entities [TEXT] [--raw]\n"
               "                                 decode TEXT (standard input when absent); decoded\n"
               "                                 Base64 is written as raw bytes when standard output\n"
               "                                 is not a terminal\n"
               "  encode base64 [TEXT] [--raw]   encode TEXT (standard input when absent)\n"
               "  --help                         show this help\n"
               "  --version                      show the version\n"
               "\n"
               "Text is read and written as UTF-8 and handled as Windows-1252 inside; --raw passes\n"
               "bytes through unchanged. Control characters in text for a terminal are shown escaped\n"
               "(\\x1b). Settings and logs live in $KESTRUM_HOME/Storage when\n"
               "KESTRUM_HOME is set, else in Storage beside the program when that folder exists, else\n"
               "in $XDG_DATA_HOME/kestrum/Storage (~/.local/share by default); cfg.ini is only read.\n"
               "\n"
               "%s",
               kestrum::kExitStatusHelp);
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe is reported through the exit status, not by dying of the signal mid-batch.
  std::signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.empty()) {
    PrintUsage(stderr);
    return kestrum::kExitUsage;
  }
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("kestrum-cli (%s) %s\n", kestrum::kProgramTitle, kestrum::VersionText().c_str());
    return std::fflush(stdout) == 0 ? 0 : kestrum::kExitOutputNotWritable;
  }
  if (command == "dissect") return kestrum::cli::RunDissectCommand(argv[0], rest);
  if (command == "decode") return kestrum::cli::RunDecode(argv[0], rest);
  if (command == "encode") return kestrum::cli::RunEncode(argv[0], rest);
  std::fprintf(stderr, "kestrum-cli: unknown command '%s' (try --help)\n", command.c_str());
  return kestrum::kExitUsage;
}
