#include "net/body_digest.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <array>

namespace kestrum {
namespace {

struct ContextDeleter {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

DigestContext StartDigest(const EVP_MD* kind) {
  DigestContext context(EVP_MD_CTX_new());
  if (context) EVP_DigestInit_ex(context.get(), kind, nullptr);
  return context;
}

std::string FinishHex(EVP_MD_CTX* context) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (context == nullptr || EVP_DigestFinal_ex(context, digest.data(), &length) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

}  // namespace

struct BodyDigest::State {
  explicit State(bool all)
      : sha256(StartDigest(EVP_sha256())),
        sha1(all ? StartDigest(EVP_sha1()) : DigestContext()),
        md5(all ? StartDigest(EVP_md5()) : DigestContext()) {}
  DigestContext sha256, sha1, md5;
};

BodyDigest::BodyDigest(bool all) : state_(std::make_unique<State>(all)) {}
BodyDigest::~BodyDigest() = default;

void BodyDigest::add(std::string_view bytes) {
  for (EVP_MD_CTX* context : {state_->sha256.get(), state_->sha1.get(), state_->md5.get()})
    if (context != nullptr) EVP_DigestUpdate(context, bytes.data(), bytes.size());
}

BodyDigest::Hex BodyDigest::finish() {
  return {FinishHex(state_->sha256.get()), FinishHex(state_->sha1.get()), FinishHex(state_->md5.get())};
}

std::string CertificateCheckReason(long verify_result) {
  return X509_verify_cert_error_string(verify_result);
}

}  // namespace kestrum
