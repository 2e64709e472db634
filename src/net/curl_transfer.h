#pragma once
// One synchronous GET through libcurl, within the limits of the settings: redirects followed
// (at most 10), http and https only, bounded connect, idle and whole-transfer time, bounded body
// size. A
// certificate that fails its check is logged and the fetch goes on without the check.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"

namespace kestrum {

struct FetchFacts;

struct TransferRequest {
  std::string url;
  // An empty-bodied POST instead of the GET (the phishing check asks that way).
  bool post_without_body = false;
  std::vector<std::string> headers;  // "Name: value"
  // Stop once the final response's headers are in; its body is not read.
  bool headers_only = false;
  // When set, the transfer's facts (answers, address, certificate, body fingerprints) go here.
  FetchFacts* facts = nullptr;
};

struct TransferOutcome {
  int32_t error = 0;  // 0, or the Windows Internet error code of the failure
  // The failure in words for the user: "Cannot connect (12029)", with the cause added where the
  // code alone would mislead ("...: the page is larger than the limit of 1 MB"). Empty on success.
  std::string failure;
  long http_status = 0;      // of the final response; 0 when none came
  std::string header_block;  // the final response's header lines, each ending in CR LF
  std::string content_type;
  std::string effective_url;
  int32_t certificate_error = 0;  // a failed certificate check that was passed over
};

// Receives the body in pieces; false when it cannot take them (the transfer then fails, and the
// errno the sink leaves behind names the cause).
using BodySink = std::function<bool(std::string_view)>;
// Told the announced body length (Content-Length, within the size limit) before the first piece.
using BodySizeHint = std::function<void(uint64_t)>;

// Runs the transfer; a failure is written to the log once, here.
TransferOutcome RunTransfer(Context& ctx, const TransferRequest& request, const BodySink& sink,
                            const BodySizeHint& size_hint = {});

// "Status text (code)" of a failure, followed by ": detail" when there is one.
std::string FailureText(int32_t code, std::string_view detail = {});
// The cause of a failed file write, from its errno: "the disk is full" for ENOSPC.
std::string WriteFailureDetail(int error_number);

}  // namespace kestrum
