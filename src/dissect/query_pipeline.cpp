#include "dissect/query_pipeline.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/app_log.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"
#include "core/url_scheme.h"
#include "net/host_ip_monitor.h"
#include "net/host_resolution.h"
#include "net/http_client.h"
#include "net/status_text.h"
#include "net/url.h"

namespace kestrum {
namespace {

constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames = {"January",   "February", "March",    "April",
                                                     "May",       "June",     "July",     "August",
                                                     "September", "October",  "November", "December"};

// A header block is a few hundred bytes (more for a host of many addresses); the pane keeps
// some room of its own for the placeholders it fills in.
constexpr size_t kHeaderRoom = 16384;

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void ShowFailure(Context& ctx, const std::string& text) {
  if (ctx.desktop) ctx.desktop->showMessage(text, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
  WriteLog(ctx, text);
}

// What stands for an empty page: the reassuring note only where the status was a success.
std::string EmptyPageNote(int status) {
  if (status == 0 || status == 200) return kEmptyContentNote;
  return "The server failed to return any actual content, and returned the status code " + std::to_string(status) +
         " (" + GetStatusText(status) + ").";
}

// A request that got no answer, named with its cause.
std::string NoAnswerText(const std::string& failure) {
  const std::string br = kCrLf;
  return "Woops, an error occured whilst getting the content. " + br + "The request failed: " + failure + br + br +
         "Please check and try again";
}

std::string FailureText(Context& ctx, int status) {
  const std::string br = kCrLf;
  if (status == 153) {
    return "Woops, an error occured whilst getting the content. It seems your Antivirus deleted the temporarily file" +
           br + "I like to use for content storage.Please check and try again";
  }
  if (ReadSetting(ctx, "Settings", "chkMSXML", "1") == "1") {
    return "Woops, an error occured whilst getting the content. " + br +
           "The return code from the site's server was:" + br + br + "Response: " + std::to_string(status) + br +
           "Description: " + GetStatusText(status) + br + br + "Please check and try again";
  }
  return "Woops, an error has occured whilst getting the content." + br + br + "Possible causes include:" + br + br +
         "1. The server rejected the request" + br + "2. Your HOSTS file has the site blocked" + br +
         "3. Your firewall is blocking me" + br + "4. A security program installed on this computer is stopping me" +
         br + br + "Please check and try again";
}

// "address [ name ]", one line per address of a list, the later ones behind " > ".
std::string ServerAddressText(Context& ctx, const std::string& server_address) {
  if (!Contains(server_address, ",")) return server_address + " [ " + ReverseLookup(ctx, server_address) + " ]";
  std::string text;
  const auto addresses = Split(ReplaceAll(server_address, " ", ""), ",");
  for (size_t i = 0; i < addresses.size(); ++i) {
    const std::string line = addresses[i] + " [ " + ReverseLookup(ctx, addresses[i]) + " ]";
    text += i == 0 ? line : std::string(kCrLf) + " > " + line;
  }
  return text;
}

void FinishQuery(Context& ctx, const std::string& saved_caption) {
  MainView& window = *ctx.window;
  SetFormEnabled(ctx, 1);
  if (ctx.desktop) ctx.desktop->processEvents();
  std::string copy;
  const bool has_content = !TrimBlank(window.source().textIn(copy)).empty();
  for (ViewButton button : {ViewButton::Source, ViewButton::Images, ViewButton::Links})
    window.setViewButtonEnabled(button, has_content);
  window.source().setEnabled(has_content);
  window.setCaption(saved_caption);
}

#if defined(__SSE2__)
__m128i LineBreakBytes(__m128i block) {
  return _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(block, _mm_set1_epi8('\n')));
}
#endif

// Line breaks other than CR LF: each CR and each LF counts, less two for every CR LF.
size_t CountLoneBreaks(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  size_t breaks = 0, pairs = 0, i = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; i + 17 <= size; i += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 1));
    const auto any = static_cast<unsigned>(_mm_movemask_epi8(LineBreakBytes(here)));
    if (any == 0) continue;
    breaks += static_cast<size_t>(__builtin_popcount(any));
    const __m128i pair = _mm_and_si128(_mm_cmpeq_epi8(here, cr), _mm_cmpeq_epi8(next, lf));
    pairs += static_cast<size_t>(__builtin_popcount(static_cast<unsigned>(_mm_movemask_epi8(pair))));
  }
#endif
  for (; i < size; ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    ++breaks;
    if (bytes[i] == '\r' && i + 1 < size && bytes[i + 1] == '\n') ++pairs;
  }
  return breaks - 2 * pairs;
}

}  // namespace

std::string LongDateText(const std::tm& when) {
  char text[64];
  std::snprintf(text, sizeof text, "%s, %s %d, %d", kDayNames[static_cast<size_t>(when.tm_wday) % 7],
                kMonthNames[static_cast<size_t>(when.tm_mon) % 12], when.tm_mday, when.tm_year + 1900);
  return text;
}

std::string HeaderTimeText(const std::tm& when) {
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", when.tm_hour, when.tm_min, when.tm_sec, when.tm_min);
  return text;
}

std::string SavedPageFileName(std::string_view host_key, const std::tm& when) {
  // The general date ("12/10/2026 2:05:09 PM") with its separators removed.
  const int hour12 = when.tm_hour % 12 == 0 ? 12 : when.tm_hour % 12;
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%d%d%d %d%02d%02d %s", when.tm_mon + 1, when.tm_mday, when.tm_year + 1900, hour12,
                when.tm_min, when.tm_sec, when.tm_hour < 12 ? "AM" : "PM");
  std::string name(host_key.substr(0, 5));
  // A host key never holds a separator, but a hostile host must not lead the file out of dl_temp.
  for (char& c : name)
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  return name + stamp + ".txt";
}

std::string CreateSavedPageFile(const std::string& folder, const std::string& name) {
  const std::string_view stem = std::string_view(name).substr(0, name.size() - (EndsWith(name, ".txt") ? 4 : 0));
  const std::string_view extension = std::string_view(name).substr(stem.size());
  // O_EXCL: two queries in one second, or two runs on one folder, never share a page file.
  for (int copy = 1; copy <= 1000; ++copy) {
    const std::string candidate =
        JoinPath(folder, copy == 1 ? name : std::string(stem) + "-" + std::to_string(copy) + std::string(extension));
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd >= 0) {
      ::close(fd);
      return candidate;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

std::string PortOfAddress(std::string_view address) {
  const size_t colon = address.find(':');
  if (colon == std::string_view::npos || colon < 1) return "";
  std::string_view rest = address;
  if (Contains(rest, "://")) rest = After(rest, "://");
  rest = Before(rest, "/");
  if (!Contains(rest, ":")) return "";
  return std::string(After(rest, ":"));
}

std::string BuildHeaderBlock(const HeaderBlockFields& f) {
  const std::string stars(65, '*');
  std::string block;
  auto line = [&block](const std::string& text) {
    if (!block.empty()) block += kCrLf;
    block += text;
  };
  line(stars);
  line(std::string(kProgramTitle) + " v" + VersionText() + " Results");
  line("Source code for: " + f.address);
  line("Server IP: " + f.server_ip_text);
  line(kBraxelPlaceholder);
  line(kMdlPlaceholder);
  line(kPhishTankPlaceholder);
  line(kScriptsPlaceholder);
  line(kIFramesPlaceholder);
  if (!f.port.empty()) line("Port: " + f.port);
  if (f.proxy_enabled) line("via Proxy: " + f.proxy_name);
  line("Date: " + LongDateText(f.when));
  line("Time: " + HeaderTimeText(f.when));
  line(stars);
  return block;
}

bool SplitRawResponse(std::string& page_text, std::string& header_part) {
  if (page_text.empty() || !ContainsNoCase(page_text, "Server: ") || !ContainsNoCase(page_text, "HTTP/") ||
      !Contains(page_text, "<"))
    return false;
  if (!ContainsNoCase(page_text, "<html")) {
    header_part = ContainsNoCase(page_text, "/plain") ? std::string(Before(page_text, "/plain")) + "/plain" : "";
  } else {
    header_part = std::string(Before(page_text, "<"));
  }
  page_text = ReplaceAll(page_text, header_part, "");
  return true;
}

bool ReadPageText(const std::string& path, std::string& page_text) {
  // Room for the header block the pane puts in front of the page, and for line breaks that grow.
  auto bytes = ReadWholeFile(path, kHeaderRoom);
  if (!bytes) return false;
  page_text = std::move(*bytes);
  // Empty lines before the first line vanish: every CR and LF in front of it ends one of them.
  const size_t first = page_text.find_first_not_of("\r\n");
  if (first == std::string::npos) {
    page_text.clear();
    return true;
  }
  page_text.erase(0, first);
  // The last line's break is not written.
  if (EndsWith(page_text, "\r\n")) {
    page_text.resize(page_text.size() - 2);
  } else if (page_text.back() == '\n' || page_text.back() == '\r') {
    page_text.pop_back();
  }
  // CR LF, a lone LF and a lone CR each end one line; lines are joined by CR LF. The text grows
  // by one byte for each lone break, filled from its end so that every byte moves once.
  const size_t size = page_text.size();
  const size_t lone_breaks = CountLoneBreaks(page_text);
  if (lone_breaks == 0) return true;
  page_text.resize(size + lone_breaks);
  char* text = page_text.data();
  size_t to = size + lone_breaks;
  size_t from = size;
  // Bytes after `from` that are read below are never overwritten: `to` stays ahead of `from` by
  // the lone breaks still to come, and once none is left the rest is already in place.
  while (to > from) {
#if defined(__SSE2__)
    if (from >= 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from - 16));
      if (_mm_movemask_epi8(LineBreakBytes(block)) == 0) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(text + to - 16), block);
        from -= 16;
        to -= 16;
        continue;
      }
    }
#endif
    --from;
    const char c = text[from];
    const bool lone_lf = c == '\n' && (from == 0 || text[from - 1] != '\r');
    const bool lone_cr = c == '\r' && (from + 1 >= size || text[from + 1] != '\n');
    if (lone_lf || lone_cr) {
      text[--to] = '\n';
      text[--to] = '\r';
    } else {
      text[--to] = c;
    }
  }
  return true;
}

void SetFormEnabled(Context& ctx, int mode) {
  if (!ctx.window || (mode != 1 && mode != 2)) return;
  ctx.window->setControlsEnabled(mode == 1);
}

QueryOutcome SendQuery(Context& ctx, const std::string& address) {
  MainView& window = *ctx.window;
  const std::string saved_caption = window.caption();
  window.source().setText("");
  window.netBlock().setText("");
  window.log().setText("");
  window.links().clear();
  window.images().clear();

  SetFormEnabled(ctx, 2);
  window.setCaption("Processing request, please wait ...");
  WriteLog(ctx, "Sending request to: " + address);
  WriteLog(ctx, window.caption());

  const auto fail = [&](const std::string& text, QueryOutcome outcome) {
    ShowFailure(ctx, text);
    FinishQuery(ctx, saved_caption);
    return outcome;
  };
  if (!IsURL(address) || !Contains(address, "."))
    return fail("Error: Address specified is of an invalid URL format", QueryOutcome::InvalidAddress);

  const std::tm now = LocalNow();
  const std::string page_name = SavedPageFileName(GetPathPart(HostKey, address), now);
  const std::string page_file = CreateSavedPageFile(GetTempFolder(ctx), page_name);
  WriteLog(ctx, "Saving to: " + (page_file.empty() ? JoinPath(GetTempFolder(ctx), page_name) : page_file));
  ctx.saved_page_file = page_file;
  if (page_file.empty())
    return fail("Woops, an error occured whilst storing the page content.", QueryOutcome::StorageFailed);

  std::string requested = address;
  const FetchResult fetched = FetchURL(ctx, requested, page_file);
  int status = fetched.Status;
  if (!fetched.Failure.empty()) {
    // No answer: nothing of this query is kept that a later step could take for its page.
    ::unlink(page_file.c_str());
    ctx.saved_page_file.clear();
    return fail(NoAnswerText(fetched.Failure), QueryOutcome::FetchFailed);
  }

  if (!FileExists(ctx, page_file))
    return fail("Woops, an error occured whilst storing the page content.", QueryOutcome::StorageFailed);
  WriteLog(ctx, "Opening local file for display");
  std::string page_text;
  if (!ReadPageText(page_file, page_text)) return fail(FailureText(ctx, 153), QueryOutcome::StorageFailed);
  WriteLog(ctx, "I successfully opened the file");
  // A refusal that came with a page of its own shows that page, like any other status.
  if ((status == 403 || status == 404) && page_text.empty())
    return fail(FailureText(ctx, status), QueryOutcome::AnsweredEmpty);

  // Host, port and server address.
  std::string host(After(GetHostFromURL(ctx, address), "://"));
  ctx.current_host = host;
  WriteLog(ctx, "I successfully stripped the hostname from the URL");
  host = std::string(Before(host, "/"));
  const std::string port = PortOfAddress(address);
  WriteLog(ctx, "I successfully split anything that needed splitting");
  std::string server_address = GetHostIP(ctx, host);
  if (TrimSpaces(server_address).empty()) server_address = ConvertIP(host);
  WriteLog(ctx, server_address.empty() ? "I was unable to obtain the hosts IP address"
                                       : "I successfully obtained the hosts IP address");
  const std::string server_text = ServerAddressText(ctx, server_address);

  std::string header_part;
  if (SplitRawResponse(page_text, header_part)) window.headers().setText(header_part);

  if (page_text.empty() && DownloadToFile(ctx, address, page_file)) {
    if (!ReadPageText(page_file, page_text)) return fail(FailureText(ctx, 153), QueryOutcome::StorageFailed);
  }

  HeaderBlockFields fields;
  fields.address = address;
  fields.server_ip_text = server_text;
  fields.port = port;
  fields.proxy_enabled = ProxyEnabled(ctx);
  fields.proxy_name = ctx.proxy_name;
  fields.when = now;
  // The header block and the page in one buffer that the pane keeps.
  const std::string header_block = BuildHeaderBlock(fields);
  const std::string body = page_text.empty() ? EmptyPageNote(status) : std::string();
  std::string shown;
  if (!page_text.empty()) {
    shown = std::move(page_text);  // read with room in front for the header block
    shown.insert(0, header_block + kCrLf);
  } else {
    shown = header_block + kCrLf + std::string(body);
  }
  window.source().takeText(std::move(shown));
  WriteLog(ctx, "File displayed successfully");

  if (ctx.output_to_file) return QueryOutcome::Shown;  // the unattended run ends right after
  FinishQuery(ctx, saved_caption);
  return QueryOutcome::Shown;
}

}  // namespace kestrum
