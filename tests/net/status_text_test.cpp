#include "net/status_text.h"

#include <gtest/gtest.h>

#include <climits>

namespace kestrum {
namespace {

TEST(GetStatusText, GivesTheTextOfListedCodes) {
  const std::pair<int32_t, const char*> cases[] = {
      {200, "OK"},
      {203, "Non-authoritative information"},
      {206, "Partial content"},
      {300, "Multiple choices"},
      {307, "Temporary redirect"},
      {400, "Bad request"},
      {404, "Not found"},
      {413, "Request entity too large"},
      {414, "Request-uri too long"},
      {416, "Requested range not satisfiable"},
      {417, "Expectation failed"},
      {500, "Internal server error"},
      {505, "Http version not supported"},
      {12000, "Error base"},
      {12002, "Timeout"},
      {12007, "Name not resolved"},
      {12029, "Cannot connect"},
      {12034, "Need UI"},
      {12036, "Handle exists"},
      {12052, "HTTPS HTTP submit redir"},
      {12057, "Security cert rev failed"},
      {12152, "Error http invalid server response"},
      {12157, "Security channel error"},
      {12159, "TCPIP not installed"},
      {12163, "Disconnected"},
      {12167, "Unable to download script"},
      {12169, "Security invalid cert"},
      {12170, "Security cert revoked"},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(GetStatusText(code), text) << code;
}

TEST(GetStatusText, GivesUnknownForEveryUnlistedCode) {
  const int32_t cases[] = {0,     -1,    INT_MIN, INT_MAX, 100,   199,   207,   308,   418,   499,   506,
                           11999, 12035, 12051,   12058,   12151, 12153, 12156, 12160, 12162, 12168, 12171};
  for (const int32_t code : cases) EXPECT_EQ(GetStatusText(code), kUnknownResponseCode) << code;
}

TEST(GetStatusText, ListsExactlyTheTableRows) {
  // 39 HTTP codes and 67 Windows Internet codes: a row lost or invented changes the count.
  int http = 0, internet = 0;
  for (int32_t code = 0; code < 20000; ++code) {
    if (GetStatusText(code) == kUnknownResponseCode) continue;
    (code < 1000 ? http : internet)++;
  }
  EXPECT_EQ(http, 39);
  EXPECT_EQ(internet, 67);
}

}  // namespace
}  // namespace kestrum
