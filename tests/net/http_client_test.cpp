#include "net/http_client.h"

#include <gtest/gtest.h>

#include "core/text.h"
#include "http_fixture.h"
#include "net/fetch_facts.h"
#include "net/inet_errors.h"
#include "net/request_address.h"

namespace kestrum {
namespace {

const std::string kPage = "<html><body>caf\xC3\xA9 \xE2\x82\xAC</body></html>\n";
const std::string kPageInAnsi = "<html><body>caf\xE9 \x80</body></html>\n";
const std::string kBinary("MZ\0\x01\x7F\x80\xFF\xFE\r\n\0end", 14);

class FetchTest : public testing::HttpTest {
 protected:
  void SetUp() override {
    auto& routes = server.server();
    routes.Get("/page", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(kPage, "text/html; charset=utf-8");
    });
    routes.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
      response.status = 404;
      response.set_content("gone page", "text/html");
    });
    routes.Get("/broken", [](const httplib::Request&, httplib::Response& response) {
      response.status = 500;
      response.set_content("oops", "text/html");
    });
    routes.Get("/binary", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(kBinary, "application/octet-stream");
    });
    routes.Get("/proxy", [](const httplib::Request& request, httplib::Response& response) {
      response.set_content("proxied " + request.get_param_value("url"), "text/plain");
    });
    routes.Get("/online.txt", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("online", "text/plain");
    });
    server.start();
  }
};

TEST_F(FetchTest, BothMethodsSaveThePageAndShowItsHeaders) {
  struct Case {
    bool xmlhttp;
    int32_t status;
    std::string file;
  };
  // The XMLHTTP method saves the decoded text in ANSI plus CR LF; the download method the bytes.
  for (const Case& c : {Case{true, 200, kPageInAnsi + "\r\n"}, Case{false, 0, kPage}}) {
    useXmlHttp(c.xmlhttp);
    window.headers().setText("old headers");
    std::string address = server.url("/page");
    const FetchResult result = FetchURL(program.ctx, address, page());
    EXPECT_EQ(result.Status, c.status);
    EXPECT_EQ(pageText(), c.file);
    EXPECT_EQ(result.RequestURL, server.url("/page"));
    EXPECT_EQ(result.BodyFile, page());
    EXPECT_TRUE(Contains(result.HeaderText, "Content-Type: text/html; charset=utf-8\r\n")) << result.HeaderText;
    EXPECT_FALSE(StartsWith(result.HeaderText, "HTTP/")) << "the status line is not a header";
    EXPECT_EQ(window.headers().text(), result.HeaderText);
  }
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FetchTest, ErrorPagesAreSavedAndTheirStatusShown) {
  struct Case {
    const char* path;
    bool xmlhttp;
    int32_t status;
    const char* file;
    const char* headers;
  };
  const Case cases[] = {
      {"/missing", true, 404, "gone page\r\n", "Server returned status code: 404\r\n\r\nNot found"},
      {"/missing", false, 404, "gone page", "Server returned status code: 404\r\n\r\nNot found"},
      {"/broken", true, 500, "oops\r\n", "Server returned status code: 500\r\n\r\nInternal server error"},
      {"/broken", false, 500, "oops", "Server returned status code: 500\r\n\r\nInternal server error"},
  };
  for (const Case& c : cases) {
    useXmlHttp(c.xmlhttp);
    std::string address = server.url(c.path);
    const FetchResult result = FetchURL(program.ctx, address, page());
    EXPECT_EQ(result.Status, c.status) << c.path << c.xmlhttp;
    EXPECT_EQ(pageText(), c.file) << c.path << c.xmlhttp;
    EXPECT_EQ(result.HeaderText, c.headers);
    EXPECT_EQ(window.headers().text(), c.headers);
  }
}

TEST_F(FetchTest, DownloadKeepsEveryByteWhileXmlHttpDecodesText) {
  useXmlHttp(false);
  std::string address = server.url("/binary");
  EXPECT_EQ(FetchURL(program.ctx, address, page()).Status, 0);
  EXPECT_EQ(pageText(), kBinary);

  useXmlHttp(true);
  EXPECT_EQ(FetchURL(program.ctx, address, page()).Status, 200);
  EXPECT_EQ(pageText(), std::string("MZ\0\x01\x7F???\r\n\0end\r\n", 16)) << "not UTF-8: each bad byte is one ?";
}

TEST_F(FetchTest, ContentRequestSendsChosenAgentAndReferrerHeaderRequestOnlyItsOwnAgent) {
  useXmlHttp(true);
  set("cboUAString", "Custom Agent/1.0");
  set("txtReferer", "http://referrer.test/from");
  std::string address = server.url("/page");
  FetchURL(program.ctx, address, page());
  server.stop();
  const auto seen_requests = requests();
  ASSERT_EQ(seen_requests.size(), 2u);
  EXPECT_EQ(seen_requests[0].user_agent, "Custom Agent/1.0");
  EXPECT_EQ(seen_requests[0].referer, "http://referrer.test/from");
  EXPECT_EQ(seen_requests[1].user_agent, DefaultUserAgent());
  EXPECT_FALSE(seen_requests[1].has_referer);
}

TEST_F(FetchTest, ProxyTemplateReplacesOnlyTheUrlPlaceholder) {
  set("chkProxy", "1");
  useXmlHttp(true);
  program.ctx.proxy_template = server.url("/proxy?url=[URL]&ref=[REF]");
  std::string address = "http://target.test/x";
  const FetchResult result = FetchURL(program.ctx, address, page());
  EXPECT_EQ(address, server.url("/proxy?url=http://target.test/x&ref=[REF]"));
  EXPECT_EQ(result.RequestURL, address);
  EXPECT_EQ(pageText(), "proxied http://target.test/x\r\n");

  // A template without the placeholder is requested as it stands.
  program.ctx.proxy_template = server.url("/proxy?url=fixed");
  address = "http://target.test/x";
  FetchURL(program.ctx, address, page());
  EXPECT_EQ(pageText(), "proxied fixed\r\n");

  server.stop();
  const auto seen_requests = requests();
  ASSERT_EQ(seen_requests.size(), 4u);
  EXPECT_EQ(seen_requests[0].target, "/proxy?url=http://target.test/x&ref=[REF]");
  EXPECT_EQ(seen_requests[1].target, seen_requests[0].target) << "the header request goes the same way";
  EXPECT_EQ(seen_requests[2].target, "/proxy?url=fixed");
}

TEST_F(FetchTest, TheFactsGetTheFingerprintsTheirReaderAskedFor) {
  // A text report shows SHA-256 alone and asks for nothing more; each further digest costs
  // milliseconds a megabyte.
  useXmlHttp(false);
  for (const bool all : {false, true}) {
    FetchFacts facts;
    facts.all_fingerprints = all;
    program.ctx.page_fetch_facts = &facts;
    std::string address = server.url("/page");
    FetchURL(program.ctx, address, page());
    EXPECT_EQ(facts.sha256, "53e4f8681d5a163836fa65e229b7379e2068d34be69d19b1a03ceb7d1774f20c");
    EXPECT_EQ(facts.sha1, all ? "f98f0a13a1fb0a0369373ca50068de3a6a2bbb54" : "") << all;
    EXPECT_EQ(facts.md5, all ? "031c79b174a6fb0b712b3fc554c02679" : "") << all;
    EXPECT_EQ(facts.all_fingerprints, all);
  }
}

TEST_F(FetchTest, AddressWithoutProtocolIsFetchedOverHttp) {
  for (const bool xmlhttp : {true, false}) {
    useXmlHttp(xmlhttp);
    std::string address = "127.0.0.1:" + std::to_string(server.port()) + "/page";
    const FetchResult result = FetchURL(program.ctx, address, page());
    if (xmlhttp) {
      EXPECT_EQ(result.Status, 200);
    } else {
      EXPECT_EQ(result.Status, kErrorUnrecognizedScheme) << "the download method takes addresses only";
    }
    EXPECT_TRUE(Contains(result.HeaderText, "Content-Type")) << xmlhttp;
  }
}

TEST(RequestAddress, EachRequestHasItsOwnProtocolRule) {
  struct Case {
    const char* address;
    const char* content;
    const char* headers;
  };
  const Case cases[] = {
      {"example.com/x", "http://example.com/x", "http://example.com/x"},
      {"http://example.com/", "http://example.com/", "http://example.com/"},
      {"https://example.com/", "https://example.com/", "https://example.com/"},
      {"HTTP://example.com/", "http://HTTP://example.com/", "HTTP://example.com/"},
      {"HTTPS://example.com/", "http://HTTPS://example.com/", "HTTPS://example.com/"},
      {"ftp://example.com/", "http://ftp://example.com/", "http://ftp://example.com/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ContentRequestAddress(c.address), c.content);
    EXPECT_EQ(HeaderRequestAddress(c.address), c.headers);
  }
}

TEST_F(FetchTest, ProxySettingsAndMethodCaption) {
  EXPECT_FALSE(ProxyEnabled(program.ctx));
  EXPECT_EQ(ReadSetting(program.ctx, "Settings", "chkProxy", "<none>"), "0") << "an empty switch is stored as 0";

  // The stored prefix gets the address appended to it.
  EXPECT_EQ(GetProxyTemplate(program.ctx), "http://127.0.0.1:8931/proxy/?url=[URL]");
  EXPECT_EQ(ReadSetting(program.ctx, "Settings", "Proxy_URL", ""), "http://127.0.0.1:8931/proxy/?url=");
  program.ctx.proxy_template = "http://chosen.test/?u=[URL]";
  EXPECT_EQ(GetProxyTemplate(program.ctx), "http://chosen.test/?u=[URL]");

  const std::tuple<const char*, const char*, const char*> captions[] = {
      {"1", "1", "Method: MSXML"}, {"0", "1", "Method: Winsock"}, {"0", "0", "Method: URLDownloadToFile"}};
  for (const auto& [msxml, winsock, caption] : captions) {
    set("chkMSXML", msxml);
    set("chkWinsock", winsock);
    EXPECT_EQ(FetchMethodText(program.ctx), caption);
  }
  EXPECT_EQ(DefaultUserAgent(), "Mozilla/4.0 (compatible; Kestrum Desktop Edition v0.3.7; Windows NT 5.1)");
  EXPECT_TRUE(IsMSXML6Available());
}

TEST_F(FetchTest, ConnectionTestFetchesTheCheckFileOnceWithoutAskingItself) {
  OverrideConnectionStateForTesting(false);
  set("IsTheInternetAlive", server.url("/online.txt"));
  for (const bool xmlhttp : {true, false}) {
    useXmlHttp(xmlhttp);
    EXPECT_TRUE(IsTheInternetAlive(program.ctx));
  }
  EXPECT_EQ(program.root.read("program/Storage/online.txt"), "online");
  EXPECT_TRUE(Contains(window.headers().text(), "Content-Type: text/plain"))
      << "its fetch shows headers like any other";
  server.stop();
  EXPECT_EQ(requests().size(), 4u) << "content and headers, once per method";
}

TEST_F(FetchTest, WithoutConnectionNothingIsFetched) {
  OverrideConnectionStateForTesting(false);
  WriteSetting(program.ctx, "Services", "KestrumServices",
               "http://127.0.0.1:" + std::to_string(testing::UnusedLoopbackPort()));
  useXmlHttp(true);
  program.root.write("page.htm", "earlier page");
  std::string address = server.url("/page");
  const FetchResult result = FetchURL(program.ctx, address, page());

  EXPECT_EQ(result.Status, kErrorDisconnected);
  EXPECT_EQ(result.HeaderText, "");
  EXPECT_EQ(pageText(), "earlier page");
  EXPECT_TRUE(StartsWith(ReadSetting(program.ctx, "Settings", "IsTheInternetAlive", ""), "http://127.0.0.1:"));
  EXPECT_TRUE(EndsWith(ReadSetting(program.ctx, "Settings", "IsTheInternetAlive", ""), "/online.txt"));
  ASSERT_EQ(desktop.messages.size(), 2u);
  EXPECT_EQ(desktop.messages[0].text, "Please connect to the internet first, then try again");
  EXPECT_EQ(desktop.messages[0].caption, "Kestrum Desktop Edition");
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(desktop.messages[1].caption, "Error downloading headers");
  server.stop();
  EXPECT_TRUE(requests().empty());
}

}  // namespace
}  // namespace kestrum
