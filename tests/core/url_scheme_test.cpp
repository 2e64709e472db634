#include "core/url_scheme.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

TEST(IsURL, KnownSchemeFollowedByColon) {
  struct Case {
    const char* text;
    bool is_url;
  } const cases[] = {
      {"http://example.com/", true},
      {"HTTPS://EXAMPLE.COM", true},
      {"ftp://files.example/x.zip", true},
      {"mailto:someone@example.com", true},
      {"JavaScript:void(0)", true},
      {"about:blank", true},
      {"ms-its:help.chm::/index.htm", true},
      {"file:///tmp/page.html", true},
      {"http:", true},
      // Not addresses: bare hosts, host:port, local paths, unknown or broken schemes.
      {"example.com", false},
      {"www.example.com:8080/x", false},
      {"localhost:8080", false},
      {"C:\\dir\\file.txt", false},
      {"/tmp/page.html", false},
      {"htp://example.com", false},
      {"made-up-scheme://x", false},
      {" http://example.com", false},
      {"http", false},
      {"", false},
      {":", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsURL(c.text), c.is_url) << c.text;
}

TEST(IsURL, KnownSchemeIsReportedInLowerCase) {
  EXPECT_EQ(KnownSchemeOf("HtTp://x"), "http");
  EXPECT_EQ(KnownSchemeOf("h\xe9llo:x"), "");
}

}  // namespace
}  // namespace kestrum
