#include "net/connection_choices.h"

#include "core/app_log.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/storage.h"
#include "core/text.h"
#include "net/http_client.h"

namespace kestrum {
namespace {

constexpr const char* kDefaultUserAgentDatabase = "https://www.useragentstring.com/";

// The lines of a list file that carry an entry: not empty, not a ";" comment. A NUL byte, which
// the built-in lists end with, is no part of any entry.
std::vector<std::string> EntryLines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::string line : Split(text, "\n")) {
    line = ReplaceAll(line, std::string_view("\0", 1), "");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == ';') continue;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::string> ReadEntryLines(const std::string& path) {
  const auto text = ReadWholeFile(path);
  return text ? EntryLines(*text) : std::vector<std::string>{};
}

}  // namespace

std::string ProductText() {
  return std::string(kProgramTitle) + " v" + VersionText();
}

std::string UserAgentListPath(const Context& ctx) {
  return JoinPath(StorageFolder(ctx), "user_agents.txt");
}

std::string DefaultUserAgentListText() {
  const std::string rule = ";" + std::string(60, '*');
  std::string text = rule + kCrLf + "; " + ProductText() + kCrLf +
                     "; User Agents Available (feel free to add more to this file)" + kCrLf + rule + kCrLf;
  std::string_view agents = EmbeddedResource(103, "UAStrings");
  if (!agents.empty() && agents.back() == '\0') agents.remove_suffix(1);
  return text.append(agents);
}

UserAgentChoices LoadUserAgentChoices(Context& ctx, std::string_view system_agent) {
  UserAgentChoices choices;
  const std::string product = ProductText();
  choices.field = ReadSetting(ctx, "Settings", "cboUAString", product);
  if (choices.field != product) choices.agents.push_back(product);
  choices.agents.emplace_back(system_agent);
  const std::string path = UserAgentListPath(ctx);
  // One attempt: a folder that cannot be written leaves the list short, not the dialog hanging.
  if (!FileExists(ctx, path) && !WriteFileAtomically(path, DefaultUserAgentListText(), 0644))
    WriteLog(ctx, "I couldn't write the user agent list to " + path);
  for (auto& agent : ReadEntryLines(path)) choices.agents.push_back(std::move(agent));
  return choices;
}

ProxyChoices LoadProxyChoices(Context& ctx) {
  ProxyChoices choices;
  EnsureProxyList(ctx);
  choices.field = ReadSetting(ctx, "Settings", "cboProxyServers", "");
  for (const auto& line : ReadEntryLines(ProxyListPath(ctx))) {
    const std::string url_template(After(line, "||"));
    if (!Contains(line, "||") || !Contains(url_template, "[REF]") || !Contains(url_template, "[URL]")) {
      WriteLog(ctx, "Invalid Proxy: " + line);
    } else {
      const std::string name(Before(line, "||"));
      choices.names.push_back(name);
      if (name == choices.field) {
        ctx.proxy_template = std::string(Before(url_template, "||"));
        ctx.proxy_name = name;
        WriteLog(ctx, "Current proxy: " + name);
      }
    }
    if (choices.field.empty() && choices.names.size() >= 2) choices.field = choices.names[1];
  }
  return choices;
}

void ChooseProxy(Context& ctx, std::string_view name) {
  if (!FileExists(ctx, ProxyListPath(ctx))) {
    EnsureProxyList(ctx);
    return;
  }
  for (const auto& line : ReadEntryLines(ProxyListPath(ctx))) {
    if (!Contains(line, "||") || Before(line, "||") != name) continue;
    ctx.proxy_template = std::string(Before(After(line, "||"), "||"));
    ctx.proxy_name = std::string(name);
    WriteLog(ctx, "Proxy changed to: " + std::string(name));
    return;
  }
}

std::string UserAgentDatabaseAddress(Context& ctx) {
  std::string address(TrimBlank(ReadSetting(ctx, "Services", "UserAgentDatabase", "")));
  return address.empty() ? kDefaultUserAgentDatabase : address;
}

void OfferUserAgentDatabase(Context& ctx) {
  if (!ctx.desktop) return;
  const std::string address = UserAgentDatabaseAddress(ctx);
  if (!IsTheInternetAlive(ctx)) {
    ctx.desktop->showMessage("I'm sorry, to go to " + address + ", requires an active internet connection",
                             kProgramTitle, MessageIcon::Information, MessageButtons::Ok);
    return;
  }
  const std::string question = "Clicking OK will take you to the online user agent database at:" + std::string(kCrLf) +
                               kCrLf + address + kCrLf + kCrLf + "Would you like to continue";
  if (ctx.desktop->showMessage(question, kProgramTitle, MessageIcon::Question, MessageButtons::OkCancel) ==
      MessageAnswer::Ok)
    ctx.desktop->openWithDefaultHandler(address);
}

}  // namespace kestrum
