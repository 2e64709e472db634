// The proxy script fetching from a local target site, as the program's proxy template calls it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "service_process.h"
#include "support/local_server.h"
#include "support/temp_folder.h"

namespace kestrum::testing {
namespace {

class ProxyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    site = new LocalServer();
    httplib::Server& server = site->server();
    server.Get("/page", [](const httplib::Request& req, httplib::Response& res) {
      res.set_header("X-Site-Header", "kept");
      res.set_header("Set-Cookie", "session=1");
      res.set_content("target=" + req.target + ";ua=" + req.get_header_value("User-Agent") +
                          ";ref=" + req.get_header_value("Referer") + ";via=" + req.get_header_value("Via"),
                      "text/x-test");
    });
    server.Get("/redirect",
               [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/page?from=redirect"); });
    server.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
    server.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("no such page", "text/html");
    });
    server.Get("/big", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(2000, 'x'), "application/octet-stream");
    });
    server.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
      std::this_thread::sleep_for(std::chrono::seconds(3));
      res.set_content("late", "text/plain");
    });
    site->start();
    data = new TempFolder();
    service = new ServiceProcess(
        {"--data", data->path(), "--allow-private-targets", "--proxy-timeout", "1", "--proxy-max-bytes", "1000"});
  }
  static void TearDownTestSuite() {
    delete service;
    delete data;
    delete site;
  }

  // The program's template "?url=[URL]&ref=[REF]", filled by plain replacement.
  static RawResponse ThroughProxy(const std::string& target, const std::string& ref = "[REF]",
                                  const std::string& headers = "") {
    return Exchange(service->port(), "GET", "/proxy/?url=" + target + "&ref=" + ref, headers);
  }

  static LocalServer* site;
  static TempFolder* data;
  static ServiceProcess* service;
};

LocalServer* ProxyTest::site = nullptr;
TempFolder* ProxyTest::data = nullptr;
ServiceProcess* ProxyTest::service = nullptr;

TEST_F(ProxyTest, PassesOnTheTargetsAnswerWithItsOwnQueryIntact) {
  const RawResponse response =
      ThroughProxy(site->url("/page?x=1&y=2"), "[REF]", "User-Agent: Mozilla/4.0 (compatible; Kestrum)\r\n");
  ASSERT_EQ(response.status, 200) << response.body;
  EXPECT_EQ(response.body, "target=/page?x=1&y=2;ua=Mozilla/4.0 (compatible; Kestrum);ref=;via=1.1 kestrum-services");
  EXPECT_EQ(response.headers.at("content-type"), "text/x-test");
  EXPECT_EQ(response.headers.at("x-site-header"), "kept");
  EXPECT_EQ(response.headers.at("set-cookie"), "session=1");
  EXPECT_EQ(response.headers.at("x-kestrum-final-url"), site->url("/page?x=1&y=2"));
  EXPECT_EQ(response.headers.at("content-security-policy"), "sandbox");
  EXPECT_EQ(response.headers.count("content-encoding"), 0u);  // decoded here, passed on plain
}

TEST_F(ProxyTest, SendsAFilledReferrerAndReadsAnEncodedTarget) {
  EXPECT_EQ(ThroughProxy(site->url("/page"), "http://referrer.test/").body,
            "target=/page;ua=;ref=http://referrer.test/;via=1.1 kestrum-services");
  const std::string encoded = "http%3A%2F%2F127.0.0.1%3A" + std::to_string(site->port()) + "%2Fpage%3Fq%3D%2541";
  EXPECT_EQ(ThroughProxy(encoded).body, "target=/page?q=%41;ua=;ref=;via=1.1 kestrum-services");
}

TEST_F(ProxyTest, FollowsRedirectsItselfAndPassesOnErrorPages) {
  const RawResponse redirected = ThroughProxy(site->url("/redirect"));
  EXPECT_EQ(redirected.status, 200);
  EXPECT_EQ(redirected.headers.at("x-kestrum-final-url"), site->url("/page?from=redirect"));
  EXPECT_EQ(redirected.body.substr(0, 26), "target=/page?from=redirect");

  const RawResponse missing = ThroughProxy(site->url("/missing"));
  EXPECT_EQ(missing.status, 404);
  EXPECT_EQ(missing.body, "no such page");
}

TEST_F(ProxyTest, ReportsFetchesItCannotCompleteAsBadGateway) {
  struct Case {
    std::string target;
    const char* says;
  };
  const Case cases[] = {
      {site->url("/loop"), "more than 10 redirects"},
      {site->url("/big"), "larger than 1000 bytes"},
      {site->url("/slow"), "imeout"},
      {"http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/", "onnect"},
  };
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    const RawResponse response = ThroughProxy(c.target);
    EXPECT_EQ(response.status, 502) << c.target;
    EXPECT_NE(response.body.find(c.says), std::string::npos) << response.body;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << c.target;
  }
  EXPECT_EQ(Exchange(service->port(), "GET", "/online.txt").status, 200);
}

}  // namespace
}  // namespace kestrum::testing
