#include "dissect/dissect_command.h"

#include <gtest/gtest.h>

#include "core/ini_profile.h"
#include "core/storage.h"
#include "core/text.h"
#include "decode/base64.h"
#include "dissect/reputation_lookups.h"
#include "pipeline_fixture.h"

namespace kestrum::testing {
namespace {

constexpr Rgb kYellow{255, 255, 0};

class DissectTest : public PipelineTest {
 protected:
  void servePage(const std::string& body) { serve("/page.html", body); }
  // The lookup services, answering as the list files would.
  void serveLookups(const std::string& braxel, const std::string& mdl, const std::string& phish_xml) {
    site.server().Get("/",
                      [braxel](const httplib::Request&, httplib::Response& r) { r.set_content(braxel, "text/plain"); });
    site.server().Get("/scripts/mdl2.php",
                      [mdl](const httplib::Request&, httplib::Response& r) { r.set_content(mdl, "text/plain"); });
    site.server().Post(R"(/checkurl/.*)", [phish_xml](const httplib::Request&, httplib::Response& r) {
      r.set_content(phish_xml, "text/xml");
    });
  }
  void checkAll() {
    set("Settings", "chkBraxel", "1");
    set("Settings", "chkMDL", "1");
    set("Settings", "chkPhishTank", "1");
  }
  void dissect(const std::string& typed_address) {
    window.setAddressText(typed_address);
    RunDissect(program.ctx);
  }
  bool hasLine(const std::string& line) {
    const auto lines = Split(window.source().text(), "\r\n");
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

TEST_F(DissectTest, WithoutSettingsNothingIsCheckedAndTheScanRunsOnce) {
  servePage("<html><iframe src=x></iframe></html>");
  start();
  window.setCaption("Kestrum");
  dissect(site.url("/page.html"));
  EXPECT_TRUE(hasLine("Braxel Status: Not Checked"));
  EXPECT_TRUE(hasLine("MDL Status: Not Checked"));
  EXPECT_TRUE(hasLine("PhishTank Status: Not Checked"));
  EXPECT_TRUE(hasLine("Scripts: 0"));
  EXPECT_TRUE(hasLine("iFrames: 1"));
  EXPECT_EQ(ReadSetting(program.ctx, "Automation", "chkAutoScanExes", "absent"), "1");
  EXPECT_EQ(window.addressBackground(), kWhite);
  EXPECT_EQ(window.caption(), "Kestrum");
  // The placeholders are replaced in place: the iframe's colouring still lines up with its text.
  const size_t frame = window.source().text().find("<iframe");
  EXPECT_EQ(window.sourcePane().colorAt(frame), kRed);
  EXPECT_TRUE(window.sourcePane().boldAt(frame));
  for (const auto& request : requests()) EXPECT_EQ(request, "GET /page.html");
}

TEST_F(DissectTest, ListedHostsColourTheAddressBoxByClass) {
  servePage("<html>listed</html>");
  start();
  checkAll();
  struct Case {
    std::string answer, line;
    Rgb background, text;
  } cases[] = {
      {"Listed||ats", "Braxel Status: Listed [ Class: ats ]", kYellow, kBlack},
      {"Listed||Not Specified", "Braxel Status: Listed [ Class: Not Specified ]", Rgb{255, 192, 128}, kWhite},
      {"Listed||EMD||extra", "Braxel Status: Listed [ Class: EMD ]", kRed, kWhite},
      {"listed||ATS", "Braxel Status: Not Listed", kWhite, kBlack},
  };
  std::string answer;
  site.stop();
  LocalServer lookups;
  lookups.server().Get("/page.html", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<html>listed</html>", "text/html");
  });
  lookups.server().Get(
      "/", [&answer](const httplib::Request&, httplib::Response& r) { r.set_content(answer, "text/plain"); });
  lookups.start();
  set("Services", "KestrumServices", lookups.url(""));
  for (const auto& c : cases) {
    answer = c.answer;
    window.setAddressColors(kBlack, kBlack);
    dissect(lookups.url("/page.html"));
    EXPECT_TRUE(hasLine(c.line)) << c.answer;
    EXPECT_EQ(window.addressBackground(), c.background) << c.answer;
    EXPECT_EQ(window.addressForeground(), c.text) << c.answer;
  }
  // A listing without a class leaves the colours of the run before.
  answer = "Listed";
  window.setAddressColors(kYellow, kBlack);
  dissect(lookups.url("/page.html"));
  EXPECT_TRUE(hasLine("Braxel Status: Listed [ Class Not Returned ]"));
  EXPECT_EQ(window.addressBackground(), kYellow);
}

TEST_F(DissectTest, LookupsSendTheirRequestsAndReadTheAnswers) {
  servePage("<html>phish</html>");
  serveLookups("Listed||GRM\r\n", "Listed", "<response><in_database>true</in_database></response>");
  start();
  checkAll();
  dissect(site.url("/page.html"));
  EXPECT_TRUE(hasLine("Braxel Status: Listed [ Class: GRM ]"));
  EXPECT_TRUE(hasLine("MDL Status: Listed"));
  EXPECT_TRUE(hasLine("PhishTank Status: Listed"));

  const std::string host = "http://127.0.0.1";
  const auto seen = requests();
  EXPECT_NE(std::find(seen.begin(), seen.end(), "GET /?v=KestrumDE_v0.3.7&s=" + host), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), "GET /scripts/mdl2.php?st=l&v=KestrumDE_v0.3.7&sq=" + host),
            seen.end());
  const std::string phish = "POST /checkurl/" + ReplaceAll(Base64Encode(site.url("/page.html")), "\r\n", "");
  EXPECT_NE(std::find(seen.begin(), seen.end(), phish), seen.end());
  // The MDL answer overwrote the Braxel one; the PhishTank answer is kept with CR LF.
  const std::string temp = GetTempFolder(program.ctx);
  EXPECT_EQ(ReadWholeFile(temp + "/braxel.txt"), "Listed");
  EXPECT_EQ(ReadWholeFile(temp + "/phishtank.txt"), "<response><in_database>true</in_database></response>\r\n");
}

TEST_F(DissectTest, ALookupWithoutAnswerIsUnknownNotAVerdict) {
  servePage("<html>x</html>");
  site.server().Post(R"(/checkurl/.*)", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<response>no element</response>", "text/xml");
  });
  start();
  checkAll();
  const std::string down = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort());
  struct Case {
    const char* what;
    std::string service_base;  // empty: the site, whose "/" and MDL script answer 404
    const char* phishtank_line;
  };
  const Case cases[] = {
      {"services answering 404", "", "PhishTank Status: Not Listed"},  // an answer, without a verdict in it
      {"services down", down, "PhishTank Status: Unknown"},
  };
  for (const Case& c : cases) {
    for (const char* key : {"Braxel", "MDL", "PhishTank"}) set("Services", key, c.service_base);
    window.setAddressColors(kYellow, kBlack);  // a previous run's listing
    dissect(site.url("/page.html"));
    EXPECT_TRUE(hasLine("Braxel Status: Unknown")) << c.what;
    EXPECT_TRUE(hasLine("MDL Status: Unknown")) << c.what;
    EXPECT_TRUE(hasLine(c.phishtank_line)) << c.what << window.source().text();
    EXPECT_EQ(window.addressBackground(), kWhite) << c.what << ": no colour for an unknown verdict";
    EXPECT_EQ(window.addressForeground(), kBlack) << c.what;
  }
  const std::string log = ReadWholeFile(program.storage() + "/Logs/applog.log").value_or("");
  EXPECT_TRUE(Contains(log, "The Braxel status is unknown: the service answered 404 (Not found)")) << log;
  EXPECT_TRUE(Contains(log, "The MDL status is unknown: Cannot connect (12029)")) << log;
  EXPECT_TRUE(Contains(log, "The PhishTank status is unknown: Cannot connect (12029)")) << log;
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(DissectTest, AnAnswerOfNotListedStaysNotListed) {
  servePage("<html>x</html>");
  serveLookups("Not Listed", "Not Listed", "<response><in_database>false</in_database></response>");
  start();
  checkAll();
  dissect(site.url("/page.html"));
  EXPECT_TRUE(hasLine("Braxel Status: Not Listed"));
  EXPECT_TRUE(hasLine("MDL Status: Not Listed"));
  EXPECT_TRUE(hasLine("PhishTank Status: Not Listed"));
}

TEST_F(DissectTest, UnattendedRunsSkipTheAnalyses) {
  servePage("<html><iframe src=x></iframe><script>window.location='y'</script></html>");
  start();
  set("Automation", "chkAutoScanLinks", "1");
  program.ctx.output_to_file = true;
  dissect(site.url("/page.html"));
  EXPECT_TRUE(hasLine("Scripts: 0"));
  EXPECT_TRUE(hasLine("iFrames: 0"));
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_EQ(window.links().count(), 0u);
  EXPECT_TRUE(window.sourcePane().formats().empty());
}

TEST_F(DissectTest, NoConnectionChangesNothing) {
  start();
  OverrideConnectionStateForTesting(false);
  set("Settings", "IsTheInternetAlive", "http://127.0.0.1:1/online.txt");
  window.source().setText("old");
  dissect("example.com");
  ASSERT_EQ(messageTexts(), std::vector<std::string>{"Please connect to the internet first"});
  EXPECT_EQ(window.addressText(), "example.com");
  EXPECT_EQ(window.source().text(), "old");
}

TEST_F(DissectTest, AddsTheSchemeOnlyWhenNoneIsThere) {
  servePage("<html>x</html>");
  start();
  dissect("127.0.0.1:" + std::to_string(site.port()) + "/page.html");
  EXPECT_EQ(window.addressText(), site.url("/page.html"));
  EXPECT_TRUE(hasLine("Source code for: " + site.url("/page.html")));
}

TEST(LastAnswerField, ReadsTheLastCommaSeparatedField) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Listed||ATS", "Listed||ATS"},           {"Listed||ATS\r\nNot", "Not"}, {"a, b ,  c", "c"},
      {"\"Listed, quoted\"", "Listed, quoted"}, {"Listed\r\n\r\n", "Listed"},  {"", ""},
  };
  for (const auto& [answer, field] : cases) EXPECT_EQ(LastAnswerField(answer), field) << answer;
}

}  // namespace
}  // namespace kestrum::testing
