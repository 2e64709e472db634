// The real kestrum-services executable, driven over HTTP with the requests the program sends,
// and with requests no program should send.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <filesystem>
#include <thread>

#include "core/ini_profile.h"
#include "core/text.h"
#include "service_process.h"
#include "support/temp_folder.h"

namespace kestrum::testing {
namespace {

const std::string kestrum_services = std::string(KESTRUM_BINARY_DIR) + "/bin/kestrum-services";

// Base64 of "http://phish.test/login.html?user=1&x=<b>" as the program's encoder writes it.
constexpr const char* kPhishBase64 = "aHR0cDovL3BoaXNoLnRlc3QvbG9naW4uaHRtbD91c2VyPTEmeD08Yj4=";

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data.write("braxel.txt", "127.0.0.1 listed.test ATS\r\n127.0.0.1 noclass.test\r\n");
    data.write("mdl.txt", "malware.test\n");
    data.write("phishtank.txt",
               "http://phish.test/login.html?user=1&x=<b>\n"
               "http://phish.test/login.html?user=1&x=<b>&padding=to-pass-seventy-two-characters\n");
    data.write("netblocks.txt", "127.0.0.0/8 Loopback network\n10.0.0.0/8 Ten network\nzone.test Demo zone\n");
    service = std::make_unique<ServiceProcess>(std::vector<std::string>{"--data", data.path()});
  }

  RawResponse Get(const std::string& target) { return Exchange(service->port(), "GET", target); }

  void ExpectStillServing() {
    EXPECT_TRUE(service->running());
    EXPECT_EQ(Get("/online.txt").status, 200);
  }

  TempFolder data;
  std::unique_ptr<ServiceProcess> service;
};

TEST_F(ServiceTest, AnswersEveryExchangeInTheShapeTheProgramSends) {
  struct Case {
    const char* method;
    std::string target;
    std::string body;
  };
  const Case cases[] = {
      {"GET", "/?v=KestrumDE_v0.3.7&s=http://listed.test", "Listed||ATS"},
      {"GET", "/?v=KestrumDE_v0.3.7&s=http://noclass.test", "Listed"},
      {"GET", "/?v=KestrumDE_v0.3.7&s=http://clean.test", "Not Listed"},
      {"GET", "/scripts/mdl2.php?st=l&v=KestrumDE_v0.3.7&sq=http://malware.test", "Listed"},
      {"GET", "/scripts/mdl2.php?st=l&v=KestrumDE_v0.3.7&sq=http://listed.test", "Not Listed"},
      {"GET", "/pwinb.asp?cl=kestrumde-v0.3.7&s=127.0.0.1||listed.test",
       "[CONTENT]\r\n<b>Loopback network</b>\r\nRange: 127.0.0.0 - 127.255.255.255\r\nAddress: 127.0.0.1\r\n"
       "[/CONTENT]\r\n"},
      // The program escapes the blank of an address list (a request line cannot carry it).
      {"GET", "/pwinb.asp?cl=kestrumde-v0.3.7&s=192.0.2.1,%2010.0.0.7||a.test",
       "[CONTENT]\r\n<b>Ten network</b>\r\nRange: 10.0.0.0 - 10.255.255.255\r\nAddress: 10.0.0.7\r\n[/CONTENT]\r\n"},
      {"GET",
       "/pwinb.asp?cl=kestrumde-v0.3.7&s=Error:%20Winsock%20made%20a%20woopsie%20whilst%20resolving%20Hostname||"
       "www.zone.test",
       "[CONTENT]\r\n<b>Demo zone</b>\r\nDomain: zone.test\r\n[/CONTENT]\r\n"},
      {"GET", "/pwinb.asp?cl=kestrumde-v0.3.7&s=192.0.2.1||nowhere.test",
       "unable to determine the whois server for this name\r\n"},
      {"GET", "/online.txt", "Kestrum services are online\r\n"},
  };
  for (const Case& c : cases) {
    const RawResponse response = Exchange(service->port(), c.method, c.target);
    EXPECT_EQ(response.status, 200) << c.target;
    EXPECT_EQ(response.body, c.body) << c.target;
  }
}

TEST_F(ServiceTest, PhishingCheckReadsTheAddressFromTheBase64Path) {
  const std::string user_agent = "User-Agent: Kestrum Desktop Edition v0.3.7\r\n";
  // Base64 of a listed 80-character address: the encoder's line break after 72 characters may
  // travel escaped, or be dropped.
  const std::string long_address =
      "aHR0cDovL3BoaXNoLnRlc3QvbG9naW4uaHRtbD91c2VyPTEmeD08Yj4mcGFkZGluZz10by1w%0D%0A"
      "YXNzLXNldmVudHktdHdvLWNoYXJhY3RlcnM=";
  struct Case {
    std::string path;
    const char* in_database;
  };
  const Case cases[] = {
      {std::string("/checkurl/") + kPhishBase64, "true"},
      {"/checkurl/aHR0cDovL3BoaXNoLnRlc3QvbG9naW4uaHRtbD91c2VyPTEmeD08Yj4", "true"},  // no padding
      {"/checkurl/aHR0cDovL3BoaXNoLnRlc3QvbG9naW4uaHRtbD91c2VyPTEmeD08Yj4%3D", "true"},
      {"/checkurl/" + long_address, "true"},
      {"/checkurl/" + ReplaceAll(long_address, "%0D%0A", ""), "true"},
      {"/checkurl/aHR0cDovL2NsZWFuLnRlc3Qv", "false"},
  };
  for (const Case& c : cases) {
    const RawResponse response = Exchange(service->port(), "POST", c.path, user_agent);
    ASSERT_EQ(response.status, 200) << c.path;
    EXPECT_EQ(response.headers.at("content-type"), "text/xml; charset=utf-8");
    const std::string& xml = response.body;
    // What the program reads: the text after the first "<in_database>" up to "</in_database>".
    const size_t open = xml.find("<in_database>");
    ASSERT_NE(open, std::string::npos) << xml;
    EXPECT_EQ(xml.substr(open + 13, xml.find("</in_database>") - open - 13), c.in_database) << c.path;
  }
  // The address is repeated escaped, so it cannot open elements of its own.
  const RawResponse echoed = Exchange(service->port(), "POST", std::string("/checkurl/") + kPhishBase64);
  EXPECT_NE(echoed.body.find("<url>http://phish.test/login.html?user=1&amp;x=&lt;b&gt;</url>"), std::string::npos);
  EXPECT_EQ(echoed.body.find("<b>"), std::string::npos);
}

TEST_F(ServiceTest, AnswersMissingKeysAndWrongRequestsWithErrors) {
  struct Case {
    const char* method;
    const char* target;
    int status;
  };
  const Case cases[] = {
      {"GET", "/", 400},
      {"GET", "/?v=KestrumDE_v0.3.7", 400},
      {"GET", "/?v=KestrumDE_v0.3.7&s=", 400},
      {"GET", "/?s=http://listed.test", 400},
      {"GET", "/scripts/mdl2.php?v=KestrumDE_v0.3.7&sq=http://malware.test", 400},
      {"GET", "/scripts/mdl2.php?st=x&v=KestrumDE_v0.3.7&sq=http://malware.test", 400},
      {"GET", "/pwinb.asp?s=127.0.0.1||a.test", 400},
      {"GET", "/pwinb.asp?cl=kestrumde-v0.3.7", 400},
      {"POST", "/checkurl/", 400},
      {"POST", "/checkurl/!!!!", 400},
      {"POST", "/checkurl/Y", 400},
      {"GET", "/proxy/", 400},
      {"GET", "/proxy/?url=ftp://a.test/&ref=[REF]", 400},
      {"POST", "/?v=KestrumDE_v0.3.7&s=http://listed.test", 405},
      {"DELETE", "/checkurl/YQ==", 405},
      {"GET", "/nothing/here", 404},
      {"GET", "/%00/..%2F..%2Fetc/passwd", 404},
      // A blank in the target cannot be told from the one before the version.
      {"GET", "/pwinb.asp?cl=kestrumde-v0.3.7&s=192.0.2.1, 10.0.0.7||a.test", 400},
  };
  for (const Case& c : cases) EXPECT_EQ(Exchange(service->port(), c.method, c.target).status, c.status) << c.target;
  ExpectStillServing();
}

TEST_F(ServiceTest, KeepsServingAfterMalformedAndOversizedRequests) {
  const int port = service->port();
  struct Case {
    std::string request;
    int status;  // 0: the connection ends without an answer
  };
  const Case cases[] = {
      {"garbage\r\n\r\n", 400},
      {"GET /\x01\x02\xff HTTP/1.1\r\n\r\n", 400},
      {std::string("\0\0\0\0\r\n\r\n", 8), 400},
      {"GET / HTTP/9.9\r\n\r\n", 400},
      {"GET /?" + std::string(40000, 'a') + " HTTP/1.1\r\n\r\n", 414},
      {"GET / HTTP/1.1\r\nX: " + std::string(40000, 'b') + "\r\n\r\n", 431},
      {"POST /checkurl/YQ== HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 411},
      {"POST /checkurl/YQ== HTTP/1.1\r\nContent-Length: 100000000\r\n\r\n", 413},
      {"GET /online.txt HTTP/1.1\r\nHost: x", 0},  // cut short, then closed
      {"POST /checkurl/YQ== HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExchangeRaw(port, c.request).status, c.status) << c.request.substr(0, 40);
    ExpectStillServing();
  }
}

TEST_F(ServiceTest, ReadsARequestThatArrivesInSmallPieces) {
  const std::string request =
      "GET /?v=KestrumDE_v0.3.7&s=http://listed.test HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  for (const size_t piece : {1u, 3u, 7u}) EXPECT_EQ(ExchangeRaw(service->port(), request, piece).body, "Listed||ATS");
}

TEST_F(ServiceTest, AnswersRequestsThatShareOneConnection) {
  const std::string two =
      "POST /checkurl/YQ== HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc"
      "HEAD /?v=KestrumDE_v0.3.7&s=http://listed.test HTTP/1.1\r\nConnection: close\r\n\r\n";
  const RawResponse first = ExchangeRaw(service->port(), two);
  EXPECT_EQ(first.status, 200);
  // The second answer follows the first's body; a HEAD answer has a length but no body.
  const std::string& both = first.raw;
  EXPECT_NE(both.find("</response>\r\nHTTP/1.1 200 OK\r\n"), std::string::npos) << both;
  EXPECT_NE(both.find("Content-Length: 11\r\n"), std::string::npos);
  EXPECT_TRUE(both.ends_with("Connection: close\r\n\r\n")) << both;
}

TEST_F(ServiceTest, ReadsAListAgainWhenItsFileChanges) {
  EXPECT_EQ(Get("/?v=KestrumDE_v0.3.7&s=http://new.test").body, "Not Listed");
  data.write("braxel.txt", "0.0.0.0 new.test GRM\n");
  EXPECT_EQ(Get("/?v=KestrumDE_v0.3.7&s=http://new.test").body, "Listed||GRM");
  EXPECT_EQ(Get("/?v=KestrumDE_v0.3.7&s=http://listed.test").body, "Not Listed");
  std::filesystem::remove(data.file("braxel.txt"));
  EXPECT_EQ(Get("/?v=KestrumDE_v0.3.7&s=http://new.test").body, "Not Listed");
}

TEST_F(ServiceTest, ProxyRefusesLoopbackTargetsAndItsOwnRequestsByDefault) {
  const std::string self = "http://127.0.0.1:" + std::to_string(service->port()) + "/online.txt";
  for (const std::string& target : {self, std::string("http://localhost:1/"), std::string("http://[::1]:1/"),
                                    std::string("http://10.0.0.1/"), std::string("http://2130706433/")}) {
    const RawResponse refused = Get("/proxy/?url=" + target + "&ref=[REF]");
    EXPECT_EQ(refused.status, 403) << target;
    EXPECT_NE(refused.body.find("not a public address"), std::string::npos) << refused.body;
  }
  const RawResponse looped =
      Exchange(service->port(), "GET", "/proxy/?url=http://a.test/&ref=[REF]", "Via: 1.1 kestrum-services\r\n");
  EXPECT_EQ(looped.status, 403);
  ExpectStillServing();
}

TEST_F(ServiceTest, RefusesRequestsNamingAnotherHost) {
  const int port = service->port();
  const std::string lookup = "GET /?v=KestrumDE_v0.3.7&s=http://listed.test HTTP/1.1\r\n";
  struct Case {
    std::string request;
    int status;
  };
  const Case cases[] = {
      // A page whose own name was pointed at this machine (DNS rebinding).
      {lookup + "Host: evil.example:" + std::to_string(port) + "\r\nConnection: close\r\n\r\n", 421},
      {"GET /proxy/?url=http://a.test/&ref=[REF] HTTP/1.1\r\nHost: evil.example\r\nConnection: close\r\n\r\n", 421},
      {"GET http://evil.example/online.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", 421},
      // As the program asks: the address and port of its services setting.
      {lookup + "Host: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n\r\n", 200},
      {lookup + "Host: localhost:" + std::to_string(port) + "\r\nConnection: close\r\n\r\n", 200},
  };
  for (const Case& c : cases) EXPECT_EQ(ExchangeRaw(port, c.request).status, c.status) << c.request;

  ServiceProcess named({"--data", data.path(), "--host-name", "lookups.team.test"});
  EXPECT_EQ(ExchangeRaw(named.port(), lookup + "Host: Lookups.Team.Test\r\nConnection: close\r\n\r\n").body,
            "Listed||ATS");
  EXPECT_EQ(ExchangeRaw(named.port(), lookup + "Host: evil.example\r\nConnection: close\r\n\r\n").status, 421);
}

TEST_F(ServiceTest, SlowAndSilentClientsDoNotHoldUpTheOthers) {
  const int port = service->port();
  // More waiting connections than the service has workers: heads cut short, and nothing at all.
  constexpr std::string_view kCutShort = "GET /online.txt HTTP/1.1\r\nHo";
  std::vector<int> slow;
  std::vector<int> silent;
  for (int i = 0; i < 100; ++i) {
    slow.push_back(ConnectTo(port));
    ASSERT_GE(slow.back(), 0);
    ASSERT_GT(::send(slow.back(), kCutShort.data(), kCutShort.size(), MSG_NOSIGNAL), 0);
  }
  for (int i = 0; i < 40; ++i) {
    silent.push_back(ConnectTo(port));
    ASSERT_GE(silent.back(), 0);
  }
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Get("/?v=KestrumDE_v0.3.7&s=http://listed.test").body, "Listed||ATS");
  // Answered while every waiting connection was still waiting, not after they were dropped.
  for (const int fd : slow) EXPECT_FALSE(HasPendingInput(fd));
  for (const int fd : silent) EXPECT_FALSE(HasPendingInput(fd));

  // Each is dropped at its deadline: a head cut short is answered 408, silence is not answered.
  EXPECT_TRUE(StartsWith(ReadUntilClosed(slow.front(), 30000), "HTTP/1.1 408 "));
  EXPECT_EQ(ReadUntilClosed(silent.front(), 30000), "");
  for (const int fd : slow) ::close(fd);
  for (const int fd : silent) ::close(fd);

  // A head that keeps trickling in does not earn more time: its deadline runs from its first byte.
  const int trickling = ConnectTo(port);
  std::string answer;
  for (int byte = 0; byte < 80 && answer.empty(); ++byte) {
    ::send(trickling, "X", 1, MSG_NOSIGNAL);
    answer = ReadUntilClosed(trickling, 250);
  }
  EXPECT_TRUE(StartsWith(answer, "HTTP/1.1 408 ")) << answer;
  ::close(trickling);
  ExpectStillServing();
}

TEST(ServiceCommandLine, RefusesUnusableOptionsAndStopsCleanly) {
  TempFolder data;
  struct Case {
    std::vector<std::string> arguments;
    int exit_status;
    const char* says;
  };
  const Case cases[] = {
      {{"--help"}, 0, ""},
      {{"--bogus"}, 2, "unknown option --bogus"},
      {{"--bogus=1"}, 2, "unknown option --bogus"},
      {{"--port"}, 2, "--port needs a value"},
      {{"--data", ""}, 2, "--data needs a value"},
      {{"--data", data.path(), "stray"}, 2, "unexpected argument stray"},
      {{"--port", "70000", "--data", data.path()}, 2, "--port needs a whole number"},
      {{"--proxy-timeout", "0", "--data", data.path()}, 2, "--proxy-timeout needs a whole number"},
      {{"--data", data.file("missing")}, 2, "does not exist"},
  };
  for (const Case& c : cases) {
    const ServiceRun run = RunServiceToEnd(c.arguments);
    EXPECT_EQ(run.exit_status, c.exit_status) << c.arguments[0];
    EXPECT_NE(run.errors.find(c.says), std::string::npos) << run.errors;
  }

  const ServiceRun version = RunProgramToEnd(kestrum_services, {"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.errors, "kestrum-services 0.3.7\n");
  // Listening where other machines can reach it is allowed, but said.
  const ServiceRun open = RunServiceToEnd({"--listen", "0.0.0.0", "--data", data.file("missing")});
  EXPECT_NE(open.errors.find("warning: listening on 0.0.0.0"), std::string::npos) << open.errors;

  ServiceProcess first({"--data", data.path()});
  const ServiceRun taken = RunServiceToEnd({"--port", std::to_string(first.port()), "--data", data.path()});
  EXPECT_EQ(taken.exit_status, 1);
  EXPECT_NE(taken.errors.find("cannot listen"), std::string::npos) << taken.errors;
  // Missing list files are empty lists, not a failure.
  EXPECT_EQ(Exchange(first.port(), "GET", "/?v=KestrumDE_v0.3.7&s=http://a.test").body, "Not Listed");
  EXPECT_EQ(first.Stop(), 0);
}

// The sample lists answer as the demo expects, from the source tree and as installed, where the
// program finds them without being told.
void ExpectDemoHostsListed(int port) {
  EXPECT_EQ(Exchange(port, "GET", "/?v=KestrumDE_v0.3.7&s=http://listed.kestrum.test").body, "Listed||ATS");
  EXPECT_EQ(Exchange(port, "GET", "/?v=KestrumDE_v0.3.7&s=http://clean.kestrum.test").body, "Not Listed");
  EXPECT_EQ(Exchange(port, "GET", "/scripts/mdl2.php?st=l&v=KestrumDE_v0.3.7&sq=http://malware.kestrum.test").body,
            "Listed");
  // "http://phish.kestrum.test/login.html"
  EXPECT_NE(Exchange(port, "POST", "/checkurl/aHR0cDovL3BoaXNoLmtlc3RydW0udGVzdC9sb2dpbi5odG1s")
                .body.find("<in_database>true</in_database>"),
            std::string::npos);
  EXPECT_NE(Exchange(port, "GET", "/pwinb.asp?cl=kestrumde-v0.3.7&s=127.0.0.1||listed.kestrum.test")
                .body.find("<b>Kestrum demo site, served on this machine</b>"),
            std::string::npos);
}

TEST(ServiceSampleData, ListsTheDemoHosts) {
  ServiceProcess service({"--data", std::string(KESTRUM_SOURCE_DIR) + "/tools/services/data"});
  ExpectDemoHostsListed(service.port());
}

TEST(ServiceInstall, PutsTheListsAndAUnitBesideTheProgram) {
  TempFolder prefix;
  const ServiceRun install = RunProgramToEnd(
      KESTRUM_CMAKE_COMMAND, {"--install", KESTRUM_BINARY_DIR, "--prefix", prefix.path(), "--component", "services"});
  ASSERT_EQ(install.exit_status, 0) << install.errors;
  for (const char* list : {"braxel.txt", "mdl.txt", "phishtank.txt", "netblocks.txt"})
    EXPECT_TRUE(std::filesystem::is_regular_file(prefix.file("share/kestrum/services/") + list)) << list;
  const std::string unit = ReadWholeFile(prefix.file("lib/systemd/system/kestrum-services.service")).value_or("");
  EXPECT_NE(unit.find("ExecStart=" + prefix.file("bin/kestrum-services") + " "), std::string::npos) << unit;

  ServiceProcess installed({}, prefix.file("bin/kestrum-services"));
  ExpectDemoHostsListed(installed.port());
}

}  // namespace
}  // namespace kestrum::testing
