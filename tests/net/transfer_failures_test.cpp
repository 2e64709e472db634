// Redirects, time-outs, refused and broken connections, size limits, compression and
// certificates, each through both transfer methods.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "core/text.h"
#include "http_fixture.h"
#include "net/curl_transfer.h"
#include "net/http_client.h"
#include "net/inet_errors.h"

namespace kestrum {
namespace {

class TransferFailureTest : public testing::HttpTest {
 protected:
  void SetUp() override {
    auto& routes = server.server();
    routes.Get("/page", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("final page", "text/plain");
    });
    for (int hop = 1; hop <= 3; ++hop) {
      const std::string next = hop == 3 ? "/page" : "/hop" + std::to_string(hop + 1);
      routes.Get("/hop" + std::to_string(hop), [next](const httplib::Request&, httplib::Response& response) {
        response.set_header("X-Hop", "yes");
        response.set_redirect(next);
      });
    }
    routes.Get("/loop", [](const httplib::Request&, httplib::Response& response) { response.set_redirect("/loop"); });
    routes.Get("/slow", [](const httplib::Request&, httplib::Response& response) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2500));
      response.set_content("too late", "text/plain");
    });
    routes.Get("/half", [](const httplib::Request&, httplib::Response& response) {
      response.set_content_provider(1000, "text/plain", [](size_t offset, size_t, httplib::DataSink& sink) {
        if (offset > 0) return false;  // drop the connection half way
        const std::string half(500, 'h');
        sink.write(half.data(), half.size());
        return true;
      });
    });
    routes.Get("/big", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(std::string(2 << 20, 'b'), "application/octet-stream");
    });
    routes.Get("/big-chunked", [](const httplib::Request&, httplib::Response& response) {
      response.set_chunked_content_provider("application/octet-stream", [](size_t offset, httplib::DataSink& sink) {
        if (offset >= (2u << 20)) {
          sink.done();
          return true;
        }
        const std::string chunk(64 * 1024, 'c');
        sink.write(chunk.data(), chunk.size());
        return true;
      });
    });
    // A body sent gzip-encoded whatever the client asked for; an octet-stream type keeps the
    // server from compressing it a second time.
    routes.Get("/gzip", [](const httplib::Request&, httplib::Response& response) {
      std::ifstream in(KESTRUM_SOURCE_DIR "/tests/net/fixtures/page.txt.gz", std::ios::binary);
      response.set_header("Content-Encoding", "gzip");
      response.set_content(std::string(std::istreambuf_iterator<char>(in), {}), "application/octet-stream");
    });
    // Compressed longer than plain: the space reserved for the announced length is given back.
    routes.Get("/gzip-tiny", [](const httplib::Request&, httplib::Response& response) {
      response.set_header("Content-Encoding", "gzip");
      response.set_content(std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xcb\xc8\xe4\x02\x00\x7a"
                                       "\x7a\x6f\xed\x03\x00\x00\x00",
                                       23),
                           "application/octet-stream");
    });
    server.start();
  }

  FetchResult fetch(const std::string& path, bool xmlhttp) {
    useXmlHttp(xmlhttp);
    std::string address = server.url(path);
    return FetchURL(program.ctx, address, page());
  }
  // Nothing but the target may be left beside it, half-written files least of all.
  bool onlyPageInFolder() const {
    for (const auto& entry : std::filesystem::directory_iterator(program.root.path())) {
      const std::string name = entry.path().filename().string();
      if (name != "page.htm" && name != "program" && name != "userdata") return false;
    }
    return true;
  }
};

TEST_F(TransferFailureTest, RedirectsAreFollowedAndOnlyTheLastHeadersShown) {
  for (const bool xmlhttp : {true, false}) {
    const FetchResult result = fetch("/hop1", xmlhttp);
    EXPECT_EQ(result.Status, xmlhttp ? 200 : 0);
    EXPECT_EQ(pageText(), xmlhttp ? "final page\r\n" : "final page");
    EXPECT_FALSE(Contains(result.HeaderText, "X-Hop")) << result.HeaderText;
    EXPECT_FALSE(ContainsNoCase(result.HeaderText, "Location")) << result.HeaderText;
  }
}

TEST_F(TransferFailureTest, FailuresGiveTheirErrorCodeAndNoPage) {
  set("IdleTimeout", "1");
  struct Case {
    std::string path;
    int32_t error;
  };
  const Case cases[] = {
      {"/loop", kErrorInvalidServerResponse}, {"/slow", kErrorTimeout},
      {"/half", kErrorConnectionAborted},     {"/big", kErrorBodyTooLarge},
      {"/big-chunked", kErrorBodyTooLarge},
  };
  set("MaxBodyMB", "1");
  for (const Case& c : cases) {
    // XMLHTTP method: the file is emptied.
    program.root.write("page.htm", "earlier page");
    EXPECT_EQ(fetch(c.path, true).Status, c.error) << c.path;
    EXPECT_EQ(pageText(), "") << c.path;
    // Download method: the file stays as it was and no partial file is left.
    program.root.write("page.htm", "earlier page");
    EXPECT_EQ(fetch(c.path, false).Status, c.error) << c.path;
    EXPECT_EQ(pageText(), "earlier page") << c.path;
    EXPECT_TRUE(onlyPageInFolder()) << c.path;
  }
  EXPECT_TRUE(Contains(log(), "Woops, I could not fetch " + server.url("/big") +
                                  ": Operation cancelled (12017): the page is larger than the limit of 1 MB"));
  EXPECT_TRUE(Contains(log(), "Timeout (12002)"));
  EXPECT_TRUE(desktop.messages.empty()) << "transfer failures raise no message here";
}

// A server that announces a large body and sends a byte every half second: the whole-transfer
// limit ends every request, and the partial file only ever holds what has arrived.
TEST_F(TransferFailureTest, ATrickleEndsAtTheTransferLimit) {
  testing::LocalServer trickle;
  std::atomic<size_t> sent{0};
  const auto trickle_route = [&sent](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(50u << 20, "text/html", [&sent](size_t, size_t, httplib::DataSink& sink) {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      ++sent;
      return sink.write("x", 1);
    });
  };
  trickle.server().Get("/page", trickle_route);
  trickle.start();
  set("TransferTimeout", "3");
  for (const bool xmlhttp : {true, false}) {
    useXmlHttp(xmlhttp);
    std::string address = trickle.url("/page");
    size_t largest_partial = 0, sent_then = 0;
    std::atomic<bool> done{false};
    std::thread watcher([&] {
      while (!done) {
        for (const auto& entry : std::filesystem::directory_iterator(program.root.path())) {
          if (!Contains(entry.path().filename().string(), ".part-")) continue;
          std::error_code ec;
          const auto size = std::filesystem::file_size(entry.path(), ec);
          if (!ec && size > largest_partial) largest_partial = size, sent_then = sent;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });
    const auto started = std::chrono::steady_clock::now();
    const FetchResult result = FetchURL(program.ctx, address, page());
    const auto took = std::chrono::steady_clock::now() - started;
    done = true;
    watcher.join();
    EXPECT_EQ(result.Status, kErrorTimeout) << xmlhttp;
    EXPECT_EQ(result.Failure, "Timeout (12002): the page did not arrive whole within the time limit") << xmlhttp;
    // Content and header requests each end at the limit (the header request got its headers).
    EXPECT_LT(took, std::chrono::seconds(12)) << xmlhttp;
    EXPECT_LE(largest_partial, sent_then) << "the partial file grew ahead of the bytes received";
    EXPECT_TRUE(onlyPageInFolder() || !std::filesystem::exists(page()));
  }
  EXPECT_TRUE(Contains(FetchHeaders(program.ctx, nullptr, trickle.url("/page")), "Content-Length: 52428800"));
}

TEST(FailureText, NamesCodeStatusTextAndCause) {
  EXPECT_EQ(FailureText(12029), "Cannot connect (12029)");
  EXPECT_EQ(FailureText(12004, WriteFailureDetail(ENOSPC)), "Internal error (12004): the disk is full");
  EXPECT_EQ(WriteFailureDetail(EDQUOT), "the disk is full");
  EXPECT_EQ(WriteFailureDetail(EACCES), "the file could not be written (Permission denied)");
}

TEST_F(TransferFailureTest, RefusedConnectionClearsTheHeadersView) {
  window.headers().setText("headers of an earlier page");
  for (const bool xmlhttp : {true, false}) {
    std::string address = "http://127.0.0.1:" + std::to_string(testing::UnusedLoopbackPort()) + "/";
    useXmlHttp(xmlhttp);
    const FetchResult result = FetchURL(program.ctx, address, page());
    EXPECT_EQ(result.Status, kErrorCannotConnect);
    EXPECT_EQ(result.Failure, "Cannot connect (12029)");
    EXPECT_EQ(result.HeaderText, "");
    EXPECT_EQ(window.headers().text(), "");
  }
}

TEST_F(TransferFailureTest, HeaderRequestDoesNotWaitForTheBody) {
  // Big body behind the limit: the header request still answers, having read only the headers.
  set("MaxBodyMB", "1");
  EXPECT_TRUE(Contains(FetchHeaders(program.ctx, nullptr, server.url("/big")), "Content-Length: 2097152"));
}

TEST_F(TransferFailureTest, CompressedBodiesAreSavedDecoded) {
  const std::string expected = [] {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i) + " of a page that compresses well\n";
    return text;
  }();
  for (const bool xmlhttp : {true, false}) {
    const FetchResult result = fetch("/gzip", xmlhttp);
    EXPECT_TRUE(ContainsNoCase(result.HeaderText, "Content-Encoding: gzip")) << result.HeaderText;
    EXPECT_EQ(pageText(), xmlhttp ? expected + "\r\n" : expected);
  }
  EXPECT_EQ(fetch("/gzip-tiny", false).Status, 0);
  EXPECT_EQ(pageText(), "hi\n");
}

TEST_F(TransferFailureTest, OnlyWebAddressesAreDownloaded) {
  program.root.write("secret.txt", "local secret");
  for (const std::string& address : {"file://" + program.root.file("secret.txt"), std::string("ftp://127.0.0.1/x"),
                                     std::string("javascript:alert(1)"), std::string("ftp://x\r\n01-01-2000 forged")}) {
    EXPECT_EQ(DownloadNewest(program.ctx, address, page()), kErrorUnrecognizedScheme) << address;
    EXPECT_FALSE(std::filesystem::exists(page())) << address;
  }
  EXPECT_FALSE(Contains(log(), "\n01-01-2000")) << "an address cannot add a line to the log";
}

TEST_F(TransferFailureTest, DownloadOperationsShareOneResult) {
  const std::string good = server.url("/page");
  EXPECT_EQ(DownloadLink(program.ctx, good, page()), 0);
  EXPECT_TRUE(DownloadToFile(program.ctx, good, page()));
  EXPECT_TRUE(DownloadFresh(program.ctx, good, page()));
  EXPECT_EQ(pageText(), "final page");
  EXPECT_FALSE(DownloadToFile(program.ctx, server.url("/loop"), page()));
  EXPECT_EQ(DownloadLink(program.ctx, good, program.root.file("no-such-folder/page.htm")), kErrorInternal);
}

class CertificateTest : public testing::HttpTest {
 protected:
  CertificateTest()
      : secure_server(KESTRUM_SOURCE_DIR "/tests/net/fixtures/localhost.crt",
                      KESTRUM_SOURCE_DIR "/tests/net/fixtures/localhost.key") {
    secure_server.server().Get("/page", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("secure page", "text/plain");
    });
    secure_server.start();
  }
  testing::LocalServer secure_server;
};

TEST_F(CertificateTest, SelfSignedPageIsFetchedOverHttpsAndTheFailureLogged) {
  for (const bool xmlhttp : {true, false}) {
    useXmlHttp(xmlhttp);
    std::string address = secure_server.url("/page");
    ASSERT_TRUE(StartsWith(address, "https://"));
    const FetchResult result = FetchURL(program.ctx, address, page());
    EXPECT_EQ(result.Status, xmlhttp ? 200 : 0);
    EXPECT_EQ(pageText(), xmlhttp ? "secure page\r\n" : "secure page");
    EXPECT_EQ(address, secure_server.url("/page")) << "no http:// in front of an https address";
    EXPECT_TRUE(Contains(result.HeaderText, "Content-Type: text/plain"));
  }
  EXPECT_TRUE(Contains(log(), "The certificate of " + secure_server.url("/page") +
                                  " failed its check: Invalid ca (12045); I fetched the page all the same"))
      << log();
}

}  // namespace
}  // namespace kestrum
