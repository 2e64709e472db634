#include "dissect/query_pipeline.h"

#include <gtest/gtest.h>

#include "core/text.h"
#include "net/status_text.h"
#include "pipeline_fixture.h"
#include "scan_test_support.h"

namespace kestrum::testing {
namespace {

using QueryTest = PipelineTest;

std::vector<std::string> Lines(const std::string& text) { return Split(text, "\r\n"); }

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
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.begin() + 9),
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
  serve("/gone", "<html>missing</html>", 404);
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
  start();
  set("Settings", "chkMSXML", "1");
  SendQuery(program.ctx, site.url("/empty"));
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_TRUE(EndsWith(window.source().text(), std::string("\r\n") + kEmptyContentNote));
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
