#pragma once
// Everything the program fetches from the web: the dispatcher FetchURL with its two transfer
// methods (an XMLHTTP-style request that saves the decoded text, and a download that saves the
// bytes as sent), the separate header request, the proxy settings and the connection test.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"
#include "net/downloads.h"

namespace kestrum {

class TextPane;

// The outcome of one FetchURL call.
struct FetchResult {
  // XMLHTTP method: the HTTP status of the content request. Download method: 0 on success.
  // A failed transfer gives its Windows Internet error code (12002, 12007, 12029, ...).
  int32_t Status = 0;
  // The header request's header lines, its "Server returned status code: " message, or empty
  // text when it got no answer.
  std::string HeaderText;
  std::string RequestURL;  // the address requested, after the proxy template was applied
  std::string BodyFile;
  // Why the content request got no answer, in words with its code ("Cannot connect (12029)");
  // empty when the server answered, whatever its status.
  std::string Failure;
};

// "Mozilla/4.0 (compatible; Kestrum Desktop Edition v0.3.7; Windows NT 5.1)"
std::string DefaultUserAgent();

// Saves the body of `address` to `target_file` with the method chkMSXML selects, then fetches
// the headers and puts them into the window's headers view. With the proxy on, `address`
// becomes the proxy template with "[URL]" replaced by it, for the caller too.
FetchResult FetchURL(Context& ctx, std::string& address, const std::string& target_file);
// FetchURL for a lookup service's answer: the Headers view keeps the page's headers.
FetchResult FetchLookupAnswer(Context& ctx, std::string& address, const std::string& target_file);
// FetchURL without the connection test of its two requests: the connection test's own fetch.
FetchResult FetchURLWithoutConnectionCheck(Context& ctx, std::string& address, const std::string& target_file);

// The XMLHTTP-style content request: writes the response text in ANSI plus CR LF (an empty file
// when the transfer fails) and returns the HTTP status or the failure's error code. An address
// not beginning with "http://" or "https://" (letter case counts) gets "http://" in front.
int32_t FetchContent(Context& ctx, const std::string& target_file, std::string& address);

// The header request: the final response's header lines (also put into `view` when given),
// "Server returned status code: " + code + CR LF CR LF + status text for a status other than
// 200, or empty text when no answer came.
std::string FetchHeaders(Context& ctx, TextPane* view, std::string_view address);

// True when the machine has a connection, or else when the check file can be fetched.
bool IsTheInternetAlive(Context& ctx);
// True when the HTTP component can be used.
bool IsMSXML6Available();

// chkProxy is "1" (an empty value is stored as "0").
bool ProxyEnabled(Context& ctx);
// The current proxy entry's template, else Proxy_URL (the services' proxy script when empty).
std::string GetProxyTemplate(Context& ctx);
// "Method: MSXML", "Method: Winsock" or "Method: URLDownloadToFile".
std::string FetchMethodText(Context& ctx);

}  // namespace kestrum
