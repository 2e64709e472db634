#pragma once
// SHA-256, SHA-1 and MD5 of a byte stream fed in pieces: the fingerprints that threat
// intelligence services index files by.
#include <memory>
#include <string>
#include <string_view>

namespace kestrum {

class BodyDigest {
 public:
  // With `all` false only SHA-256 is computed; the other two come out empty.
  explicit BodyDigest(bool all = true);
  ~BodyDigest();
  BodyDigest(const BodyDigest&) = delete;
  BodyDigest& operator=(const BodyDigest&) = delete;

  void add(std::string_view bytes);
  // Lower-case hex; the digest is finished by these calls, so call them once, after the last add.
  struct Hex {
    std::string sha256, sha1, md5;
  };
  Hex finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The TLS library's words for a certificate check result (CURLINFO_SSL_VERIFYRESULT).
std::string CertificateCheckReason(long verify_result);

}  // namespace kestrum
