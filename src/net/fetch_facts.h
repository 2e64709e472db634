#pragma once
// What one page fetch did on the wire, kept for a report: where it went, what each answer said,
// what the certificate was, and fingerprints of the bytes exactly as they arrived.
#include <cstdint>
#include <string>
#include <vector>

namespace kestrum {

// One answer that sent the request on (3xx with a Location that was followed).
struct RedirectHop {
  long status = 0;
  std::string location;
  std::string header_block;  // the hop's header lines, each ending in CR LF
};

struct CertificateFacts {
  bool checked = false;   // an https answer came
  bool verified = false;  // its certificate passed the check
  int32_t error = 0;      // Windows Internet error code of a failed check
  std::string reason;     // why the check failed, in the TLS library's words
  std::string subject, issuer, valid_from, valid_until;
  std::vector<std::string> names;  // subject alternative names, as "DNS:host" or "IP Address:a.b.c.d"
};

struct FetchFacts {
  bool recorded = false;
  // Asked for by the reader before the fetch: SHA-1 and MD5 too, or SHA-256 alone (each costs
  // milliseconds per megabyte).
  bool all_fingerprints = true;
  std::string method;         // "download" or "xmlhttp"
  std::string requested_url;  // after the proxy template was applied
  std::string final_url;
  std::vector<RedirectHop> redirects;
  long http_status = 0;  // of the final answer; 0 when none came
  std::string final_header_block;
  std::string primary_ip;
  long primary_port = 0;
  double seconds = 0;
  int32_t error = 0;  // Windows Internet error code of a failed fetch
  CertificateFacts certificate;
  std::string content_type;
  uint64_t body_bytes = 0;
  std::string sha256, sha1, md5;  // lower-case hex of the bytes as received (after content decoding);
                                  // sha1 and md5 empty unless all_fingerprints
  std::string body_head;          // the first bytes, where a byte order mark or a meta charset stands
};

}  // namespace kestrum
