#include "cli/cli_dissect.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "cli/cli_output.h"
#include "core/context.h"
#include "core/exit_codes.h"
#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "core/startup.h"
#include "core/text.h"
#include "decode/char_table.h"
#include "dissect/dissect_command.h"
#include "dissect/unattended.h"
#include "net/system_resolver.h"

namespace kestrum::cli {
namespace {

struct DissectOptions {
  bool json = false;
  bool answer_yes = false;
  std::string address;
};

bool ParseOptions(const std::vector<std::string>& args, DissectOptions& options) {
  for (const auto& arg : args) {
    if (arg == "--json") options.json = true;
    else if (arg == "--yes") options.answer_yes = true;
    else if (options.address.empty() && !StartsWith(arg, "--")) options.address = arg;
    else return false;
  }
  return !options.address.empty();
}

nlohmann::json MessagesJson(const ScriptedDesktop& desktop) {
  auto list = nlohmann::json::array();
  for (const auto& m : desktop.messages)
    list.push_back({{"title", AnsiToUtf8(m.caption)}, {"icon", MessageIconName(m.icon)}, {"text", AnsiToUtf8(m.text)}});
  return list;
}

nlohmann::json ListJson(const ItemList& list) {
  auto items = nlohmann::json::array();
  for (const auto& item : list.items()) items.push_back(AnsiToUtf8(item));
  return items;
}

void PrintJson(MemoryMainView& window, const Context& ctx, const ScriptedDesktop& desktop) {
  auto formats = nlohmann::json::array();
  for (const auto& run : window.source().formats())
    formats.push_back({{"start", run.start}, {"length", run.length}, {"color", ColorText(run.color)}, {"bold", run.bold}});
  const nlohmann::json report = {
      {"address", AnsiToUtf8(window.addressText())},
      {"source", AnsiToUtf8(window.source().text())},
      {"formats", formats},
      {"headers", AnsiToUtf8(window.headers().text())},
      {"links", ListJson(window.links())},
      {"images", ListJson(window.images())},
      {"savedPageFile", ctx.saved_page_file},
      {"messages", MessagesJson(desktop)},
      {"addressColors",
       {{"background", ColorText(window.addressBackground())}, {"text", ColorText(window.addressForeground())}}},
  };
  std::printf("%s\n", report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

void PrintSection(const char* title, const std::string& body) {
  std::printf("==== %s ====\n%s", title, body.c_str());
  if (body.empty() || body.back() != '\n') std::printf("\n");
  std::printf("\n");
}

// The source with its findings in colour, for a terminal that shows colour.
std::string ColouredSource(const TextPane& source) {
  const std::string text = source.text();
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

bool TerminalShowsColour() {
  const char* no_color = std::getenv("NO_COLOR");
  const char* term = std::getenv("TERM");
  return ::isatty(STDOUT_FILENO) && !(no_color && *no_color) && !(term && std::string(term) == "dumb");
}

void PrintText(MemoryMainView& window, const ScriptedDesktop& desktop) {
  PrintSection("Source", TerminalShowsColour() ? ColouredSource(window.source()) : ForTerminal(window.source().text()));
  PrintSection("Headers", ForTerminal(window.headers().text()));
  std::string list;
  for (const auto& item : window.links().items()) list += ForTerminal(item) + "\n";
  PrintSection(("Links (" + std::to_string(window.links().count()) + ")").c_str(), list);
  list.clear();
  for (const auto& item : window.images().items()) list += ForTerminal(item) + "\n";
  PrintSection(("Images (" + std::to_string(window.images().count()) + ")").c_str(), list);
  std::string messages;
  for (const auto& m : desktop.messages) {
    messages += "[" + std::string(MessageIconName(m.icon)) + "] " + ForTerminal(m.text) + "\n";
    if (m.buttons == MessageButtons::YesNo || m.buttons == MessageButtons::YesNoCancel)
      messages += std::string("  -> answered ") + (m.answer == MessageAnswer::Yes ? "Yes" : "No") + "\n";
  }
  PrintSection("Messages", messages);
  PrintSection("Address colours", "background " + ColorText(window.addressBackground()) + ", text " +
                                      ColorText(window.addressForeground()));
}

}  // namespace

int RunDissectCommand(const char* argv0, const std::vector<std::string>& args) {
  DissectOptions options;
  if (!ParseOptions(args, options)) {
    std::fprintf(stderr, "kestrum-cli: usage: kestrum-cli dissect [--json] [--yes] URL\n");
    return kExitUsage;
  }
  Context ctx = MakeProgramContext(argv0);
  MemoryMainView window;
  ScriptedDesktop desktop;
  desktop.fallback_answer = options.answer_yes ? MessageAnswer::Yes : MessageAnswer::No;
  SystemResolver resolver;
  ctx.window = &window;
  ctx.desktop = &desktop;
  ctx.resolver = &resolver;
  ctx.unattended = true;
  // A terminal run leaves cfg.ini as it found it: a missing setting simply reads as its default.
  ctx.settings_read_only = true;

  // The same preparation as the window's start, then the same command as its Dissect button.
  RunEarlyStartup(ctx);
  if (PrepareStorage(ctx)) WriteCharTable(ctx);
  if (ctx.quit_requested) {
    std::fprintf(stderr, "kestrum-cli: the log file cannot be created and logging may not be switched off\n");
    return kExitStorageUnusable;
  }
  LoadProxyEntry(ctx);
  window.setAddressText(FromTerminal(options.address));
  const QueryOutcome outcome = RunDissect(ctx);
  if (ctx.quit_requested) return kExitStorageUnusable;

  if (options.json) PrintJson(window, ctx, desktop);
  else PrintText(window, desktop);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return kExitOutputNotWritable;

  const int status = ExitStatusFor(outcome);
  if (status != kExitSuccess) {
    // The first notice, which said why, on one line.
    std::string reason = "nothing was fetched";
    for (const auto& m : desktop.messages) {
      if (m.buttons != MessageButtons::Ok) continue;
      reason = m.text;
      break;
    }
    reason = ReplaceAll(ReplaceAll(ReplaceAll(reason, kCrLf, " "), "\n", " "), "  ", " ");
    std::fprintf(stderr, "kestrum-cli: %s could not be fetched: %s\n", options.address.c_str(),
                 ForTerminal(reason).c_str());
  }
  return status;
}

}  // namespace kestrum::cli
