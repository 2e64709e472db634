#include "net/transfer_errors.h"

#include <curl/curl.h>

#include "net/inet_errors.h"

namespace kestrum {
namespace {

// Certificate verification results of OpenSSL (x509_vfy.h), named here to keep its headers out.
constexpr long kUnableToGetIssuer = 2;
constexpr long kUnableToDecryptSignature = 4;
constexpr long kUnableToDecodeIssuerKey = 6;
constexpr long kSignatureFailure = 7;
constexpr long kNotYetValid = 9;
constexpr long kExpired = 10;
constexpr long kSelfSignedLeaf = 18;
constexpr long kSelfSignedInChain = 19;
constexpr long kUnableToGetIssuerLocally = 20;
constexpr long kUnableToVerifyLeaf = 21;
constexpr long kRevoked = 23;
constexpr long kInvalidCa = 24;
constexpr long kUntrusted = 27;
constexpr long kRejected = 28;
constexpr long kHostnameMismatch = 62;

}  // namespace

int32_t InternetErrorFromCurl(int curl_code) {
  switch (static_cast<CURLcode>(curl_code)) {
    case CURLE_OK:
      return 0;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return kErrorUnrecognizedScheme;
    case CURLE_URL_MALFORMAT:
      return kErrorInvalidUrl;
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kErrorProxyUnreachable;
    case CURLE_COULDNT_RESOLVE_HOST:
      return kErrorNameNotResolved;
    case CURLE_COULDNT_CONNECT:
      return kErrorCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
      return kErrorTimeout;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
    case CURLE_TOO_MANY_REDIRECTS:  // a redirect loop is a server that never answers
      return kErrorInvalidServerResponse;
    case CURLE_PARTIAL_FILE:
      return kErrorConnectionAborted;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
      return kErrorConnectionReset;
    case CURLE_FILESIZE_EXCEEDED:
      return kErrorBodyTooLarge;
    case CURLE_ABORTED_BY_CALLBACK:
      return kErrorOperationCancelled;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
      return kErrorSecureChannel;
    case CURLE_PEER_FAILED_VERIFICATION:
      return kErrorInvalidCert;
    case CURLE_SSL_ISSUER_ERROR:
      return kErrorInvalidCa;
    default:
      return kErrorInternal;
  }
}

int32_t InternetErrorFromCertificateCheck(long verify_result) {
  switch (verify_result) {
    case 0:
    case kHostnameMismatch:
      return kErrorCertNameInvalid;
    case kNotYetValid:
    case kExpired:
      return kErrorCertDateInvalid;
    case kUnableToGetIssuer:
    case kSelfSignedLeaf:
    case kSelfSignedInChain:
    case kUnableToGetIssuerLocally:
    case kUnableToVerifyLeaf:
    case kInvalidCa:
      return kErrorInvalidCa;
    case kRevoked:
      return kErrorCertRevoked;
    case kUnableToDecryptSignature:
    case kUnableToDecodeIssuerKey:
    case kSignatureFailure:
    case kUntrusted:
    case kRejected:
      return kErrorInvalidCert;
    default:
      return kErrorCertErrors;
  }
}

}  // namespace kestrum
