#include "net/http_client.h"

#include <cerrno>
#include <utility>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/curl_transfer.h"
#include "net/fetch_facts.h"
#include "net/inet_errors.h"
#include "net/request_address.h"
#include "net/response_text.h"
#include "net/status_text.h"

namespace kestrum {
namespace {

constexpr const char* kConnectFirst = "Please connect to the internet first, then try again";
constexpr const char* kComponentMissing = "Microsoft XML 6.0 is not present or registered on this system";
constexpr const char* kHeadersCaption = "Error downloading headers";

enum class ConnectionCheck { Run, Skip };

void Complain(Context& ctx, std::string_view text, std::string_view caption) {
  WriteLog(ctx, text);
  if (ctx.desktop != nullptr) {
    ctx.desktop->showMessage(text, caption, MessageIcon::Exclamation, MessageButtons::Ok);
  }
}

void LetEventsRun(Context& ctx) {
  if (ctx.desktop != nullptr) ctx.desktop->processEvents();
}

DownloadOutcome FetchContentWith(Context& ctx, const std::string& target_file, std::string& address,
                                 ConnectionCheck check, FetchFacts* facts = nullptr) {
  if (check == ConnectionCheck::Run && !IsTheInternetAlive(ctx)) {
    Complain(ctx, kConnectFirst, kProgramTitle);
    return {kErrorDisconnected, FailureText(kErrorDisconnected)};
  }
  if (!IsMSXML6Available()) {
    Complain(ctx, kComponentMissing, kProgramTitle);
    return {kErrorInternal, FailureText(kErrorInternal)};
  }
  address = ContentRequestAddress(address);

  TransferRequest request;
  request.url = address;
  request.facts = facts;
  const std::string referer = ReadSetting(ctx, "Settings", "txtReferer", "");
  if (!referer.empty()) request.headers.push_back("Referer: " + referer);
  request.headers.push_back("User-Agent: " + ReadSetting(ctx, "Settings", "cboUAString", DefaultUserAgent()));

  std::string body;
  const TransferOutcome outcome = RunTransfer(
      ctx, request,
      [&body](std::string_view bytes) {
        body.append(bytes);
        return true;
      },
      [&body](uint64_t announced) { body.reserve(announced); });
  LetEventsRun(ctx);

  // A failed request leaves the file empty; a completed one holds the text as one line.
  std::string text;
  if (outcome.error == 0) {
    text = ResponseTextInAnsi(body, outcome.content_type);
    text += kCrLf;
  }
  body = std::string();
  if (!WriteFileAtomically(target_file, text, 0644)) {
    const std::string detail = WriteFailureDetail(errno);
    WriteLog(ctx, "Woops, I could not write the file " + target_file + ": " + detail);
    if (outcome.error != 0) return {outcome.error, outcome.failure};
    return {kErrorInternal, FailureText(kErrorInternal, detail)};
  }
  if (outcome.error != 0) return {outcome.error, outcome.failure};
  return {static_cast<int32_t>(outcome.http_status), {}};
}

std::string FetchHeadersWith(Context& ctx, TextPane* view, std::string_view address, ConnectionCheck check) {
  if (check == ConnectionCheck::Run && !IsTheInternetAlive(ctx)) {
    Complain(ctx, kConnectFirst, kHeadersCaption);
    return {};
  }
  if (!IsMSXML6Available()) return {};

  TransferRequest request;
  request.url = HeaderRequestAddress(address);
  request.headers_only = true;
  request.headers.push_back("User-Agent: " + DefaultUserAgent());
  const TransferOutcome outcome = RunTransfer(ctx, request, [](std::string_view) { return true; });
  LetEventsRun(ctx);

  if (outcome.error != 0) return {};
  const auto status = static_cast<int32_t>(outcome.http_status);
  if (status != 200 && status != 0) {
    return "Server returned status code: " + std::to_string(status) + kCrLf + kCrLf + GetStatusText(status);
  }
  if (view != nullptr) view->setText(outcome.header_block);
  return outcome.header_block;
}

FetchResult FetchURLWith(Context& ctx, std::string& address, const std::string& target_file, ConnectionCheck check,
                         bool fill_headers_view = true) {
  const bool use_xmlhttp = ReadSetting(ctx, "Settings", "chkMSXML", "0") == "1";
  if (ProxyEnabled(ctx)) address = ReplaceAll(GetProxyTemplate(ctx), "[URL]", address);

  FetchResult result;
  result.RequestURL = address;
  result.BodyFile = target_file;
  // A caller that wants the page fetch's facts gets those of the next FetchURL; the connection
  // test's own fetch, which may run first, leaves them alone.
  FetchFacts* facts = check == ConnectionCheck::Run ? std::exchange(ctx.page_fetch_facts, nullptr) : nullptr;
  // Fresh facts for this fetch; the fingerprints asked for stay as the caller chose them.
  if (facts != nullptr)
    *facts = FetchFacts{.all_fingerprints = facts->all_fingerprints, .method = use_xmlhttp ? "xmlhttp" : "download"};
  if (use_xmlhttp) {
    std::string content_address = address;  // its "http://" rule does not reach the header request
    const DownloadOutcome content = FetchContentWith(ctx, target_file, content_address, check, facts);
    result.Status = content.status;
    result.Failure = content.failure;
  } else {
    DownloadOutcome content = Download(ctx, address, target_file, 0644, facts);
    result.Status = content.status;
    result.Failure = std::move(content.failure);
  }

  TextPane* headers_view = ctx.window != nullptr && fill_headers_view ? &ctx.window->headers() : nullptr;
  result.HeaderText = FetchHeadersWith(ctx, headers_view, address, check);
  if (headers_view != nullptr) headers_view->setText(result.HeaderText);
  return result;
}

}  // namespace

std::string DefaultUserAgent() {
  return std::string("Mozilla/4.0 (compatible; ") + kProgramTitle + " v" + std::to_string(kVersionMajor) + "." +
         std::to_string(kVersionMinor) + "." + std::to_string(kVersionRevision) + "; Windows NT 5.1)";
}

FetchResult FetchURL(Context& ctx, std::string& address, const std::string& target_file) {
  return FetchURLWith(ctx, address, target_file, ConnectionCheck::Run);
}

FetchResult FetchLookupAnswer(Context& ctx, std::string& address, const std::string& target_file) {
  return FetchURLWith(ctx, address, target_file, ConnectionCheck::Run, false);
}

FetchResult FetchURLWithoutConnectionCheck(Context& ctx, std::string& address, const std::string& target_file) {
  return FetchURLWith(ctx, address, target_file, ConnectionCheck::Skip);
}

int32_t FetchContent(Context& ctx, const std::string& target_file, std::string& address) {
  return FetchContentWith(ctx, target_file, address, ConnectionCheck::Run).status;
}

std::string FetchHeaders(Context& ctx, TextPane* view, std::string_view address) {
  return FetchHeadersWith(ctx, view, address, ConnectionCheck::Run);
}

}  // namespace kestrum
