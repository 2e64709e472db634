// Taking requests apart: heads with the unencoded targets the program sends, the Host check,
// query keys, the proxy's target and the phishing check's Base64 path.
#include <gtest/gtest.h>

#include "services/host_check.h"
#include "services/http_exchange.h"
#include "services/lenient_base64.h"
#include "services/proxy_target.h"
#include "services/request_target.h"

namespace kestrum::services {
namespace {

TEST(RequestHead, KeepsTheTargetsTheProgramSends) {
  struct Case {
    const char* request_line;
    const char* target;
  };
  const Case cases[] = {
      // A proxied address with its own query: two "?" in one target.
      {"GET /proxy/?url=http://a.test/p.php?id=1&x=2&ref=[REF] HTTP/1.1",
       "/proxy/?url=http://a.test/p.php?id=1&x=2&ref=[REF]"},
      {"GET /pwinb.asp?cl=kestrumde-v0.3.7&s=10.0.0.1,%2010.0.0.2||a.test HTTP/1.1",
       "/pwinb.asp?cl=kestrumde-v0.3.7&s=10.0.0.1,%2010.0.0.2||a.test"},
      // Absolute form, as a client configured to use us as a proxy sends it.
      {"GET http://127.0.0.1:8931/online.txt HTTP/1.1", "/online.txt"},
      {"GET http://127.0.0.1:8931 HTTP/1.1", "/"},
      {"GET http://127.0.0.1:8931?x=1 HTTP/1.0", "/?x=1"},
  };
  for (const Case& c : cases) {
    const ParsedRequest parsed = ParseRequestBytes(std::string(c.request_line) + "\r\nHost: x\r\n\r\n");
    ASSERT_TRUE(parsed.request) << c.request_line << " " << parsed.error.body;
    EXPECT_EQ(parsed.request->target, c.target);
  }
  // An absolute-form target names the host in place of the Host header.
  EXPECT_EQ(ParseRequestBytes("GET http://Evil.Example:80/ HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").request->host,
            "Evil.Example:80");
}

TEST(RequestHead, RefusesWhatCannotBeServed) {
  struct Case {
    std::string head;  // the blank line that ends it is added
    int status;
  };
  const Case cases[] = {
      {"GET", 400},
      {"GET /", 400},
      {"GET / HTTP/2.0", 400},
      {"GET / HTTP/9.9", 400},
      {"GET / SPDY/3", 400},
      {"G(T / HTTP/1.1", 400},
      {"GET  HTTP/1.1", 400},
      {"GET /a\x01z HTTP/1.1", 400},
      // A blank cannot be told from the end of the target; the program escapes it.
      {"GET /pwinb.asp?cl=x&s=10.0.0.1, 10.0.0.2||a.test HTTP/1.1", 400},
      {"GET / HTTP/1.1\r\nno colon here", 400},
      {"GET / HTTP/1.1\r\n: empty name", 400},
      {"GET / HTTP/1.1\r\nContent-Length: 12x", 400},
      {"GET / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6", 400},
      {"GET / HTTP/1.1\r\nContent-Length: 99999999999999999999999", 400},
      {"GET /?" + std::string(40000, 'a') + " HTTP/1.1", 414},
      {"GET / HTTP/1.1\r\nX: " + std::string(40000, 'b'), 431},
      {"POST /checkurl/YQ== HTTP/1.1\r\nTransfer-Encoding: chunked", 411},
      {"POST /checkurl/YQ== HTTP/1.1\r\nContent-Length: 100000000", 413},
  };
  for (const Case& c : cases) {
    const ParsedRequest parsed = ParseRequestBytes(c.head + "\r\n\r\n");
    EXPECT_FALSE(parsed.request) << c.head.substr(0, 60);
    EXPECT_EQ(parsed.error.status, c.status) << c.head.substr(0, 60);
  }
}

TEST(RequestHead, ReadsTheHeadersTheExchangesUse) {
  const ParsedRequest parsed = ParseRequestBytes(
      "POST /checkurl/abc HTTP/1.0\r\nuser-agent: Kestrum Desktop Edition v0.3.7\r\nREFERER: http://r.test/\r\n"
      "Via: 1.1 a\r\nVia: 1.1 kestrum-services\r\nContent-Length: 4\r\nConnection: keep-alive\r\n"
      "Host: 127.0.0.1:8931\r\n\r\nbody");
  ASSERT_TRUE(parsed.request) << parsed.error.body;
  EXPECT_EQ(parsed.request->method, "POST");
  EXPECT_EQ(parsed.request->user_agent, "Kestrum Desktop Edition v0.3.7");
  EXPECT_EQ(parsed.request->referrer, "http://r.test/");
  EXPECT_EQ(parsed.request->via, "1.1 a, 1.1 kestrum-services");
  EXPECT_EQ(parsed.request->host, "127.0.0.1:8931");
  EXPECT_TRUE(parsed.keep_alive);

  EXPECT_FALSE(ParseRequestBytes("GET / HTTP/1.0\r\n\r\n").keep_alive);
  EXPECT_FALSE(ParseRequestBytes("GET / HTTP/1.1\r\nConnection: close\r\n\r\n").keep_alive);
  EXPECT_TRUE(ParseRequestBytes("GET / HTTP/1.1\r\n\r\n").keep_alive);
  // A head that has not ended is not a request yet.
  EXPECT_FALSE(ParseRequestBytes("GET / HTTP/1.1\r\nHost: x\r\n").request);
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
  EXPECT_TRUE(head_only.ends_with("Connection: keep-alive\r\n\r\n")) << head_only;
  // A target's unusual status passes through with a reason of its class.
  const std::string odd = SerializeAnswer(PlainAnswer(456, ""), true, false);
  EXPECT_EQ(odd.substr(0, odd.find("\r\n")), "HTTP/1.1 456 Client Error");
}

TEST(HostCheck, PassesOnlyTheNamesTheServiceIsReachedBy) {
  struct Case {
    const char* listen;
    std::vector<std::string> names;
    const char* host;
    const char* local;
    bool allowed;
  };
  const Case cases[] = {
      {"127.0.0.1", {}, "127.0.0.1:8931", "127.0.0.1", true},
      {"127.0.0.1", {}, "localhost:8931", "127.0.0.1", true},
      {"127.0.0.1", {}, "LocalHost.", "127.0.0.1", true},
      {"127.0.0.1", {}, "", "127.0.0.1", true},  // no Host at all: no browser sends that
      {"127.0.0.1", {}, "evil.example", "127.0.0.1", false},
      {"127.0.0.1", {}, "evil.example:8931", "127.0.0.1", false},
      {"127.0.0.1", {}, "127.0.0.1.evil.example", "127.0.0.1", false},
      {"127.0.0.1", {}, "x@evil.example", "127.0.0.1", false},
      {"127.0.0.1", {}, ":8931", "127.0.0.1", false},
      {"::1", {}, "[::1]:8931", "::1", true},
      {"::1", {}, "[0:0::1]", "::1", true},
      {"localhost", {}, "localhost", "127.0.0.1", true},
      {"0.0.0.0", {"Lookups.Team.Lan"}, "lookups.team.lan:8931", "192.0.2.10", true},
      {"0.0.0.0", {"lookups.team.lan"}, "192.0.2.10:8931", "192.0.2.10", true},  // the address dialled
      {"0.0.0.0", {}, "192.0.2.10", "::ffff:192.0.2.10", true},
      {"0.0.0.0", {}, "192.0.2.99", "192.0.2.10", false},
      {"0.0.0.0", {}, "localhost", "192.0.2.10", false},
      {"0.0.0.0", {"lookups.team.lan"}, "evil.example", "192.0.2.10", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HostCheck(c.listen, c.names).Allows(c.host, c.local), c.allowed) << c.listen << " " << c.host;
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
