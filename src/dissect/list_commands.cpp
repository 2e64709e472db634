#include "dissect/list_commands.h"

#include <unistd.h>

#include <filesystem>

#include "core/app_log.h"
#include "core/file_report.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"
#include "dissect/query_pipeline.h"
#include "dissect/reputation_lookups.h"
#include "dissect/source_commands.h"
#include "dissect/text_pieces.h"
#include "net/downloads.h"
#include "net/host_ip_monitor.h"
#include "net/host_resolution.h"
#include "net/net_settings.h"
#include "net/url.h"

namespace kestrum {
namespace {

constexpr const char* kSaveListFilter = "All Files (*.*)|*.*|Text File (.txt)|*.txt";
constexpr const char* kDownloadFailedMessage =
    "I'm sorry, I was unable to download this file. Possible causes are;\r\n"
    "\r\n"
    "1. The server rejected the request\r\n"
    "2. Your computer is blocking access to the server\r\n"
    "3. You specified an invalid filename\r\n"
    "\r\n"
    "Please check and try again";
constexpr const char* kRecordRule = "------------------------------";

struct SiteQuery {
  const char* setting;
  const char* path;
  bool with_protocol;
};

SiteQuery QueryOf(ReputationSite site) {
  switch (site) {
    case ReputationSite::Braxel:
      return {"BraxelSite", "/?s=", false};
    case ReputationSite::MalwareDomainList:
      return {"MDLSite", "/mdl.php?search=", false};
    case ReputationSite::SiteAdvisor:
      return {"SiteAdvisor", "/sites/", false};
    case ReputationSite::TrustedSource:
      return {"TrustedSource", "/TS?do=feedback&subdo=query&q=", false};
    case ReputationSite::WebSniffer:
      return {"WebSniffer", "/?url=", true};
    case ReputationSite::WebOfTrust:
      return {"WebOfTrust", "/en/scorecard/", false};
  }
  return {"", "", false};
}

std::string DefaultBase(Context& ctx, ReputationSite site) {
  switch (site) {
    case ReputationSite::Braxel:
      return KestrumServicesBase(ctx);  // the maker's own site
    case ReputationSite::MalwareDomainList:
      return "http://www.malwaredomainlist.com";
    case ReputationSite::SiteAdvisor:
      return "https://www.siteadvisor.com";
    case ReputationSite::TrustedSource:
      return "https://www.trustedsource.org";
    case ReputationSite::WebSniffer:
      return "https://websniffer.com";
    case ReputationSite::WebOfTrust:
      return "https://www.mywot.com";
  }
  return "";
}

void Tell(Context& ctx, std::string_view text, MessageIcon icon) {
  if (ctx.desktop) ctx.desktop->showMessage(text, kProgramTitle, icon, MessageButtons::Ok);
}

// A long command's hold on the window: its controls are shut while events run (so no second
// command starts inside this one), and the caption is set back however the command ends.
class BusyWindow {
 public:
  explicit BusyWindow(Context& ctx) : ctx_(ctx) {
    if (!ctx_.window) return;
    saved_ = ctx_.window->caption();
    was_enabled_ = ctx_.window->controlsEnabled();
    ctx_.window->setControlsEnabled(false);
  }
  ~BusyWindow() {
    if (!ctx_.window) return;
    ctx_.window->setCaption(saved_);
    ctx_.window->setControlsEnabled(was_enabled_);
  }
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;
  void show(std::string_view caption) {
    if (ctx_.window) ctx_.window->setCaption(caption);
    if (ctx_.desktop) ctx_.desktop->processEvents();
  }

 private:
  Context& ctx_;
  std::string saved_;
  bool was_enabled_ = true;
};

std::string DownloadLinkText(std::string_view item) {
  std::string link = RemoveDoubleBlanks(item);
  if (!link.empty() && link.back() == ' ') link.pop_back();
  return link;
}

bool IsExecutableFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string ReputationSiteBase(Context& ctx, ReputationSite site) {
  std::string base(TrimBlank(ReadSetting(ctx, "Services", QueryOf(site).setting, "")));
  if (base.empty()) base = DefaultBase(ctx, site);
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

std::string ReputationQueryURL(Context& ctx, ReputationSite site, std::string_view item) {
  const std::string site_part = GetHostFromURL(ctx, item);
  if (!IsURL(site_part)) return "";
  const SiteQuery query = QueryOf(site);
  return ReputationSiteBase(ctx, site) + query.path +
         (query.with_protocol ? site_part : std::string(After(site_part, "://")));
}

void CopyItemToClipboard(Context& ctx, std::string_view item) {
  if (ctx.desktop) ctx.desktop->setClipboardText(RemoveDoubleBlanks(item));
}

void OpenItemInBrowser(Context& ctx, std::string_view item) {
  const std::string site = GetHostFromURL(ctx, item);
  if (!IsURL(site)) return Tell(ctx, kNotAUrlMessage, MessageIcon::None);
  if (ctx.desktop) ctx.desktop->openWithDefaultHandler(site);
}

void PerformReputationQuery(Context& ctx, ReputationSite site, std::string_view item) {
  const std::string address = ReputationQueryURL(ctx, site, item);
  if (address.empty()) return Tell(ctx, kNotAUrlMessage, MessageIcon::None);
  if (ctx.desktop) ctx.desktop->openWithDefaultHandler(address);
}

std::string SuggestedDownloadName(std::string_view item) {
  const std::string link = DownloadLinkText(item);
  std::string name = link.substr(link.find_last_of('/') == std::string::npos ? 0 : link.find_last_of('/') + 1);
  const size_t equals = name.find_last_of('=');
  if (equals != std::string::npos) name.erase(0, equals + 1);
  // A name that means a folder is no name; the user types one.
  if (name == "." || name == "..") name.clear();
  return name;
}

void DownloadLinkedFile(Context& ctx, std::string_view item) {
  if (!ctx.desktop) return;
  const std::string link = DownloadLinkText(item);
  const std::string name = SuggestedDownloadName(item);
  const auto path = ctx.desktop->chooseSaveFile("Save [ " + name + " ] to file", "All Files (*.*)|*.*", name);
  if (!path) return;
  BusyWindow caption(ctx);
  caption.show("Downloading: " + name);
  WriteLog(ctx, "Downloading file to: " + *path);
  // A sample may be hostile: owner-only, never executable, and never opened here.
  if (DownloadLink(ctx, link, *path, 0600) != 0) {
    Tell(ctx, kDownloadFailedMessage, MessageIcon::Exclamation);
    return;
  }
  if (ctx.desktop->showMessage("File downloaded, would you like to open the containing folder?", kProgramTitle,
                               MessageIcon::Information, MessageButtons::YesNo) != MessageAnswer::Yes)
    return;
  const std::string folder = GetPathPart(Folder, *path);
  WriteLog(ctx, "Opening: " + folder);
  ctx.desktop->openWithDefaultHandler(folder);
}

void DissectListItem(Context& ctx, std::string_view item, const std::string& own_executable) {
  // Items come from the page: one with a blank could smuggle switches (" /f:") into a new instance.
  if (!IsURL(std::string(item)) || !LinkToDissect(item)) return Tell(ctx, kNotAUrlMessage, MessageIcon::Exclamation);
  DissectLink(ctx, item, own_executable);
}

void SendToTavrin(Context& ctx, std::string_view item) {
  if (!ctx.desktop) return;
  std::string tavrin = ReadSetting(ctx, "Settings", "TV", "");
  if (tavrin.empty()) {
    Tell(ctx, "Please tell me where Tavrin is located ...", MessageIcon::Information);
    const auto chosen = ctx.desktop->chooseOpenFile("Locate Tavrin", "Tavrin (*)|*");
    // Only a program can be started; anything else ends the command as a missing file does.
    if (!chosen || !IsExecutableFile(*chosen)) return;
    tavrin = *chosen;
    WriteSetting(ctx, "Settings", "TV", tavrin);
  }
  if (!ctx.desktop->startProgram(tavrin, {std::string(item)})) WriteLog(ctx, "I couldn't start " + tavrin);
}

std::string ExtendedRecord(Context& ctx, std::string_view link) {
  auto caption = [&ctx](const std::string& text) {
    if (ctx.window) ctx.window->setCaption(text);
    if (ctx.desktop) ctx.desktop->processEvents();
  };
  std::string host(After(GetHostFromURL(ctx, link), "://"));
  std::string name = host;
  std::string addresses = host;
  if (IsNumeric(ReplaceAll(host, ".", ""))) {
    name = ReverseLookup(ctx, host);
  } else {
    std::string reduced = host;
    addresses = GetHostIP(ctx, reduced);
  }

  std::string record = std::string(kRecordRule) + kCrLf;
  record += "URL: " + std::string(link) + kCrLf;
  record += "\tHostname: " + name + kCrLf;
  if (Contains(addresses, ",")) {
    const auto each = Split(ReplaceAll(addresses, " ", ""), ",");
    for (size_t k = 0; k < each.size(); ++k) {
      caption("Resolving: " + each[k]);
      const std::string number = std::to_string(k);
      record += "\tIP" + number + ": " + each[k] + kCrLf;
      record += "\tIP" + number + " PTR: " + ReverseLookup(ctx, each[k]) + kCrLf;
    }
  } else {
    record += "\tIP: " + addresses + kCrLf;
    record += "\tIP PTR: " + ReverseLookup(ctx, addresses) + kCrLf;
  }
  const std::string answer_file = JoinPath(StorageFolder(ctx), "braxel.txt");
  // The lookups take an address apart for its host; a bare name would reach them as no host.
  const std::string named_site = "http://" + name;
  caption("Getting Braxel status for: " + name);
  record += "\tBraxel Status: " + GetBraxelStatus(ctx, named_site, answer_file) + kCrLf;
  caption("Getting MDL status for: " + name);
  record += "\tMDL Status: " + GetMDLStatus(ctx, named_site, answer_file) + kCrLf;
  caption("Getting PhishTank status for: " + name);
  // An unanswered check says so, as the other two lookups do, rather than leave the line blank.
  const std::string phishing = GetPhishTankStatus(ctx, answer_file, link);
  record += "\tPhishTank Status: " + (phishing.empty() ? std::string("Unknown") : phishing) + kCrLf;
  record += kRecordRule;
  return record;
}

void SaveFoundLinks(Context& ctx, bool extended) {
  if (!ctx.desktop || !ctx.window) return;
  const auto path = ctx.desktop->chooseSaveFile("Save to file", kSaveListFilter, "");
  if (!path) return;
  BusyWindow caption(ctx);
  const std::vector<std::string> items = ctx.window->links().items();
  std::string contents;
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string& item = items[i];
    caption.show("Processing: (" + std::to_string(i + 1) + "/" + std::to_string(items.size()) + ") " + item);
    std::string text = item;
    if (StartsWith(text, "/")) text = "http://" + ctx.current_host + text;
    if (extended && Contains(text, "://") && IsURL(item))
      contents += RemoveDoubleBlanks(ExtendedRecord(ctx, text));
    else
      contents += RemoveDoubleBlanks(text);
    contents += kCrLf;
  }
  WriteFileOrReport(ctx, *path, contents);
}

void SaveFoundImages(Context& ctx) {
  if (!ctx.desktop || !ctx.window) return;
  const auto path = ctx.desktop->chooseSaveFile("Save to file", kSaveListFilter, "");
  if (!path) return;
  std::string contents;
  for (const auto& item : ctx.window->images().items()) contents += RemoveDoubleBlanks(item) + kCrLf;
  WriteFileOrReport(ctx, *path, contents);
}

std::string ListPrintout(Context& ctx, const ItemList& list, ListKind kind, const std::tm& when) {
  const std::string stars(65, '*');
  std::string text = stars + kCrLf;
  text += std::string(kProgramTitle) +
          (kind == ListKind::Links ? " extraction results for: " : " image extraction results for: ") +
          (ctx.window ? ctx.window->addressText() : std::string()) + kCrLf;
  text += "Date: " + LongDateText(when) + kCrLf;
  text += "Time: " + HeaderTimeText(when) + kCrLf;
  text += stars + kCrLf;
  for (const auto& item : list.items()) text += RemoveDoubleBlanks(item) + kCrLf + kCrLf;
  text += std::to_string(list.count()) + " items found";
  return text;
}

}  // namespace kestrum
