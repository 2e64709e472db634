#include "core/startup.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/partial_files.h"
#include "core/platform.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"
#include "core/url_scheme.h"

namespace kestrum {
namespace {

constexpr std::string_view kFileSwitch = " /f:";
constexpr std::string_view kNetBlockSwitch = " /n";
constexpr const char* kNotAUrl = "Error: CLI passed is not a URL";
constexpr const char* kSendingQuery = "Sending query to server ....";
constexpr int kDefaultMinutes = 10;

bool IsBlankOrNul(char c) {
  return c == ' ' || c == '\t' || c == '\0';
}

std::string_view TrimField(std::string_view field) {
  while (!field.empty() && IsBlankOrNul(field.front())) field.remove_prefix(1);
  while (!field.empty() && IsBlankOrNul(field.back())) field.remove_suffix(1);
  return field;
}

// The fields of one line, read the way quoted comma-separated text is read.
std::vector<std::string> FieldsOf(std::string_view line) {
  std::vector<std::string> fields;
  size_t pos = 0;
  while (pos <= line.size()) {
    while (pos < line.size() && IsBlankOrNul(line[pos])) ++pos;
    std::string field;
    if (pos < line.size() && line[pos] == '"') {
      const size_t close = line.find('"', pos + 1);
      field = line.substr(pos + 1, close == std::string_view::npos ? std::string_view::npos : close - pos - 1);
      pos = close == std::string_view::npos ? line.size() : close + 1;
      const size_t comma = line.find(',', pos);  // whatever follows the closing quote is dropped
      pos = comma == std::string_view::npos ? line.size() + 1 : comma + 1;
    } else {
      const size_t comma = line.find(',', pos);
      field = TrimField(line.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
      pos = comma == std::string_view::npos ? line.size() + 1 : comma + 1;
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

bool IsComment(std::string_view text) {
  text = TrimField(text);
  return !text.empty() && text.front() == ';';
}

// Every " /n" that stands as a switch (a space follows it), in either letter case, taken out.
std::string WithoutNetBlockSwitch(std::string_view text) {
  std::string out;
  size_t pos = 0;
  for (;;) {
    size_t hit = FindNoCase(text, kNetBlockSwitch, pos);
    while (hit != std::string_view::npos &&
           (hit + kNetBlockSwitch.size() >= text.size() || text[hit + kNetBlockSwitch.size()] != ' '))
      hit = FindNoCase(text, kNetBlockSwitch, hit + 1);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    pos = hit + kNetBlockSwitch.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::string NotAUrlMessage(std::string_view command) {
  return std::string(command) + kCrLf + kCrLf + kNotAUrl;
}

}  // namespace

void RunEarlyStartup(Context& ctx) {
  DetectPlatform(ctx);
  WriteLog(ctx, std::string("Intializing ") + kProgramTitle + " v" + VersionText());
  WriteLog(ctx, "Platform detected as: " + ctx.platform_name);
}

bool PrepareStorage(Context& ctx) {
  const std::string storage = StorageFolder(ctx);
  // A Storage folder that cannot be made is reported by the dl_temp check below.
  if (!FolderExists(storage)) CreateFolder(storage);
  WriteLog(ctx, "Initializing sockets");
  const std::string temp_folder = GetTempFolder(ctx);
  if (temp_folder == kTempFolderError) {
    if (ctx.desktop)
      ctx.desktop->showMessage(kStorageProblemMessage, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
  } else {
    RemoveStalePartialFiles(temp_folder);  // downloads of a run that was killed
  }
  return !FileExists(ctx, GetCharConfigPath(ctx));
}

std::vector<ProxyEntry> ParseProxyList(std::string_view text) {
  std::vector<ProxyEntry> entries;
  for (const auto& crlf_line : Split(ToCrLf(text), kCrLf)) {
    if (IsComment(crlf_line)) continue;
    for (const auto& field : FieldsOf(crlf_line)) {
      if (field.empty() || IsComment(field) || !Contains(field, "||")) continue;
      const auto pieces = Split(field, "||");
      entries.push_back({pieces[0], pieces[1]});
    }
  }
  return entries;
}

std::string ProxyListPath(const Context& ctx) {
  return JoinPath(StorageFolder(ctx), "proxy_servers.txt");
}

bool EnsureProxyList(Context& ctx) {
  const std::string path = ProxyListPath(ctx);
  if (FileExists(ctx, path)) return true;
  // One attempt only: a folder that cannot be written must not hold up the start.
  ExtractResourceToFile(104, "PSERVERS", path);
  if (FileExists(ctx, path)) return true;
  WriteLog(ctx, "I couldn't write the default proxy list to " + path + ", so I'm starting without a proxy");
  return false;
}

void LoadProxyEntry(Context& ctx) {
  const std::string chosen = ReadSetting(ctx, "Settings", "cboProxyServers", "");
  if (chosen.empty() || !EnsureProxyList(ctx)) return;
  const auto text = ReadWholeFile(ProxyListPath(ctx));
  if (!text) return;
  for (const auto& entry : ParseProxyList(*text)) {
    if (entry.label != chosen) continue;
    WriteLog(ctx, "Current proxy: " + entry.label);
    ctx.proxy_template = entry.url_template;
    ctx.proxy_name = entry.label;
  }
}

CommandLinePlan PlanCommandLine(std::string_view command_line) {
  CommandLinePlan plan;
  std::string command(TrimSpaces(command_line));
  if (command.empty()) return plan;
  if (command == "/ascii") {
    plan.action = StartAction::WriteCharTableThenInteractive;
    return plan;
  }

  if (!ContainsNoCase(command, kFileSwitch)) {
    command = ReplaceAll(command, "\"", "");
    if (!Contains(command, "://")) {
      plan.log_lines.push_back("Protocol prefix missing from command, I'm gonna add one");
      command = "http://" + command;
    }
    if (IsURL(command)) {
      plan.log_lines.push_back("Command passed: " + command);
      plan.log_lines.push_back(kSendingQuery);
      plan.action = StartAction::InteractiveQuery;
      plan.address = command;
      return plan;
    }
  }

  plan.log_lines.push_back("Command passed: " + command);
  if (!ContainsNoCase(command, kFileSwitch)) {
    plan.action = StartAction::NotAUrl;
    plan.error_message = NotAUrlMessage(command);
    return plan;
  }

  plan.log_lines.push_back("Command suggests outputting results to a file");
  if (ContainsNoCase(command, " /n ")) {
    plan.append_net_block = true;
    command = WithoutNetBlockSwitch(command);
  }
  // The switch may be written in either letter case; the file name runs to a second switch.
  const size_t first = FindNoCase(command, kFileSwitch);
  if (first == std::string::npos) {  // cannot happen: taking out " /n" leaves every " /f:" in place
    plan.action = StartAction::NotAUrl;
    plan.error_message = NotAUrlMessage(command);
    return plan;
  }
  const size_t file_start = first + kFileSwitch.size();
  const size_t second = FindNoCase(command, kFileSwitch, file_start);
  plan.output_path = command.substr(file_start, second == std::string::npos ? std::string::npos : second - file_start);
  plan.log_lines.push_back("Output to: " + plan.output_path);
  plan.address = command.substr(0, first);
  plan.log_lines.push_back("Query: " + plan.address);
  if (!IsURL(plan.address)) {
    plan.action = StartAction::NotAUrl;
    plan.error_message = NotAUrlMessage(command);
    plan.append_net_block = false;
    return plan;
  }
  plan.log_lines.push_back(kSendingQuery);
  plan.action = StartAction::Unattended;
  return plan;
}

std::string JoinCommandLine(int argc, const char* const* argv) {
  std::string joined;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) joined += ' ';
    joined += argv[i];
  }
  return joined;
}

CommandLinePlan InterpretCommandLine(Context& ctx, std::string_view command_line) {
  CommandLinePlan plan = PlanCommandLine(command_line);
  // A rejected address leaves no file-output state behind for the interactive session.
  ctx.output_to_file = plan.action == StartAction::Unattended;
  ctx.append_net_block = ctx.output_to_file && plan.append_net_block;
  ctx.output_path = ctx.output_to_file ? plan.output_path : std::string();
  if (ctx.output_to_file) ctx.unattended = true;

  for (const auto& line : plan.log_lines) WriteLog(ctx, line);
  if (!plan.error_message.empty() && ctx.desktop)
    ctx.desktop->showMessage(plan.error_message, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
  if (ctx.window && (plan.action == StartAction::InteractiveQuery || plan.action == StartAction::Unattended))
    ctx.window->setAddressText(plan.address);
  return plan;
}

void PrepareInteractiveStart(Context& ctx) {
  if (!ctx.window) return;
  MainView& window = *ctx.window;
  window.setAddressText("http://");
  for (ViewButton button :
       {ViewButton::Source, ViewButton::Images, ViewButton::Links, ViewButton::OwnerInfo, ViewButton::Headers})
    window.setViewButtonEnabled(button, false);
  window.source().setEnabled(false);
  window.netBlock().setEnabled(false);
}

bool WriteUnattendedResults(Context& ctx, std::string_view source_text,
                            const std::optional<std::string>& net_block_text) {
  std::string contents = ToCrLf(source_text) + kCrLf;
  if (net_block_text) {
    const std::string stars(51, '*');
    contents += std::string(kCrLf) + kCrLf + stars + kCrLf + "Netblock Information" + kCrLf + stars + kCrLf +
                ToCrLf(*net_block_text) + kCrLf;
  }
  if (!ctx.output_path.empty() && WriteFileAtomically(ctx.output_path, contents, 0644)) return true;
  WriteLog(ctx, "I couldn't write the results to " + ctx.output_path);
  return false;
}

int64_t CountdownStartFor(std::string_view minutes_text) {
  double minutes = kDefaultMinutes;
  std::string_view number = TrimBlank(minutes_text);
  if (IsNumeric(number)) {
    if (!number.empty() && number.front() == '+') number.remove_prefix(1);
    // from_chars ignores the locale a window toolkit may have switched to.
    std::from_chars(number.data(), number.data() + number.size(), minutes);
  }
  const double seconds = std::nearbyint(minutes * 60.0);
  return static_cast<int64_t>(std::clamp(seconds, 0.0, 2147483647.0));
}

Schedule ReadSchedule(Context& ctx) {
  Schedule schedule;
  schedule.enabled = ReadSetting(ctx, "Automation", "chkAutoDownload", "0") == "1";
  if (schedule.enabled) schedule.countdown_start = CountdownStartFor(ReadSetting(ctx, "Automation", "txtMins", "10"));
  return schedule;
}

Countdown StartCountdown(int64_t countdown_start) {
  return Countdown{countdown_start, 5, 9};
}

bool TickCountdown(Countdown& countdown) {
  if (countdown.units != 0) {
    --countdown.units;
  } else {
    countdown.units = 9;
    --countdown.tens;
  }
  if (countdown.tens == 0) {
    countdown.tens = 5;
    --countdown.main;
  }
  if (countdown.main >= 0) return false;
  countdown = Countdown{};
  return true;
}

Countdown RunScheduledQuery(Context& ctx, int64_t countdown_start, const std::function<void(Context&)>& dissect) {
  if (ctx.window) ctx.window->setCaption("Sending query ....");
  if (dissect) dissect(ctx);
  if (ctx.window) ctx.window->setCaption(kProgramTitle);
  return StartCountdown(countdown_start);
}

WindowOrigin CenterWindow(int screen_width, int screen_height, int window_width, int window_height) {
  auto to_int16 = [](double value) {
    return static_cast<int16_t>(std::clamp(std::nearbyint(value), -32768.0, 32767.0));
  };
  return WindowOrigin{to_int16((static_cast<double>(screen_width) - window_width) / 2.0),
                      to_int16((static_cast<double>(screen_height) - window_height) / 2.0)};
}

std::string LogoTooltip() {
  return std::string(kProgramTitle) + " " + VersionText();
}

}  // namespace kestrum
