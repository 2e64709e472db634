#include "net/curl_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include "core/app_log.h"
#include "core/text.h"
#include "net/body_digest.h"
#include "net/fetch_facts.h"
#include "net/inet_errors.h"
#include "net/log_text.h"
#include "net/net_settings.h"
#include "net/status_text.h"
#include "net/transfer_errors.h"
#include "net/wire_facts.h"

namespace kestrum {
namespace {

constexpr long kMaxRedirects = 10;

void InitializeCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct HeaderListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct AttemptState {
  CURL* handle = nullptr;
  const BodySink* sink = nullptr;
  const BodySizeHint* size_hint = nullptr;
  bool headers_only = false;
  uint64_t limit = 0;
  uint64_t received = 0;
  bool too_large = false;
  bool sink_failed = false;
  int sink_errno = 0;
  bool stopped_after_headers = false;
  long pending_status = 0;
  bool pending_location = false;
  std::string headers;
  ResponseBlocks* responses = nullptr;  // every answer's headers, when facts are kept
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto& state = *static_cast<AttemptState*>(user);
  const size_t length = size * count;
  if (state.headers_only) {
    state.stopped_after_headers = true;
    return 0;
  }
  if (state.received == 0 && *state.size_hint) {
    curl_off_t announced = -1;
    curl_easy_getinfo(state.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    if (announced > 0 && static_cast<uint64_t>(announced) <= state.limit)
      (*state.size_hint)(static_cast<uint64_t>(announced));
  }
  if (length > state.limit - state.received) {
    state.too_large = true;
    return 0;
  }
  state.received += length;
  errno = 0;
  if (!(*state.sink)(std::string_view(data, length))) {
    state.sink_failed = true;
    state.sink_errno = errno;
    return 0;
  }
  return length;
}

// Keeps the header lines of the latest response: a new status line starts a new block, so
// redirects and interim answers leave only the final response's headers.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& state = *static_cast<AttemptState*>(user);
  const size_t length = size * count;
  std::string_view line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);

  if (StartsWith(line, "HTTP/")) {
    state.headers.clear();
    state.pending_location = false;
    const auto space = line.find(' ');
    state.pending_status =
        space == std::string_view::npos ? 0 : std::atol(std::string(line.substr(space + 1, 3)).c_str());
    return length;
  }
  if (line.empty()) {
    // End of one response's headers. A redirect that will be followed or an interim answer is
    // not the final response; any other is, and a headers-only request stops here.
    const bool interim = state.pending_status >= 100 && state.pending_status < 200;
    const bool followed = state.pending_status >= 300 && state.pending_status < 400 && state.pending_location;
    if (state.responses != nullptr) state.responses->emplace_back(state.pending_status, state.headers);
    if (state.headers_only && !interim && !followed) {
      state.stopped_after_headers = true;
      return 0;
    }
    return length;
  }
  if (FindNoCase(line, "location:") == 0) state.pending_location = true;
  state.headers.append(line).append(kCrLf);
  return length;
}

std::string CurlText(CURL* handle, CURLINFO info) {
  char* text = nullptr;
  if (curl_easy_getinfo(handle, info, &text) != CURLE_OK || text == nullptr) return {};
  return text;
}

struct AttemptResult {
  CURLcode code = CURLE_OK;
  long verify_result = 0;
  AttemptState state;
  long http_status = 0;
  std::string content_type;
  std::string effective_url;
  ResponseBlocks responses;
};

AttemptResult Attempt(const TransferRequest& request, const BodySink& sink, const BodySizeHint& size_hint,
                      const TransferLimits& limits, long time_left_ms, bool verify_certificates) {
  AttemptResult result;
  result.state.sink = &sink;
  result.state.size_hint = &size_hint;
  result.state.headers_only = request.headers_only;
  result.state.limit = limits.max_body_bytes;
  if (request.facts != nullptr) result.state.responses = &result.responses;

  std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
  if (!handle) {
    result.code = CURLE_FAILED_INIT;
    return result;
  }
  curl_slist* raw_list = nullptr;
  for (const auto& header : request.headers) raw_list = curl_slist_append(raw_list, header.c_str());
  std::unique_ptr<curl_slist, HeaderListDeleter> header_list(raw_list);

  CURL* h = handle.get();
  result.state.handle = h;
  curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
  if (request.post_without_body) {
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, "");
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, 0L);
  } else {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  }
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, limits.connect_timeout_seconds);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, limits.idle_timeout_seconds);
  // The idle limit alone lets a server that trickles a byte now and then hold the program for ever.
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, time_left_ms);
  if (!request.headers_only) {
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_body_bytes));
  }
  curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");  // every encoding libcurl can undo
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024L);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, header_list.get());
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, verify_certificates ? 1L : 0L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, verify_certificates ? 2L : 0L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &result.state);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &result.state);
  if (request.facts != nullptr) curl_easy_setopt(h, CURLOPT_CERTINFO, 1L);

  result.code = curl_easy_perform(h);
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.http_status);
  curl_easy_getinfo(h, CURLINFO_SSL_VERIFYRESULT, &result.verify_result);
  result.content_type = CurlText(h, CURLINFO_CONTENT_TYPE);
  result.effective_url = CurlText(h, CURLINFO_EFFECTIVE_URL);
  if (request.facts != nullptr) RecordWireFacts(h, *request.facts);
  return result;
}

int32_t FailureCode(const AttemptResult& attempt) {
  if (attempt.state.too_large) return kErrorBodyTooLarge;
  if (attempt.state.sink_failed) return kErrorInternal;
  return InternetErrorFromCurl(attempt.code);
}

// Keeps a transfer's facts: the body passes through the fingerprints on its way to the sink.
struct FactsRecorder {
  static constexpr size_t kHeadBytes = 4096;

  FactsRecorder(FetchFacts& kept, const std::string& url, const BodySink& next)
      : facts(kept), digest(kept.all_fingerprints) {
    facts = FetchFacts{
        .recorded = true, .all_fingerprints = facts.all_fingerprints, .method = facts.method, .requested_url = url};
    sink = [this, &next](std::string_view bytes) {
      digest.add(bytes);
      facts.body_bytes += bytes.size();
      if (facts.body_head.size() < kHeadBytes)
        facts.body_head.append(bytes.substr(0, kHeadBytes - facts.body_head.size()));
      return next(bytes);
    };
  }
  void finish(const TransferOutcome& outcome, const ResponseBlocks& responses) {
    RecordRedirectHops(responses, facts);
    const BodyDigest::Hex hex = digest.finish();
    facts.sha256 = hex.sha256, facts.sha1 = hex.sha1, facts.md5 = hex.md5;
    facts.final_url = outcome.effective_url;
    facts.http_status = outcome.http_status;
    facts.final_header_block = outcome.header_block;
    facts.content_type = outcome.content_type;
    facts.error = outcome.error;
    facts.certificate.error = outcome.certificate_error;
    facts.certificate.verified = facts.certificate.checked && outcome.certificate_error == 0;
  }

  FetchFacts& facts;
  BodyDigest digest;
  BodySink sink;
};

std::string FailureDetail(const AttemptResult& attempt, const TransferLimits& limits) {
  if (attempt.state.too_large || attempt.code == CURLE_FILESIZE_EXCEEDED)
    return "the page is larger than the limit of " + std::to_string(limits.max_body_bytes >> 20) + " MB";
  if (attempt.state.sink_failed) return WriteFailureDetail(attempt.state.sink_errno);
  if (attempt.code == CURLE_TOO_MANY_REDIRECTS) return "more than " + std::to_string(kMaxRedirects) + " redirects";
  if (attempt.code == CURLE_OPERATION_TIMEDOUT && attempt.state.received > 0)
    return "the page did not arrive whole within the time limit";
  return {};
}

}  // namespace

std::string FailureText(int32_t code, std::string_view detail) {
  std::string text = GetStatusText(code) + " (" + std::to_string(code) + ")";
  if (!detail.empty()) text.append(": ").append(detail);
  return text;
}

std::string WriteFailureDetail(int error_number) {
  if (error_number == ENOSPC || error_number == EDQUOT) return "the disk is full";
  if (error_number == 0) return "the file could not be written";
  return std::string("the file could not be written (") + std::strerror(error_number) + ")";
}

TransferOutcome RunTransfer(Context& ctx, const TransferRequest& request, const BodySink& sink,
                            const BodySizeHint& size_hint) {
  InitializeCurlOnce();
  const TransferLimits limits = ReadTransferLimits(ctx);
  TransferOutcome outcome;
  std::optional<FactsRecorder> recorder;
  if (request.facts != nullptr) recorder.emplace(*request.facts, request.url, sink);
  const BodySink& body_sink = recorder ? recorder->sink : sink;
  // One deadline for the whole fetch, the retry without the certificate check included.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.transfer_timeout_seconds);
  const auto time_left_ms = [deadline] {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<long>(std::max<std::chrono::milliseconds::rep>(left.count(), 1));
  };

  AttemptResult attempt = Attempt(request, body_sink, size_hint, limits, time_left_ms(), true);
  if (attempt.code == CURLE_PEER_FAILED_VERIFICATION && attempt.state.received == 0) {
    // The program never renders what it fetches, and phishing sites often carry bad
    // certificates: the failure is recorded and the page fetched all the same.
    outcome.certificate_error = InternetErrorFromCertificateCheck(attempt.verify_result);
    const std::string where = attempt.effective_url.empty() ? request.url : attempt.effective_url;
    WriteLog(ctx, "The certificate of " + OneLogLine(where) +
                      " failed its check: " + GetStatusText(outcome.certificate_error) + " (" +
                      std::to_string(outcome.certificate_error) + "); I fetched the page all the same");
    if (recorder) recorder->facts.certificate.reason = CertificateCheckReason(attempt.verify_result);
    attempt = Attempt(request, body_sink, size_hint, limits, time_left_ms(), false);
  }

  outcome.http_status = attempt.http_status;
  outcome.header_block = std::move(attempt.state.headers);
  outcome.content_type = std::move(attempt.content_type);
  outcome.effective_url = std::move(attempt.effective_url);
  const bool stopped_on_purpose = attempt.code == CURLE_WRITE_ERROR && attempt.state.stopped_after_headers;
  if (attempt.code != CURLE_OK && !stopped_on_purpose) {
    outcome.error = FailureCode(attempt);
    outcome.failure = FailureText(outcome.error, FailureDetail(attempt, limits));
    WriteLog(ctx, "Woops, I could not fetch " + OneLogLine(request.url) + ": " + outcome.failure);
  }
  if (recorder) recorder->finish(outcome, attempt.responses);
  return outcome;
}

}  // namespace kestrum
