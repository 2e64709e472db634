#include "dissect/dissect_command.h"

#include <optional>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"
#include "dissect/content_scanner.h"
#include "dissect/image_extractor.h"
#include "dissect/link_extractor.h"
#include "dissect/query_pipeline.h"
#include "dissect/reputation_lookups.h"
#include "net/http_client.h"
#include "net/url.h"

namespace kestrum {
namespace {

constexpr Rgb kLightOrange{255, 192, 128};
constexpr Rgb kYellow{255, 255, 0};

// Replaces every occurrence of a placeholder in the pane, keeping the colouring around it.
void ReplaceInPane(TextPane& pane, std::string_view placeholder, std::string_view replacement) {
  size_t from = 0;
  for (;;) {
    const size_t hit = pane.find(placeholder, from, true);
    if (hit == kNotFound) return;
    pane.select(hit, placeholder.size());
    pane.replaceSelection(replacement);
    from = hit + replacement.size();
  }
}

std::string BraxelLine(Context& ctx, MainView& window, const std::string& host) {
  window.setCaption("Obtaining Braxel status for: " + ctx.current_host);
  const std::string answer = GetBraxelStatus(ctx, host, JoinPath(GetTempFolder(ctx), "braxel.txt"));
  const BraxelVerdict verdict = ParseBraxelAnswer(answer);
  if (answer == kUnknownVerdict) {
    // No answer is no verdict: the box shows no colour for it, not even a previous run's.
    window.setAddressColors(kWhite, kBlack);
    return "Braxel Status: Unknown";
  }
  if (verdict.status != "Listed") {
    window.setAddressColors(kWhite, kBlack);
    return "Braxel Status: Not Listed";
  }
  if (verdict.category.empty()) return "Braxel Status: Listed [ Class Not Returned ]";
  const AddressColors colors = BraxelClassColors(verdict.category);
  window.setAddressColors(colors.background, colors.text);
  return "Braxel Status: Listed [ Class: " + verdict.category + " ]";
}

}  // namespace

BraxelVerdict ParseBraxelAnswer(std::string_view answer) {
  if (!Contains(answer, "||")) return {std::string(answer), ""};
  return {std::string(Before(answer, "||")), std::string(Before(After(answer, "||"), "||"))};
}

AddressColors BraxelClassColors(std::string_view category) {
  const std::string upper = ToUpperAnsi(category);
  if (upper == "NOT SPECIFIED") return {kLightOrange, kWhite};
  if (upper == "ATS" || upper == "GRM" || upper == "HFS") return {kYellow, kBlack};
  return {kRed, kWhite};
}

std::string VerdictLine(std::string_view name, std::string_view answer) {
  const char* verdict = answer == "Listed" ? "Listed" : answer == kUnknownVerdict ? kUnknownVerdict : "Not Listed";
  return std::string(name) + " Status: " + verdict;
}

QueryOutcome RunDissect(Context& ctx) {
  MainView& window = *ctx.window;
  if (!IsTheInternetAlive(ctx)) {
    if (ctx.desktop)
      ctx.desktop->showMessage("Please connect to the internet first", kProgramTitle, MessageIcon::Information,
                               MessageButtons::Ok);
    return QueryOutcome::FetchFailed;
  }
  if (!Contains(window.addressText(), "://")) window.setAddressText("http://" + window.addressText());

  window.images().clear();
  window.links().clear();
  window.images().setSorted(false);
  window.links().setSorted(false);

  const std::string saved_caption = window.caption();
  window.headers().setText("");

  const QueryOutcome outcome = SendQuery(ctx, window.addressText());
  const std::string host = GetHostFromURL(ctx, window.addressText());
  TextPane& source = window.source();

  if (SettingIsOn(ctx, "Settings", "chkBraxel", "0"))
    ReplaceInPane(source, kBraxelPlaceholder, BraxelLine(ctx, window, host));
  else
    ReplaceInPane(source, kBraxelPlaceholder, "Braxel Status: Not Checked");

  if (SettingIsOn(ctx, "Settings", "chkMDL", "0")) {
    window.setCaption("Obtaining MDL status for: " + ctx.current_host);
    ReplaceInPane(source, kMdlPlaceholder,
                  VerdictLine("MDL", GetMDLStatus(ctx, host, JoinPath(GetTempFolder(ctx), "braxel.txt"))));
  } else {
    ReplaceInPane(source, kMdlPlaceholder, "MDL Status: Not Checked");
  }

  if (SettingIsOn(ctx, "Settings", "chkPhishTank", "0")) {
    window.setCaption("Obtaining PhishTank status for: " + ctx.current_host);
    ReplaceInPane(source, kPhishTankPlaceholder,
                  VerdictLine("PhishTank", GetPhishTankStatus(ctx, JoinPath(GetTempFolder(ctx), "phishtank.txt"),
                                                              window.addressText())));
  } else {
    ReplaceInPane(source, kPhishTankPlaceholder, "PhishTank Status: Not Checked");
  }

  // The memory pane lends its text: the scans below change only its looks, never its text.
  std::string source_copy;
  const std::string_view source_text = source.textIn(source_copy);
  ContentScanResult counts;
  if (!ctx.output_to_file) {
    window.setCaption("Blacklists checked, scanning for malicious content");
    if (ctx.desktop) ctx.desktop->processEvents();
    std::string exe_scan = ReadSetting(ctx, "Automation", "chkAutoScanExes", "");
    if (exe_scan.empty()) {
      exe_scan = "1";
      WriteSetting(ctx, "Automation", "chkAutoScanExes", "1");
    }
    // The scans leave the text as it is: its links are found once for the marks, the list and the
    // executables scan.
    const bool scan_links = SettingIsOn(ctx, "Automation", "chkAutoScanLinks", "0");
    const FoundLinks found(scan_links || exe_scan == "1" ? FindAllLinks(source_text) : LinkCandidates());
    if (scan_links) {
      HighlightLinks(ctx, source, found);
      WriteLog(ctx, "Extracting contents ....");
      ExtractLinks(ctx, window.links(), found);
    }
    if (SettingIsOn(ctx, "Automation", "chkAutoScanImages", "0")) {
      WriteLog(ctx, "Extracting images ....");
      ExtractImages(ctx, window.images(), ctx.saved_page_file, window.addressText());
    }
    if (exe_scan == "1") counts = RunContentScan(ctx, source, window.links(), source_text, &found);
  }

  ReplaceInPane(source, kScriptsPlaceholder, "Scripts: " + std::to_string(counts.scripts));
  ReplaceInPane(source, kIFramesPlaceholder, "iFrames: " + std::to_string(counts.iframes));
  window.setCaption(saved_caption);
  return outcome;
}

}  // namespace kestrum
