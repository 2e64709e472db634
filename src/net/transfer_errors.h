#pragma once
// Failures of the transfer library and of certificate checks, as Windows Internet error codes.
#include <cstdint>

namespace kestrum {

// The code for a libcurl result (CURLcode value); 0 for success.
int32_t InternetErrorFromCurl(int curl_code);

// The code for a failed certificate check: the certificate verification result (an OpenSSL
// X509_V_ERR value), 0 when the chain was good and the host name did not match.
int32_t InternetErrorFromCertificateCheck(long verify_result);

}  // namespace kestrum
