#include "net/net_block.h"

#include <gtest/gtest.h>

#include "core/app_log.h"
#include "core/exit_codes.h"
#include "core/ini_profile.h"
#include "core/storage.h"
#include "core/text.h"
#include "dissect/unattended.h"
#include "pipeline_fixture.h"

namespace kestrum::testing {
namespace {

class NetBlockTest : public PipelineTest {
 protected:
  // Answers pwinb.asp: `www_answer` when the host asked about begins with "www.". Every fetch
  // asks twice (content, then headers); the queries of the content requests are recorded.
  void serveAnswers(std::string answer, std::string www_answer = "") {
    site.server().Get("/pwinb.asp", [this, answer, www_answer](const httplib::Request& request, httplib::Response& r) {
      std::lock_guard lock(mutex);
      const std::string s = request.get_param_value("s");
      if (++asked % 2 == 1) queries.push_back(s);
      r.set_content(Contains(s, "||www.") ? www_answer : answer, "text/html");
    });
  }
  int asked = 0;
  std::vector<std::string> queries;
};

TEST_F(NetBlockTest, CutsTheOwnerLineOutOfTheAnswer) {
  serveAnswers("\r\n\r\n<html>[CONTENT]Range 127.0.0.0/8<b>Loopback Owner</b> more[/CONTENT]</html>");
  start();
  resolver.addHost("localhost", {"127.0.0.1"});
  window.setAddressText("http://127.0.0.1/");
  RunNetBlockLookup(program.ctx);
  EXPECT_EQ(window.netBlock().text(), "Loopback Owner");
  EXPECT_EQ(window.shownView(), 5);
  ASSERT_EQ(queries.size(), 1u);
  // A bare address is replaced by its registered name before the request.
  EXPECT_EQ(queries[0], "127.0.0.1||localhost");
  EXPECT_TRUE(ReadWholeFile(GetTempFolder(program.ctx) + "/127_0_0_1-Netblock.txt").has_value());

  // While the view holds an answer, the command only brings it to the front.
  window.showView(1);
  RunNetBlockLookup(program.ctx);
  EXPECT_EQ(queries.size(), 1u);
  EXPECT_EQ(window.shownView(), 5);
}

TEST_F(NetBlockTest, RetriesOnceWithWwwWhenNoWhoisServerIsKnown) {
  serveAnswers("Unable To Determine whois server", "unable to determine, again");
  start();
  resolver.addHost("example.com", {"127.0.0.1"});
  resolver.addHost("www.example.com", {"127.0.0.2"});
  window.setAddressText("http://www.example.com/x");
  RunNetBlockLookup(program.ctx);
  EXPECT_EQ(queries, (std::vector<std::string>{"127.0.0.1||example.com", "127.0.0.2||www.example.com"}));
  EXPECT_EQ(window.netBlock().text(), "unable to determine, again");
}

TEST_F(NetBlockTest, AddressListsTravelEscaped) {
  serveAnswers("[CONTENT]<b>Two owners</b>[/CONTENT]");
  start();
  resolver.addHost("multi.example", {"127.0.0.1", "127.0.0.2"});
  window.setAddressText("http://multi.example/");
  RunNetBlockLookup(program.ctx);
  EXPECT_EQ(queries, std::vector<std::string>{"127.0.0.1, 127.0.0.2||multi.example"});
  EXPECT_EQ(window.netBlock().text(), "Two owners");
}

TEST_F(NetBlockTest, ShortAddressesAndFailuresLeaveTheViewEmpty) {
  start();
  window.setAddressText("http");
  RunNetBlockLookup(program.ctx);
  EXPECT_TRUE(requests().empty());

  resolver.addHost("example.com", {"127.0.0.1"});
  window.setAddressText("http://example.com/");
  RunNetBlockLookup(program.ctx);  // the script answers 404
  EXPECT_EQ(messageTexts(),
            std::vector<std::string>{"Woops, an error has occured whilst getting the net-block information"});
  EXPECT_EQ(window.netBlock().text(), "");
}

TEST(NetBlockAnswer, MarkersAreCutInExactCase) {
  EXPECT_EQ(CutNetBlockAnswer("a[CONTENT]b<b>c</b>d[/CONTENT]e"), "c");
  EXPECT_EQ(CutNetBlockAnswer("plain answer"), "plain answer");
  // Markers in other letter case pass the test but are not found by the cut: nothing is lost.
  EXPECT_EQ(CutNetBlockAnswer("x[content]y"), "x[content]y");
}

TEST_F(NetBlockTest, UnattendedRunWritesSourceAndOwnerInfo) {
  serve("/page.html", "<html>page</html>");
  serveAnswers("[CONTENT]<b>Owner</b>[/CONTENT]");
  start();
  const std::string out = program.root.file("results with space.txt");
  window.setAddressText(site.url("/page.html"));  // as the command line's interpreter leaves it
  EXPECT_EQ(RunUnattendedQuery(program.ctx, site.url("/page.html"), out, true), 0);
  const std::string written = program.root.read("results with space.txt");
  EXPECT_TRUE(StartsWith(written, std::string(65, '*') + "\r\n"));
  const std::string stars(51, '*');
  EXPECT_TRUE(EndsWith(
      written, "<html>page</html>\r\n\r\n\r\n" + stars + "\r\nNetblock Information\r\n" + stars + "\r\nOwner\r\n"));
  EXPECT_TRUE(desktop.messages.empty());
  // The analyses did not run: the placeholders stay for the file.
  EXPECT_TRUE(Contains(written, "\r\n[SCRIPTS]\r\n"));

  // An output file that cannot be written fails the run and says so in the log.
  EXPECT_EQ(RunUnattendedQuery(program.ctx, site.url("/page.html"), program.root.file("missing/dir/out.txt"), false),
            kExitOutputNotWritable);
  EXPECT_TRUE(Contains(ReadWholeFile(GetLogPath(program.ctx, kApplicationLog)).value_or(""), "missing/dir/out.txt"));

  // A dead address fails the run, and its file holds nothing of the page fetched before.
  const std::string dead = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/page.html";
  EXPECT_EQ(RunUnattendedQuery(program.ctx, dead, out, true), kExitFetchFailed);
  EXPECT_FALSE(Contains(program.root.read("results with space.txt"), "page"))
      << program.root.read("results with space.txt");
  // A server that answers 404 with a page of its own counts as fetched.
  EXPECT_EQ(RunUnattendedQuery(program.ctx, site.url("/no-such-page"), out, false), kExitSuccess);
}

}  // namespace
}  // namespace kestrum::testing
