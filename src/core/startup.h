#pragma once
// Start-up logic shared by the window and the terminal front end: the early-phase log lines, the
// storage checks of the load phase, the proxy list, the command line and the re-query schedule.
// These functions log and ask as the program always has, and return what the front end must do
// next; fetching and dissecting stay with the front end.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"

namespace kestrum {

// Early phase: names the platform (ctx.platform_name) and writes the two opening log lines.
void RunEarlyStartup(Context& ctx);

inline constexpr const char* kStorageProblemMessage =
    "I'm sorry, somethings gone wrong whilst creating my Logs and dl_temp folders. Please check your "
    "permissions allow me to create them, and try again";

// Load phase, storage part: creates Storage, logs "Initializing sockets" and checks dl_temp (the
// message above when it cannot be made). Returns true when the character table is missing, so
// the caller writes it next.
bool PrepareStorage(Context& ctx);

// One entry of the proxy list.
struct ProxyEntry {
  std::string label;
  std::string url_template;  // with "[URL]" and "[REF]"
  friend bool operator==(const ProxyEntry&, const ProxyEntry&) = default;
};

// The entries of a proxy-list text: comment lines (";"), empty lines and fields without "||"
// are skipped; fields end at a comma or line break, and a quoted field loses its quotes.
std::vector<ProxyEntry> ParseProxyList(std::string_view text);
// Storage/proxy_servers.txt under the program folder.
std::string ProxyListPath(const Context& ctx);
// Makes sure the proxy list exists, writing the built-in default once when it is missing.
// False when it is still missing afterwards (logged).
bool EnsureProxyList(Context& ctx);
// Load phase, proxy part: sets ctx.proxy_template and ctx.proxy_name from the entry whose label
// equals the setting cboProxyServers (the last such entry wins). An empty setting touches no file.
void LoadProxyEntry(Context& ctx);

// What the front end does once the command line has been read.
enum class StartAction {
  Interactive,                    // no command line: the interactive start
  WriteCharTableThenInteractive,  // "/ascii"
  InteractiveQuery,               // run the Dissect command on `address`, then stay open
  Unattended,                     // SendQuery on `address`, write the results, then close
  NotAUrl,                        // the error message has been shown; no interactive preparation
};

struct CommandLinePlan {
  StartAction action = StartAction::Interactive;
  std::string address;
  std::string output_path;
  bool append_net_block = false;
  // What interpreting the command line logs, in order, and the message it shows (if any).
  std::vector<std::string> log_lines;
  std::string error_message;
};

// Reads the command line (everything after the program name as one text) without side effects.
// Switches are matched without regard to letter case: " /F:" and " /N " act as " /f:" and " /n ".
CommandLinePlan PlanCommandLine(std::string_view command_line);
// Joins argv[1..] with single spaces, the way the system hands over the command line.
std::string JoinCommandLine(int argc, const char* const* argv);
// Interprets the command line: writes its log lines, shows its message, sets the command-line
// flags of ctx (and ctx.unattended for the unattended form), puts the address into the address
// box when there is a window, and returns the plan.
CommandLinePlan InterpretCommandLine(Context& ctx, std::string_view command_line);

// The interactive start: "http://" in the address box, the content views and their buttons
// disabled until a query has filled them.
void PrepareInteractiveStart(Context& ctx);

// The results file of the unattended form: the source text (line breaks as CR LF) and a CR LF;
// with the net-block text, the block of asterisks, its title and that text. Written whole or not
// at all; a failure is logged and reported as false.
bool WriteUnattendedResults(Context& ctx, std::string_view source_text,
                            const std::optional<std::string>& net_block_text);

// The re-query schedule read at start-up.
struct Schedule {
  bool enabled = false;
  int64_t countdown_start = 0;  // minutes x 60; wider than the old 16-bit counter
};
Schedule ReadSchedule(Context& ctx);
// Minutes text to the countdown start: "10" for a text that is not a number, halves rounded to
// even, clamped so that no minute value can overflow.
int64_t CountdownStartFor(std::string_view minutes_text);

// The countdown between two scheduled queries. Fifty ticks take one step off `main`; the front
// end ticks every kCountdownTickMs so that a step lasts one second.
struct Countdown {
  int64_t main = 0;
  int tens = 0;
  int units = 0;
  friend bool operator==(const Countdown&, const Countdown&) = default;
};
inline constexpr int kCountdownTickMs = 20;
inline constexpr int kRequeryIntervalMs = 1000;
Countdown StartCountdown(int64_t countdown_start);
// One tick. True when the countdown has run out: the counters are then zero, the countdown
// timer stops and the re-query timer starts.
bool TickCountdown(Countdown& countdown);
// The re-query timer's tick: caption "Sending query ....", the Dissect command, the title as
// caption again, and a fresh countdown.
Countdown RunScheduledQuery(Context& ctx, int64_t countdown_start, const std::function<void(Context&)>& dissect);

// Left and top edges that centre a window on the screen, as 16-bit values.
struct WindowOrigin {
  int16_t left = 0;
  int16_t top = 0;
  friend bool operator==(const WindowOrigin&, const WindowOrigin&) = default;
};
WindowOrigin CenterWindow(int screen_width, int screen_height, int window_width, int window_height);

// "Kestrum Desktop Edition 0.3.7", the logo's tooltip.
std::string LogoTooltip();

}  // namespace kestrum
