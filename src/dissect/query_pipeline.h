#pragma once
// SendQuery: one address fetched into the source view under its header block.
#include <ctime>
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

class MainView;

// The five placeholders the Dissect command fills in afterwards.
inline constexpr const char* kBraxelPlaceholder = "Braxel Status: ";
inline constexpr const char* kMdlPlaceholder = "MDL Status: ";
inline constexpr const char* kPhishTankPlaceholder = "PhishTank Status: ";
inline constexpr const char* kScriptsPlaceholder = "[SCRIPTS]";
inline constexpr const char* kIFramesPlaceholder = "[IFRAMES]";

inline constexpr const char* kEmptyContentNote =
    "The server failed to return any actual content, but returned an OK (200) status code, normally used for sites "
    "that are fine.";

// How one query ended, for the front ends' exit statuses.
enum class QueryOutcome {
  Shown,           // the server answered and its page is in the source view, whatever the status
  AnsweredEmpty,   // the server answered 403 or 404 with nothing to show (its message was shown)
  InvalidAddress,  // rejected before any request
  FetchFailed,     // no answer: refused, unknown host, time-out, reset, over the size limit ...
  StorageFailed,   // the page could not be kept in dl_temp
};

// Fetches `address` into the views (source, headers), records the current host and saved page file.
QueryOutcome SendQuery(Context& ctx, const std::string& address);
// Mode 1 enables every control of the window, mode 2 disables them; other modes do nothing.
void SetFormEnabled(Context& ctx, int mode);

// Pieces of the pipeline, exposed for the tests.
struct HeaderBlockFields {
  std::string address;
  std::string server_ip_text;
  std::string port;  // empty: no "Port: " line
  bool proxy_enabled = false;
  std::string proxy_name;
  std::tm when{};
};
std::string BuildHeaderBlock(const HeaderBlockFields& fields);
// "Thursday, December 10, 2026" and "14:05:09:05" (hours, minutes, seconds, minutes again).
std::string LongDateText(const std::tm& when);
std::string HeaderTimeText(const std::tm& when);
// File name of the saved page: 5 characters of the host key, the general date without ":" "/" "\", ".txt".
std::string SavedPageFileName(std::string_view host_key, const std::tm& when);
// Creates the saved page file in `folder` as a new file of its own: `name`, or when that is
// taken `name` with "-2", "-3" ... before ".txt". Empty when no file could be created.
std::string CreateSavedPageFile(const std::string& folder, const std::string& name);
// The port text of an address, or empty when it names none.
std::string PortOfAddress(std::string_view address);
// Moves raw response headers found at the top of a body into `header_part`; returns whether it did.
bool SplitRawResponse(std::string& page_text, std::string& header_part);
// Lines of a file joined by CR LF, leading empty lines dropped; nothing when it cannot be opened.
bool ReadPageText(const std::string& path, std::string& page_text);

}  // namespace kestrum
