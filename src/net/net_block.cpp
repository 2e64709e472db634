#include "net/net_block.h"

#include "core/app_log.h"
#include "core/file_report.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"
#include "net/host_ip_monitor.h"
#include "net/host_resolution.h"
#include "net/http_client.h"
#include "net/net_settings.h"
#include "net/url.h"

namespace kestrum {
namespace {

void ShowNetBlockView(Context& ctx) {
  ctx.view_mode = 5;
  ctx.window->showView(5);
  WriteLog(ctx, "Mode changed to 5");
}

// Lines joined by CR LF; empty lines before the first non-empty one dropped.
std::string JoinAnswerLines(std::string_view bytes) {
  std::string text;
  size_t pos = 0;
  bool started = false;
  while (pos < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = bytes.substr(pos, end - pos);
    if (started) {
      text += kCrLf;
      text.append(line);
    } else if (!line.empty()) {
      text.assign(line);
      started = true;
    }
    if (end == bytes.size()) break;
    pos = end + ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
  }
  return text;
}

}  // namespace

std::string NetBlockRequestURL(Context& ctx, std::string_view address_text, std::string_view host) {
  std::string base(TrimBlank(ReadSetting(ctx, "Services", "NetBlock", "")));
  if (base.empty()) base = KestrumServicesBase(ctx);
  if (base.back() != '/') base += '/';
  // An address list ("a, b") or a failure text holds blanks, which no request line can carry.
  return base + "pwinb.asp?cl=kestrumde-v" + VersionText() + "&s=" + EscapeUnsafeURLBytes(address_text) + "||" +
         EscapeUnsafeURLBytes(host);
}

std::string NetBlockAnswerFile(Context& ctx, std::string_view host) {
  std::string name = ReplaceAll(host, ".", "_");
  for (char& c : name)
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  return JoinPath(GetTempFolder(ctx), name + "-Netblock.txt");
}

std::string CutNetBlockAnswer(std::string_view text) {
  // The markers are looked for in any case but cut in exact case; an answer whose markers are
  // written otherwise is shown whole rather than lost.
  std::string cut(text);
  if (ContainsNoCase(cut, "[CONTENT]") && Contains(cut, "[CONTENT]"))
    cut = std::string(Before(After(cut, "[CONTENT]"), "[/CONTENT]"));
  if (ContainsNoCase(cut, "<b>") && Contains(cut, "<b>")) cut = std::string(Before(After(cut, "<b>"), "</b>"));
  return cut;
}

void RunNetBlockLookup(Context& ctx) {
  MainView& window = *ctx.window;
  if (window.addressText().size() < 5) return;
  if (!window.netBlock().text().empty()) {
    ShowNetBlockView(ctx);
    return;
  }
  const std::string saved_caption = window.caption();
  window.setCaption("Sending query to find owner info ....");

  std::string host(After(GetHostFromURL(ctx, window.addressText()), "://"));
  host = std::string(Before(host, "_"));
  if (StartsWith(host, "www.")) host = ReplaceAll(host, "www.", "");
  const std::string answer_file = NetBlockAnswerFile(ctx, host);
  if (!FileExists(ctx, answer_file)) WriteFileAtomically(answer_file, "", 0644);

  const size_t first_dot = host.find('.');
  if (first_dot == std::string::npos || first_dot == 0 || first_dot == 1) {
    std::string reduced = host;
    host = GetHostIP(ctx, reduced);
  }
  WriteLog(ctx, "Getting Net-block information for: " + host);
  if (IsNumeric(ReplaceAll(host, ".", "")) && !TrimBlank(host).empty()) host = ReverseLookup(ctx, host);

  bool failed = false;
  for (;;) {
    std::string reduced = host;
    const std::string address_text = GetHostIP(ctx, reduced);
    std::string request = NetBlockRequestURL(ctx, address_text, host);
    const int status = FetchLookupAnswer(ctx, request, answer_file).Status;
    if (status != 0 && status != 200) {
      WriteLog(ctx, "Unable to get net-block information");
      failed = true;
      break;
    }
    WriteLog(ctx, "Net-block information received, preparing to cleanup");
    ShowNetBlockView(ctx);
    const auto bytes = ReadWholeFile(answer_file);
    if (!bytes) {
      failed = true;
      break;
    }
    const std::string text = CutNetBlockAnswer(JoinAnswerLines(*bytes));
    if (ToLowerAscii(text.substr(0, 19)) == "unable to determine" && !StartsWith(host, "www.")) {
      WriteLog(ctx, "Couldn't determine correct whois server, trying again with www. prefix");
      host = "www." + host;
      continue;
    }
    window.netBlock().setText(text);
    break;
  }
  if (failed) {
    const char* message = "Woops, an error has occured whilst getting the net-block information";
    if (ctx.desktop) ctx.desktop->showMessage(message, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
    WriteLog(ctx, message);
  }
  window.setCaption(saved_caption);
}

void CopyNetBlockSelection(Context& ctx, TextPane& view) {
  if (!ctx.desktop) return;
  ctx.desktop->setClipboardText("");
  ctx.desktop->setClipboardText(ToCrLf(view.selectedText()));
}

void SaveNetBlockText(Context& ctx, TextPane& view) {
  if (!ctx.desktop) return;
  const auto path = ctx.desktop->chooseSaveFile("Save to file", kNetBlockSaveFilter, "");
  if (!path) return;
  WriteFileOrReport(ctx, *path, ToCrLf(view.text()));
}

}  // namespace kestrum
