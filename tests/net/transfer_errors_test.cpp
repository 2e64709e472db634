#include "net/transfer_errors.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include "net/status_text.h"

namespace kestrum {
namespace {

TEST(InternetErrorFromCurl, NamesEachFailureByItsWindowsCode) {
  const std::pair<CURLcode, int32_t> cases[] = {
      {CURLE_OK, 0},
      {CURLE_COULDNT_RESOLVE_HOST, 12007},
      {CURLE_COULDNT_CONNECT, 12029},
      {CURLE_OPERATION_TIMEDOUT, 12002},
      {CURLE_WEIRD_SERVER_REPLY, 12152},
      {CURLE_GOT_NOTHING, 12152},
      {CURLE_TOO_MANY_REDIRECTS, 12152},
      {CURLE_PARTIAL_FILE, 12030},
      {CURLE_RECV_ERROR, 12031},
      {CURLE_URL_MALFORMAT, 12005},
      {CURLE_UNSUPPORTED_PROTOCOL, 12006},
      {CURLE_SSL_CONNECT_ERROR, 12157},
      {CURLE_FILESIZE_EXCEEDED, 12017},  // cancelled here, not an answer of the server
      {CURLE_OUT_OF_MEMORY, 12004},
  };
  for (const auto& [curl_code, code] : cases) {
    EXPECT_EQ(InternetErrorFromCurl(curl_code), code) << curl_code;
    if (code != 0) {
      EXPECT_NE(GetStatusText(code), kUnknownResponseCode) << code;
    }
  }
}

TEST(InternetErrorFromCertificateCheck, SortsVerificationResults) {
  const std::pair<long, int32_t> cases[] = {
      {0, 12038},  {62, 12038},  // host name mismatch
      {9, 12037},  {10, 12037},  // not yet valid, expired
      {18, 12045}, {19, 12045}, {20, 12045}, {21, 12045}, {23, 12170}, {7, 12169}, {999, 12055},
  };
  for (const auto& [result, code] : cases) EXPECT_EQ(InternetErrorFromCertificateCheck(result), code) << result;
}

}  // namespace
}  // namespace kestrum
