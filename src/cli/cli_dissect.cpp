#include "cli/cli_dissect.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>

#include "cli/cli_output.h"
#include "cli/dissect_options.h"
#include "cli/json_report.h"
#include "cli/report_destination.h"
#include "core/context.h"
#include "core/exit_codes.h"
#include "core/recording_desktop.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/text.h"
#include "decode/char_table.h"
#include "dissect/dissect_command.h"
#include "dissect/unattended.h"
#include "net/net_block.h"
#include "net/system_resolver.h"

namespace kestrum::cli {
namespace {

constexpr const char* kLogUnusable =
    "kestrum-cli: the log file cannot be created and logging may not be switched off\n";

// Sections go to the destination one by one, so the report never holds a second copy of the page.

bool PrintSection(const ReportWriter& write, const std::string& title, const std::string& body) {
  const bool ended = !body.empty() && body.back() == '\n';
  return write("==== " + title + " ====\n") && write(body) && write(ended ? "\n" : "\n\n");
}

// The source with its findings in colour, for a terminal that shows colour.
std::string ColouredSource(const TextPane& source) {
  std::string copy;
  const std::string_view text = source.textIn(copy);
  std::string out;
  size_t pos = 0;
  for (const auto& run : source.formats()) {
    out += ForTerminal(text.substr(pos, run.start - pos));
    out += "\x1b[" + std::string(run.bold ? "1;" : "") + "38;2;" + std::to_string(run.color.r) + ";" +
           std::to_string(run.color.g) + ";" + std::to_string(run.color.b) + "m";
    out += ForTerminal(text.substr(run.start, run.length)) + "\x1b[0m";
    pos = run.start + run.length;
  }
  return out + ForTerminal(text.substr(std::min(pos, text.size())));
}

bool TerminalShowsColour(const ReportDestination& destination) {
  const char* no_color = std::getenv("NO_COLOR");
  const char* term = std::getenv("TERM");
  return destination.toTerminal() && !(no_color && *no_color) && !(term && std::string(term) == "dumb");
}

std::string FetchSummary(const DissectRun& run) {
  const FetchFacts& f = run.facts;
  if (!PageArrived(run)) return "failed: " + FailureText(run) + "\n";
  std::string text = "HTTP " + std::to_string(f.http_status) + " from " + ForTerminal(f.final_url) + "\n";
  for (const auto& hop : f.redirects)
    text += "  redirected by " + std::to_string(hop.status) + " to " + ForTerminal(hop.location) + "\n";
  text += "connected to " + f.primary_ip + " port " + std::to_string(f.primary_port) + ", " + f.method + ", " +
          std::to_string(f.body_bytes) + " bytes, sha256 " + f.sha256 + "\n";
  if (f.certificate.checked || f.certificate.error != 0)
    text += std::string("certificate ") +
            (f.certificate.verified ? "verified" : "NOT verified: " + ForTerminal(f.certificate.reason)) + "\n";
  return text;
}

bool TextReport(DissectRun& run, bool colour, const ReportWriter& write) {
  MemoryMainView& window = run.window;
  if (!PrintSection(write, "Fetch", FetchSummary(run))) return false;
  {
    std::string copy;
    if (!PrintSection(write, "Source",
                      colour ? ColouredSource(window.source()) : ForTerminal(window.source().textIn(copy))))
      return false;
  }
  if (!PrintSection(write, "Headers", ForTerminal(window.headers().text()))) return false;
  std::string list;
  auto list_of = [&list](const MemoryItemList& items) -> const std::string& {
    list.clear();
    for (size_t i = 0; i < items.count(); ++i) list.append(ForTerminal(items.view(i))).append("\n");
    return list;
  };
  if (!PrintSection(write, "Links (" + std::to_string(window.links().count()) + ")", list_of(window.linkList())))
    return false;
  list_of(window.imageList());
  if (!PrintSection(write, "Images (" + std::to_string(window.images().count()) + ")", list)) return false;
  if (run.net_block_asked && !PrintSection(write, "Net-Block", ForTerminal(window.netBlock().text()))) return false;
  std::string messages;
  for (const auto& m : run.desktop.messages) {
    messages += "[" + std::string(MessageIconName(m.icon)) + "] " + ForTerminal(m.text) + "\n";
    if (m.buttons == MessageButtons::YesNo || m.buttons == MessageButtons::YesNoCancel)
      messages += std::string("  -> answered ") + (m.answer == MessageAnswer::Yes ? "Yes" : "No") + "\n";
  }
  if (!PrintSection(write, "Messages", messages)) return false;
  return PrintSection(
      write, "Address colours",
      "background " + ColorText(window.addressBackground()) + ", text " + ColorText(window.addressForeground()));
}

// One address through the same command as the window's Dissect button.
void DissectOne(Context& ctx, const DissectOptions& options, DissectRun& run) {
  run.desktop.fallback_answer = options.answer_yes ? MessageAnswer::Yes : MessageAnswer::No;
  ctx.window = &run.window;
  ctx.desktop = &run.desktop;
  // The text report shows SHA-256 alone; the JSON report all three fingerprints.
  run.facts.all_fingerprints = options.format != ReportFormat::Text;
  ctx.page_fetch_facts = &run.facts;
  ctx.lookup_answers = &run.lookup_answers;
  ctx.current_host.clear();
  ctx.saved_page_file.clear();

  run.window.setAddressText(FromTerminal(run.address));
  run.outcome = RunDissect(ctx);
  run.saved_page_file = ctx.saved_page_file;
  if (options.net_block && PageArrived(run) && !ctx.quit_requested) RunNetBlockLookup(ctx);
  run.net_block_asked = options.net_block;

  ctx.page_fetch_facts = nullptr;
  ctx.lookup_answers = nullptr;
  ctx.window = nullptr;
  ctx.desktop = nullptr;
}

// Addresses from the command line, then from -i: one a line, blank lines and "#" lines skipped.
bool CollectAddresses(const DissectOptions& options, std::vector<std::string>& addresses) {
  addresses = options.addresses;
  if (options.input_file.empty()) return true;
  std::ifstream file;
  if (options.input_file != "-") {
    file.open(options.input_file, std::ios::binary);
    if (!file) return false;
  }
  std::istream& in = options.input_file == "-" ? std::cin : file;
  for (std::string line; std::getline(in, line);) {
    const std::string address(TrimBlank(line));
    if (!address.empty() && address[0] != '#') addresses.push_back(address);
  }
  return true;
}

void ApplyRunSettings(Context& ctx, const DissectOptions& options) {
  for (const auto& s : options.settings) ctx.setting_overrides[SettingOverrideKey(s.section, s.key)] = s.value;
  if (options.no_log) ctx.logging_off_for_session = true;
}

}  // namespace

int RunDissectCommand(const char* argv0, const std::vector<std::string>& args) {
  DissectOptions options;
  std::string error;
  if (!ParseDissectOptions(args, options, error)) {
    std::fprintf(stderr, "kestrum-cli: dissect: %s (try kestrum-cli dissect --help)\n", error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(DissectHelpText(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitSuccess : kExitOutputNotWritable;
  }
  std::vector<std::string> addresses;
  if (!CollectAddresses(options, addresses)) {
    std::fprintf(stderr, "kestrum-cli: dissect: cannot read %s\n", options.input_file.c_str());
    return kExitUsage;
  }
  ReportDestination destination(options.output_file);
  if (!destination.open()) {
    std::fprintf(stderr, "kestrum-cli: cannot write %s\n", options.output_file.c_str());
    return kExitOutputNotWritable;
  }

  Context ctx = MakeProgramContext(argv0);
  SystemResolver resolver;
  ctx.resolver = &resolver;
  ctx.unattended = true;
  // A terminal run leaves cfg.ini as it found it: a missing setting simply reads as its default.
  ctx.settings_read_only = true;
  ApplyRunSettings(ctx, options);
  // Start-up asks its own questions (an unusable log folder); their notices go to standard error.
  ScriptedDesktop startup_desktop;
  startup_desktop.fallback_answer = options.answer_yes ? MessageAnswer::Yes : MessageAnswer::No;
  ctx.desktop = &startup_desktop;
  RunEarlyStartup(ctx);
  if (PrepareStorage(ctx)) WriteCharTable(ctx);
  ctx.desktop = nullptr;
  for (const auto& m : startup_desktop.messages) std::fprintf(stderr, "kestrum-cli: %s\n", ForTerminal(m.text).c_str());
  if (ctx.quit_requested) {
    std::fprintf(stderr, "%s", kLogUnusable);
    return kExitStorageUnusable;
  }
  LoadProxyEntry(ctx);
  if (!options.proxy_name.empty() && ctx.proxy_name != FromTerminal(options.proxy_name)) {
    std::fprintf(stderr, "kestrum-cli: dissect: the proxy list has no entry named '%s'\n", options.proxy_name.c_str());
    return kExitUsage;
  }

  const bool colour = options.format == ReportFormat::Text && TerminalShowsColour(destination);
  const bool as_array = options.format == ReportFormat::Json && addresses.size() > 1;
  int status = kExitSuccess;  // that of the first address that failed
  bool written = destination.write(as_array ? "[\n" : "");
  for (size_t i = 0; i < addresses.size() && written; ++i) {
    auto run = std::make_unique<DissectRun>();
    run->address = addresses[i];
    DissectOne(ctx, options, *run);
    if (ctx.quit_requested) {
      std::fprintf(stderr, "%s", kLogUnusable);
      return kExitStorageUnusable;
    }
    if (!PageArrived(*run)) {
      if (status == kExitSuccess) status = ExitStatusFor(run->outcome);
      std::fprintf(stderr, "kestrum-cli: %s could not be fetched: %s\n", EscapeControls(run->address).c_str(),
                   FailureText(*run).c_str());
    }
    const ReportWriter write = [&](std::string_view bytes) { return destination.write(bytes); };
    switch (options.format) {
      case ReportFormat::JsonLines:
        written = WriteReport(*run, -1, write) && write("\n");
        break;
      case ReportFormat::Json:
        written = WriteReport(*run, 2, write) && write(as_array && i + 1 < addresses.size() ? ",\n" : "\n");
        break;
      case ReportFormat::Text:
        if (addresses.size() > 1) written = write("######## " + EscapeControls(run->address) + " ########\n\n");
        written = written && TextReport(*run, colour, write);
        break;
    }
  }
  if (written && as_array) written = destination.write("]\n");
  if (!written || !destination.finish()) {
    std::fprintf(stderr, "kestrum-cli: the report could not be written%s%s\n",
                 options.output_file.empty() ? "" : " to ", options.output_file.c_str());
    return kExitOutputNotWritable;
  }
  return status;
}

}  // namespace kestrum::cli
