#include "dissect/query_pipeline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <filesystem>
#include <thread>

#include "core/ini_profile.h"
#include "core/text.h"
#include "net/status_text.h"
#include "pipeline_fixture.h"
#include "scan_test_support.h"

namespace kestrum::testing {
namespace {

using QueryTest = PipelineTest;

std::vector<std::string> Lines(const std::string& text) {
  return Split(text, "\r\n");
}

TEST_F(QueryTest, FetchesPageUnderHeaderBlock) {
  serve("/page.html", "\n\n<html>\r\n<body>hello</body>\n</html>\n");
  start();
  const std::string address = site.url("/page.html");
  window.setCaption("before");
  SendQuery(program.ctx, address);

  const auto lines = Lines(window.source().text());
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], std::string(65, '*'));
  EXPECT_EQ(lines[1], "Kestrum Desktop Edition v0.3.7 Results");
  EXPECT_EQ(lines[2], "Source code for: " + address);
  EXPECT_EQ(lines[3], "Server IP: 127.0.0.1 [ localhost ]");
  EXPECT_EQ(
      std::vector<std::string>(lines.begin() + 4, lines.begin() + 9),
      (std::vector<std::string>{"Braxel Status: ", "MDL Status: ", "PhishTank Status: ", "[SCRIPTS]", "[IFRAMES]"}));
  EXPECT_EQ(lines[9], "Port: " + std::to_string(site.port()));
  EXPECT_TRUE(StartsWith(lines[10], "Date: "));
  EXPECT_TRUE(StartsWith(lines[11], "Time: "));
  EXPECT_EQ(lines[12], std::string(65, '*'));
  // Leading empty lines vanish; every line break becomes CR LF.
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 13, lines.end()),
            (std::vector<std::string>{"<html>", "<body>hello</body>", "</html>"}));

  EXPECT_EQ(program.ctx.current_host, "127.0.0.1");
  EXPECT_TRUE(StartsWith(program.ctx.saved_page_file, program.storage() + "/dl_temp/http1"));
  EXPECT_TRUE(Contains(window.headers().text(), "Content-Type: text/html"));
  EXPECT_EQ(window.caption(), "before");
  EXPECT_TRUE(window.controlsEnabled());
  EXPECT_TRUE(window.viewButtonEnabled(ViewButton::Links));
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(QueryTest, SeveralServerAddressesEachGetALine) {
  serve("/", "<html>x</html>");
  start();
  resolver.addHost("127.0.0.1", {"127.0.0.1", "10.0.0.2", "10.0.0.3"});
  resolver.addName("10.0.0.2", "two.example");
  SendQuery(program.ctx, site.url("/"));
  const auto lines = Lines(window.source().text());
  EXPECT_EQ(lines[3], "Server IP: 127.0.0.1 [ localhost ]");
  EXPECT_EQ(lines[4], " > 10.0.0.2 [ two.example ]");
  EXPECT_EQ(lines[5], " > 10.0.0.3 [ Resolution failed ]");
}

TEST_F(QueryTest, RejectsAddressesThatAreNotURLs) {
  start();
  for (const char* address : {"http://localhost/", "no-scheme.example.com", ""}) {
    desktop.messages.clear();
    SendQuery(program.ctx, address);
    ASSERT_EQ(messageTexts(), std::vector<std::string>{"Error: Address specified is of an invalid URL format"})
        << address;
    EXPECT_EQ(window.source().text(), "");
    EXPECT_FALSE(window.viewButtonEnabled(ViewButton::Source));
    EXPECT_TRUE(window.controlsEnabled());
  }
}

TEST_F(QueryTest, NotFoundExplainsWithTheMethodInUse) {
  serve("/gone", "", 404);
  start();
  set("Settings", "chkMSXML", "1");
  SendQuery(program.ctx, site.url("/gone"));
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text,
            "Woops, an error occured whilst getting the content. \r\nThe return code from the site's server was:\r\n"
            "\r\nResponse: 404\r\nDescription: " +
                GetStatusText(404) + "\r\n\r\nPlease check and try again");
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(window.source().text(), "");
  EXPECT_EQ(program.ctx.current_host, "");

  // The download method's own words for a refused page.
  desktop.messages.clear();
  set("Settings", "chkMSXML", "0");
  SendQuery(program.ctx, site.url("/gone"));
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_TRUE(StartsWith(desktop.messages[0].text,
                         "Woops, an error has occured whilst getting the content.\r\n\r\nPossible causes include:"));
  EXPECT_TRUE(EndsWith(desktop.messages[0].text, "stopping me\r\n\r\nPlease check and try again"));
}

TEST_F(QueryTest, ServerErrorAndEmptyBodyStillShowTheHeaderBlock) {
  serve("/empty", "", 500);
  serve("/empty-ok", "", 200);
  start();
  for (const char* method : {"1", "0"}) {
    set("Settings", "chkMSXML", method);
    EXPECT_EQ(SendQuery(program.ctx, site.url("/empty")), QueryOutcome::Shown);
    EXPECT_TRUE(desktop.messages.empty());
    // The reassuring "OK (200)" note is kept for a success status only.
    EXPECT_TRUE(EndsWith(window.source().text(),
                         "\r\nThe server failed to return any actual content, and returned the status code 500 "
                         "(Internal server error)."))
        << method << window.source().text();
    EXPECT_EQ(SendQuery(program.ctx, site.url("/empty-ok")), QueryOutcome::Shown);
    EXPECT_TRUE(EndsWith(window.source().text(), std::string("\r\n") + kEmptyContentNote)) << method;
  }
}

TEST_F(QueryTest, ErrorStatusesWithABodyShowThatBody) {
  serve("/404", "<html>no such page here</html>", 404);
  serve("/403", "<html>keep out</html>", 403);
  serve("/500", "<html>it broke</html>", 500);
  start();
  for (const char* method : {"1", "0"}) {
    set("Settings", "chkMSXML", method);
    for (const auto& [path, body] :
         std::vector<std::pair<std::string, std::string>>{{"/404", "<html>no such page here</html>"},
                                                          {"/403", "<html>keep out</html>"},
                                                          {"/500", "<html>it broke</html>"}}) {
      EXPECT_EQ(SendQuery(program.ctx, site.url(path)), QueryOutcome::Shown) << method << path;
      EXPECT_TRUE(EndsWith(window.source().text(), "*\r\n" + body)) << method << path;
      EXPECT_TRUE(Contains(window.headers().text(), "Server returned status code: " + path.substr(1)))
          << method << path;
    }
  }
  EXPECT_TRUE(desktop.messages.empty());
}

// Servers that never give a whole answer, each ending the query promptly as a failure that names
// its cause, with no page shown and no page file left to be read later.
TEST_F(QueryTest, FailedFetchesSayWhyAndShowNoPage) {
  site.server().Get("/half", [](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(1000, "text/html", [](size_t offset, size_t, httplib::DataSink& sink) {
      if (offset > 0) return false;  // the connection drops half way
      sink.write(std::string(500, 'h').data(), 500);
      return true;
    });
  });
  site.server().Get("/stall", [](const httplib::Request&, httplib::Response& response) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    response.set_content("too late", "text/html");
  });
  // One byte every half second: never idle, never done.
  site.server().Get("/trickle", [](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(100000, "text/html", [](size_t, size_t, httplib::DataSink& sink) {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      return sink.write("x", 1);
    });
  });
  serve("/big", std::string(2 << 20, 'b'));
  site.server().Get("/loop",
                    [](const httplib::Request&, httplib::Response& response) { response.set_redirect("/loop"); });
  start();
  set("Settings", "IdleTimeout", "1");
  set("Settings", "TransferTimeout", "3");
  set("Settings", "MaxBodyMB", "1");
  const std::string refused = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/p.html";
  struct Case {
    std::string address;
    std::string cause;
  };
  const Case cases[] = {
      {refused, "Cannot connect (12029)"},
      {site.url("/half"), "Connection aborted (12030)"},
      {site.url("/stall"), "Timeout (12002)"},
      {site.url("/trickle"), "Timeout (12002): the page did not arrive whole within the time limit"},
      {site.url("/big"), "Operation cancelled (12017): the page is larger than the limit of 1 MB"},
      {site.url("/loop"), "Error http invalid server response (12152): more than 10 redirects"},
  };
  for (const char* method : {"1", "0"}) {
    set("Settings", "chkMSXML", method);
    for (const Case& c : cases) {
      desktop.messages.clear();
      const auto started = std::chrono::steady_clock::now();
      EXPECT_EQ(SendQuery(program.ctx, c.address), QueryOutcome::FetchFailed) << method << c.address;
      EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << c.address;
      ASSERT_EQ(desktop.messages.size(), 1u) << method << c.address;
      EXPECT_EQ(desktop.messages[0].text,
                "Woops, an error occured whilst getting the content. \r\nThe request failed: " + c.cause +
                    "\r\n\r\nPlease check and try again")
          << method;
      EXPECT_EQ(window.source().text(), "") << method << c.address;
      EXPECT_EQ(program.ctx.saved_page_file, "") << method << c.address;
    }
  }
  // Nothing is left in dl_temp that a later step could read as a page, half-written files least of all.
  for (const auto& entry : std::filesystem::directory_iterator(program.storage() + "/dl_temp"))
    ADD_FAILURE() << "left behind: " << entry.path();
}

TEST_F(QueryTest, EachQueryReadsOnlyItsOwnPage) {
  serve("/p.html", "<html>the live page</html>");
  start();
  const std::string dead = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/p.html";
  for (const char* method : {"1", "0"}) {
    set("Settings", "chkMSXML", method);
    // The same host key and the same second: the dead address must not show the live page.
    EXPECT_EQ(SendQuery(program.ctx, site.url("/p.html")), QueryOutcome::Shown);
    const std::string live_file = program.ctx.saved_page_file;
    EXPECT_EQ(SendQuery(program.ctx, dead), QueryOutcome::FetchFailed) << method;
    EXPECT_FALSE(Contains(window.source().text(), "the live page")) << method;
    EXPECT_EQ(SendQuery(program.ctx, site.url("/p.html")), QueryOutcome::Shown);
    EXPECT_NE(program.ctx.saved_page_file, live_file) << "each fetch has a page file of its own";
    EXPECT_TRUE(Contains(ReadWholeFile(live_file).value_or(""), "the live page")) << "an earlier page stays as it was";
  }
}

TEST(SavedPageFile, ATakenNameGetsASuffixBeforeTheExtension) {
  TempFolder folder;
  EXPECT_EQ(CreateSavedPageFile(folder.path(), "http1121020262 50509 PM.txt"),
            folder.file("http1121020262 50509 PM.txt"));
  folder.write("taken.txt", "an earlier page");
  folder.write("taken-2.txt", "another");
  EXPECT_EQ(CreateSavedPageFile(folder.path(), "taken.txt"), folder.file("taken-3.txt"));
  EXPECT_EQ(folder.read("taken.txt"), "an earlier page");
  EXPECT_EQ(folder.read("taken-3.txt"), "");
  EXPECT_EQ(CreateSavedPageFile(folder.file("no-such-folder"), "taken.txt"), "");
}

TEST(SplitRawResponse, MovesHeadersFoundAtTheTopOfABody) {
  struct Case {
    std::string page, page_after, header_part;
    bool split;
  };
  const std::vector<Case> cases = {
      {"HTTP/1.1 200 OK\r\nServer: x\r\n\r\n<html><b>", "<html><b>", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n", true},
      {"HTTP/1.1 200\r\nServer: x\r\nContent-Type: text/plain\r\n\r\na<b", "\r\n\r\na<b",
       "HTTP/1.1 200\r\nServer: x\r\nContent-Type: text/plain", true},
      // The test ignores case but the cut does not: the header part is the page plus "/plain".
      {"HTTP/1.1 200\r\nServer: x\r\nType: TEXT/PLAIN\r\na<b", "HTTP/1.1 200\r\nServer: x\r\nType: TEXT/PLAIN\r\na<b",
       "HTTP/1.1 200\r\nServer: x\r\nType: TEXT/PLAIN\r\na<b/plain", true},
      {"HTTP/1.1 200\r\nServer: x\r\nno markup", "HTTP/1.1 200\r\nServer: x\r\nno markup", "", false},
      {"<html>Server: but no status line</html>", "<html>Server: but no status line</html>", "", false},
  };
  for (const auto& c : cases) {
    std::string page = c.page, header;
    EXPECT_EQ(SplitRawResponse(page, header), c.split) << c.page;
    EXPECT_EQ(page, c.page_after) << c.page;
    EXPECT_EQ(header, c.header_part) << c.page;
  }
}

TEST(HeaderBlockPieces, PortDatesAndFileNames) {
  EXPECT_EQ(PortOfAddress("http://host.example:8080/x"), "8080");
  EXPECT_EQ(PortOfAddress("http://user:pw@host.example/x"), "pw@host.example");
  EXPECT_EQ(PortOfAddress("http://host.example/a:b"), "");
  EXPECT_EQ(PortOfAddress("host.example:81"), "81");

  std::tm when{};
  when.tm_year = 126, when.tm_mon = 11, when.tm_mday = 10, when.tm_wday = 4;
  when.tm_hour = 14, when.tm_min = 5, when.tm_sec = 9;
  EXPECT_EQ(LongDateText(when), "Thursday, December 10, 2026");
  EXPECT_EQ(HeaderTimeText(when), "14:05:09:05");
  EXPECT_EQ(SavedPageFileName("httpexample_com", when), "httpe12102026 20509 PM.txt");
  EXPECT_EQ(SavedPageFileName("ab/..", when), "ab_..12102026 20509 PM.txt");
}

}  // namespace
}  // namespace kestrum::testing

namespace kestrum {
namespace {

// The page text as reading the file line by line gives it: a line ends at CR LF, LF or CR; empty
// lines before the first line vanish; lines are joined by CR LF.
std::string ReadLineByLine(std::string_view data) {
  std::string text;
  size_t pos = 0;
  while (pos < data.size()) {
    size_t end = data.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = data.size();
    const std::string_view line = data.substr(pos, end - pos);
    if (text.empty()) {
      text.assign(line);
    } else {
      text.append("\r\n").append(line);
    }
    if (end == data.size()) break;
    pos = end + ((data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n') ? 2 : 1);
  }
  return text;
}

TEST(ReadPageText, GivesWhatReadingLineByLineGives) {
  testing::TempFolder folder;
  std::mt19937 random(21);
  for (int round = 0; round < 3000; ++round) {
    std::string data;
    // Short texts dense with breaks, and long ones where breaks are few and far between.
    const bool sparse = round % 4 == 3;
    for (size_t n = sparse ? random() % 300 : random() % 24; n > 0; --n)
      data += sparse && random() % 20 != 0 ? 'a' : "ab\r\n\r\n"[random() % 6];
    if (round == 0) data.clear();
    folder.write("page.txt", data);
    std::string text = "left over";
    ASSERT_TRUE(ReadPageText(folder.file("page.txt"), text));
    ASSERT_EQ(text, ReadLineByLine(data)) << ::testing::PrintToString(data);
  }
  std::string text;
  EXPECT_FALSE(ReadPageText(folder.file("missing.txt"), text));
}

}  // namespace
}  // namespace kestrum
