#include "net/host_ip_monitor.h"

#include "core/app_log.h"
#include "core/identity.h"
#include "core/resolver.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/host_resolution.h"
#include "net/log_text.h"

namespace kestrum {
namespace {

constexpr const char* kMonitorSection = "Monitor";

// The monitor's detail lines come only with Disable_Log at exactly "1".
void WriteMonitorLog(Context& ctx, std::string_view message) {
  if (ReadSetting(ctx, "Settings", "Disable_Log", "1") == "1") WriteLog(ctx, message);
}

// A host becomes a key of cfg.ini; one that would break the file's lines or shadow another
// section is not watched.
bool CanBeSettingsKey(std::string_view host) {
  if (TrimBlank(host).empty()) return false;
  if (host.front() == '[' || host.front() == ';') return false;
  return host.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos;
}

}  // namespace

std::string GetHostIP(Context& ctx, std::string& host) {
  if (Contains(host, "@")) host = Split(host, "@")[1];
  host = std::string(Before(host, ":"));
  host = std::string(Before(host, "_"));

  std::string ip;
  if (SocketsInitialize()) {
    WriteMonitorLog(ctx, "prt: " + OneLogLine(host));
    ip = ResolveHost(ctx, host);
    WriteMonitorLog(ctx, "IPAddr: " + ip);
    if (TrimSpaces(ip).empty()) ip = ConvertIP(host);
    SocketsCleanup();
  } else {
    ip = kWinsockFailureText;
  }
  if (ip.empty()) ip = ResolveHost(ctx, host);

  // An address list is compared only to record it the first time.
  const bool is_list = Contains(ip, ",");
  if (!is_list || ReadSetting(ctx, kMonitorSection, host, "").empty()) {
    CheckHostIP(ctx, host, ip);
  }
  return ip;
}

std::string ResolveHostFirst(Context& ctx, std::string_view host) {
  const std::vector<std::string> addresses = ResolverOf(ctx).resolve(host);
  const std::string ip = addresses.empty() ? std::string() : addresses.front();
  CheckHostIP(ctx, host, ip);
  return ip;
}

void CheckHostIP(Context& ctx, std::string_view host, std::string_view ip) {
  if (!CanBeSettingsKey(host)) return;
  const std::string recorded = ReadSetting(ctx, kMonitorSection, host, "");
  if (ReadSetting(ctx, "Monitors", "IP", "0") != "1") return;
  if (recorded.empty()) {
    WriteSetting(ctx, kMonitorSection, host, ip);
    return;
  }
  if (ip == "0.0.0.0" || ip == "127.0.0.1" || ip == kWinsockFailureText || ip == recorded) return;

  if (ctx.desktop != nullptr) {
    const std::string message = std::string(host) + " has a new IP address" + kCrLf + kCrLf + "Old: " + recorded +
                                kCrLf + "New: " + std::string(ip);
    ctx.desktop->showMessage(message, kProgramTitle, MessageIcon::Information, MessageButtons::Ok);
  }
  WriteMonitorLog(ctx, OneLogLine(host) + " has a new IP [ " + std::string(ip) + " ], old IP was: " + recorded);
  WriteSetting(ctx, kMonitorSection, host, ip);
}

}  // namespace kestrum
