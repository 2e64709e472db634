// Taking requests apart: heads with the unencoded targets the program sends, query keys, the
// proxy's target and the phishing check's Base64 path.
#include <gtest/gtest.h>

#include "services/lenient_base64.h"
#include "services/proxy_target.h"
#include "services/request_head.h"
#include "services/request_target.h"

namespace kestrum::services {
namespace {

TEST(RequestHead, KeepsTargetsThatStrictParsersRefuse) {
  struct Case {
    const char* head;
    const char* target;
  };
  const Case cases[] = {
      // A proxied address with its own query: two "?" in one target.
      {"GET /proxy/?url=http://a.test/p.php?id=1&x=2&ref=[REF] HTTP/1.1",
       "/proxy/?url=http://a.test/p.php?id=1&x=2&ref=[REF]"},
      // An address list sent unencoded holds a blank.
      {"GET /pwinb.asp?cl=kestrumde-v0.3.7&s=10.0.0.1, 10.0.0.2||a.test HTTP/1.1",
       "/pwinb.asp?cl=kestrumde-v0.3.7&s=10.0.0.1, 10.0.0.2||a.test"},
      // Absolute form, as a client configured to use us as a proxy sends it.
      {"GET http://127.0.0.1:8931/online.txt HTTP/1.1", "/online.txt"},
      {"GET http://127.0.0.1:8931 HTTP/1.1", "/"},
      {"\r\nGET / HTTP/1.0", "/"},
  };
  for (const Case& c : cases) {
    const HeadParse parse = ParseRequestHead(std::string(c.head) + "\r\nHost: x\r\n");
    ASSERT_TRUE(parse.head) << c.head;
    EXPECT_EQ(parse.head->target, c.target);
  }
}

TEST(RequestHead, RefusesWhatCannotBeARequest) {
  const char* heads[] = {
      "",
      "GET",
      "GET /",
      "GET / HTTP/2.0",
      "GET / SPDY/3",
      "G(T / HTTP/1.1",
      "GET  HTTP/1.1",
      "GET /a\x01z HTTP/1.1",
      "GET / HTTP/1.1\r\nno colon here",
      "GET / HTTP/1.1\r\n: empty name",
      "GET / HTTP/1.1\r\nContent-Length: 12x",
      "GET / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6",
      "GET / HTTP/1.1\r\nContent-Length: 99999999999999999999999",
  };
  for (const char* head : heads) {
    const HeadParse parse = ParseRequestHead(head);
    EXPECT_FALSE(parse.head) << head;
    EXPECT_EQ(parse.error.status, 400) << head;
  }
}

TEST(RequestHead, ReadsTheHeadersTheExchangesUse) {
  const HeadParse parse = ParseRequestHead(
      "POST /checkurl/abc HTTP/1.0\r\nuser-agent: Kestrum Desktop Edition v0.3.7\r\nREFERER: http://r.test/\r\n"
      "Via: 1.1 a\r\nVia: 1.1 kestrum-services\r\nContent-Length: 4\r\nConnection: keep-alive\r\n"
      "Expect: 100-continue\r\nTransfer-Encoding: chunked");
  ASSERT_TRUE(parse.head);
  EXPECT_EQ(parse.head->method, "POST");
  EXPECT_EQ(parse.head->user_agent, "Kestrum Desktop Edition v0.3.7");
  EXPECT_EQ(parse.head->referrer, "http://r.test/");
  EXPECT_EQ(parse.head->via, "1.1 a, 1.1 kestrum-services");
  EXPECT_EQ(parse.head->content_length, 4u);
  EXPECT_TRUE(parse.head->keep_alive);
  EXPECT_TRUE(parse.head->expects_continue);
  EXPECT_TRUE(parse.head->chunked);

  EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.0").head->keep_alive);
  EXPECT_FALSE(ParseRequestHead("GET / HTTP/1.1\r\nConnection: close").head->keep_alive);
}

TEST(RequestHead, FindsTheBlankLineThatEndsIt) {
  EXPECT_EQ(EndOfHead("GET / HTTP/1.1\r\nHost: x\r\n\r\nBODY"), 27u);
  EXPECT_EQ(EndOfHead("GET / HTTP/1.1\nHost: x\n\nBODY"), 24u);
  EXPECT_EQ(EndOfHead("GET / HTTP/1.1\r\nHost: x\r\n"), std::string_view::npos);
  EXPECT_EQ(EndOfHead(""), std::string_view::npos);
  // Searching on from where the last piece ended still finds a blank line split across pieces.
  EXPECT_EQ(EndOfHead("GET / HTTP/1.1\r\n\r\n", 15), 18u);
  EXPECT_EQ(EndOfHead("GET / HTTP/1.1\r\n\r\n", 16), std::string_view::npos);
}

TEST(RequestHead, SerializesAnAnswerWithItsLengthAndWithoutBodyForHead) {
  ServiceAnswer answer = PlainAnswer(404, "gone");
  answer.headers.emplace_back("Allow", "GET");
  const std::string full = SerializeAnswer(answer, true, false);
  EXPECT_EQ(full.substr(0, full.find("\r\n")), "HTTP/1.1 404 Not Found");
  EXPECT_NE(full.find("\r\nContent-Length: 4\r\n"), std::string::npos);
  EXPECT_NE(full.find("\r\nAllow: GET\r\n"), std::string::npos);
  EXPECT_NE(full.find("\r\nConnection: close\r\n\r\ngone"), std::string::npos);
  const std::string head_only = SerializeAnswer(answer, false, true);
  EXPECT_NE(head_only.find("Content-Length: 4\r\n"), std::string::npos);
  EXPECT_TRUE(head_only.ends_with("Connection: keep-alive\r\n\r\n"));
}

TEST(QueryParameters, DecodesLikeAFormAndKeepsTheFirstOfAKey) {
  const QueryParameters query("v=KestrumDE_v0.3.7&s=http://a.test&S=second&sq=a%2Eb+c&empty=&flag&%zz=1");
  EXPECT_EQ(query.Find("v"), "KestrumDE_v0.3.7");
  EXPECT_EQ(query.Find("s"), "http://a.test");  // unencoded protocol and "://" arrive whole
  EXPECT_EQ(query.Find("sq"), "a.b c");
  EXPECT_EQ(query.Find("empty"), "");
  EXPECT_EQ(query.Find("flag"), "");
  EXPECT_EQ(query.Find("%zz"), "1");  // a malformed escape stays as it is
  EXPECT_FALSE(query.Find("missing"));
}

TEST(RequestTarget, DecodesThePathButNotItsPlusSigns) {
  const auto split = SplitRequestTarget("/checkurl/aGk+Lw%3D%3D%0D%0A?x=1");
  ASSERT_TRUE(split);
  EXPECT_EQ(split->path, "/checkurl/aGk+Lw==\r\n");
  EXPECT_EQ(split->raw_query, "x=1");
  EXPECT_FALSE(SplitRequestTarget(""));
  EXPECT_FALSE(SplitRequestTarget("checkurl/"));
  EXPECT_FALSE(SplitRequestTarget("/" + std::string(kMaxTargetLength, 'a')));
}

TEST(ProxyQuery, TakesTheTargetUpToTheLastRefKey) {
  struct Case {
    const char* query;
    const char* target;
    const char* referrer;
  };
  const Case cases[] = {
      {"url=http://a.test/&ref=[REF]", "http://a.test/", ""},
      {"url=http://a.test/p?x=1&y=2&ref=[REF]", "http://a.test/p?x=1&y=2", ""},
      {"url=http://a.test/p?ref=1&ref=http://r.test/", "http://a.test/p?ref=1", "http://r.test/"},
      {"url=http://a.test/p?x=1&ref=2&ref=%5BREF%5D", "http://a.test/p?x=1&ref=2", ""},
      {"url=http%3A%2F%2Fa.test%2Fp%3Fx%3D1&ref=", "http://a.test/p?x=1", ""},
      {"url=http://a.test/%41", "http://a.test/%41", ""},  // raw targets keep their escapes
      {"x=1&URL=http://a.test/", "http://a.test/", ""},
  };
  for (const Case& c : cases) {
    const auto query = ParseProxyQuery(c.query);
    ASSERT_TRUE(query) << c.query;
    EXPECT_EQ(query->target, c.target) << c.query;
    EXPECT_EQ(query->referrer, c.referrer) << c.query;
  }
  for (const char* missing : {"", "ref=[REF]", "url=", "url=&ref=x", "curl=http://a.test/"})
    EXPECT_FALSE(ParseProxyQuery(missing)) << missing;
}

TEST(ProxyTarget, FetchesOnlyHttpAndHttps) {
  struct Case {
    const char* target;
    const char* address;  // nullptr: refused
  };
  const Case cases[] = {
      {"http://a.test/", "http://a.test/"},
      {"HTTPS://a.test:8443/x", "HTTPS://a.test:8443/x"},
      {"a.test/page", "http://a.test/page"},
      {"http://a.test/a b\xE9", "http://a.test/a%20b%E9"},
      {"ftp://a.test/", nullptr},
      {"file:///etc/passwd", nullptr},
      {"gopher://a.test/", nullptr},
      {"http:///nohost", nullptr},
      {"http://user@:80/", nullptr},
      {"http://a.test/\r\nX: y", nullptr},
  };
  for (const Case& c : cases) {
    const auto address = ProxyTargetAddress(c.target);
    if (c.address)
      EXPECT_EQ(address, c.address) << c.target;
    else
      EXPECT_FALSE(address) << c.target;
  }
}

TEST(LenientBase64, ReadsTheProgramsEncoderHoweverItsLineBreaksTravel) {
  // 55 bytes: the encoder writes 72 characters, CR LF, then the last group.
  const std::string address = "http://phish.kestrum.test/a/very/long/path/login.html?x";
  const std::string encoded = "aHR0cDovL3BoaXNoLmtlc3RydW0udGVzdC9hL3ZlcnkvbG9uZy9wYXRoL2xvZ2luLmh0bWw/\r\neA==";
  EXPECT_EQ(DecodeBase64Leniently(encoded), address);
  EXPECT_EQ(DecodeBase64Leniently(std::string(encoded).erase(72, 2)), address);
  EXPECT_EQ(DecodeBase64Leniently("aHR0cDovL2EudGVzdC8_eA"), "http://a.test/?x");  // URL-safe, no padding
  EXPECT_EQ(DecodeBase64Leniently("YQ=="), "a");
  EXPECT_EQ(DecodeBase64Leniently("YWI"), "ab");
  EXPECT_EQ(DecodeBase64Leniently(""), "");
  for (const char* bad : {"Y", "YQ==YQ==", "YW!j", "YWJj\x80"}) EXPECT_FALSE(DecodeBase64Leniently(bad)) << bad;
}

}  // namespace
}  // namespace kestrum::services
