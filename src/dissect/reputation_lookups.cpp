#include "dissect/reputation_lookups.h"

#include "core/app_log.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"
#include "decode/base64.h"
#include "net/curl_transfer.h"
#include "net/downloads.h"
#include "net/http_client.h"
#include "net/net_settings.h"
#include "net/response_text.h"
#include "net/status_text.h"
#include "net/url.h"

namespace kestrum {
namespace {

std::string TrimTrailingSlash(std::string base) {
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

// The answer as received, for a caller that reports the evidence of the run.
void KeepLookupAnswer(Context& ctx, std::string_view service, std::string_view answer) {
  if (ctx.lookup_answers != nullptr) ctx.lookup_answers->emplace_back(service, answer);
}

// The verdict is read from the bytes this request received; the answer file only keeps them, so
// another run writing the same file at that moment cannot hand its verdict to this one.
std::string ReadAnswer(Context& ctx, std::string_view name, const std::string& url, const std::string& answer_file) {
  TransferRequest request;
  request.url = url;
  request.headers.push_back("User-Agent: " + ReadSetting(ctx, "Settings", "cboUAString", DefaultUserAgent()));
  std::string body;
  const TransferOutcome outcome = RunTransfer(ctx, request, [&body](std::string_view piece) {
    body.append(piece);
    return true;
  });
  if (outcome.error != 0 || outcome.http_status >= 400) {
    const std::string why = outcome.error != 0 ? outcome.failure
                                               : "the service answered " + std::to_string(outcome.http_status) + " (" +
                                                     GetStatusText(static_cast<int32_t>(outcome.http_status)) + ")";
    WriteLog(ctx, std::string("The ") + std::string(name) + " status is unknown: " + why);
    return kUnknownVerdict;
  }
  KeepLookupAnswer(ctx, name, body);
  WriteFileAtomically(answer_file, body, 0644);
  return LastAnswerField(body);
}

void LogUnknown(Context& ctx, std::string_view why) {
  WriteLog(ctx, "The PhishTank status is unknown: " + std::string(why));
}

}  // namespace

std::string LookupVersionTag() {
  return "KestrumDE_v" + VersionText();
}

std::string ServiceBase(Context& ctx, std::string_view key) {
  // Each lookup may have a server of its own; by default all go to the kestrum-services base.
  std::string base(TrimBlank(ReadSetting(ctx, "Services", key, "")));
  return base.empty() ? KestrumServicesBase(ctx) : TrimTrailingSlash(base);
}

std::string BraxelRequestURL(Context& ctx, std::string_view host) {
  return ServiceBase(ctx, "Braxel") + "/?v=" + LookupVersionTag() +
         "&s=" + EscapeUnsafeURLBytes(GetHostFromURL(ctx, host));
}

std::string MDLRequestURL(Context& ctx, std::string_view host) {
  return ServiceBase(ctx, "MDL") + "/scripts/mdl2.php?st=l&v=" + LookupVersionTag() +
         "&sq=" + EscapeUnsafeURLBytes(GetHostFromURL(ctx, host));
}

std::string PhishTankRequestURL(Context& ctx, std::string_view address) {
  // The encoded address travels in the path; its 72-character line breaks would end the request line.
  const std::string encoded = ReplaceAll(Base64Encode(address), kCrLf, "");
  return ServiceBase(ctx, "PhishTank") + "/checkurl/" + encoded;
}

std::string LastAnswerField(std::string_view text) {
  // Fields end at a comma or a line end; blank lines hold no field, so a trailing line break
  // or an empty last line does not hide the answer.
  std::string last;
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) {
      ++pos;
      continue;
    }
    size_t end;
    if (pos < text.size() && text[pos] == '"' && text.find('"', pos + 1) != std::string_view::npos) {
      const size_t close = text.find('"', pos + 1);
      last.assign(text.substr(pos + 1, close - pos - 1));
      end = text.find_first_of(",\r\n", close + 1);
    } else {
      end = text.find_first_of(",\r\n", pos);
      last.assign(text.substr(pos, (end == std::string_view::npos ? text.size() : end) - pos));
    }
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return last;
}

std::string GetBraxelStatus(Context& ctx, std::string_view host, const std::string& answer_file) {
  if (!FileExists(ctx, answer_file)) WriteFileAtomically(answer_file, "", 0644);
  return ReadAnswer(ctx, "Braxel", BraxelRequestURL(ctx, host), answer_file);
}

std::string GetMDLStatus(Context& ctx, std::string_view host, const std::string& answer_file) {
  return ReadAnswer(ctx, "MDL", MDLRequestURL(ctx, host), answer_file);
}

std::string GetPhishTankStatus(Context& ctx, const std::string& answer_file, std::string_view address) {
  auto warn = [&ctx](const char* text) {
    if (ctx.desktop) ctx.desktop->showMessage(text, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
    LogUnknown(ctx, text);
    return std::string(kUnknownVerdict);
  };
  if (!IsTheInternetAlive(ctx)) return warn("Please connect to the internet first, then try again");
  if (!IsMSXML6Available()) return warn("Microsoft XML 6.0 is not present or registered on this system");

  TransferRequest request;
  request.url = PhishTankRequestURL(ctx, address);
  request.post_without_body = true;
  request.headers.push_back("User-Agent: " + std::string(kProgramTitle) + " v" + VersionText());
  std::string body;
  const TransferOutcome outcome = RunTransfer(ctx, request, [&body](std::string_view piece) {
    body.append(piece);
    return true;
  });
  if (ctx.desktop) ctx.desktop->processEvents();
  if (outcome.error != 0) {
    LogUnknown(ctx, outcome.failure);
    return kUnknownVerdict;
  }
  if (outcome.http_status != 200 && outcome.http_status != 0) {
    const auto status = static_cast<int32_t>(outcome.http_status);
    LogUnknown(ctx, "the service answered " + std::to_string(status) + " (" + GetStatusText(status) + ")");
    return kUnknownVerdict;
  }

  const std::string text = ResponseTextInAnsi(body, outcome.content_type);
  KeepLookupAnswer(ctx, "PhishTank", text);
  WriteFileAtomically(answer_file, ToCrLf(text) + kCrLf, 0644);
  const size_t open = text.find("<in_database>");
  if (open == std::string::npos) return "";
  std::string_view inside = std::string_view(text).substr(open + 13);
  inside = Before(inside, "</in_database>");
  return ReplaceAll(ReplaceAll(inside, "false", "Not Listed"), "true", "Listed");
}

}  // namespace kestrum
