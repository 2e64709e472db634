// kestrum-cli driven as a user drives it: a process with arguments, standard input and output.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "core/text.h"
#include "support/local_server.h"
#include "support/temp_folder.h"

namespace kestrum::testing {
namespace {

// Runs the CLI with its own program folder (and a per-user folder beside it); `input` is its
// standard input.
RunResult RunCli(const std::vector<std::string>& args, const std::string& home, const std::string& input = "") {
  return RunCliWith(args, {kCliProgram, home, home + "-data", ""}, input);
}

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    home = root.file("home");
    root.write("placeholder", "");
    ::mkdir(home.c_str(), 0755);
    ::mkdir((home + "/Storage").c_str(), 0755);
  }
  void settings(const std::string& ini) { root.write("home/Storage/cfg.ini", ini); }
  TempFolder root;
  std::string home;
};

TEST_F(CliTest, DissectPrintsTheWholeVerdictAsJson) {
  LocalServer site;
  site.server().Get("/page.html", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<html><iframe src=\"http://x.test/f\"></iframe><a href=\"/setup.exe\">caf\xe9</a></html>",
                  "text/html; charset=windows-1252");
  });
  site.server().Get("/online.txt",
                    [](const httplib::Request&, httplib::Response& r) { r.set_content("1", "text/plain"); });
  site.start();
  settings("[Services]\r\nKestrumServices=" + site.url("") + "\r\n[Settings]\r\nIsTheInternetAlive=" +
           site.url("/online.txt") + "\r\n[Automation]\r\nchkAutoScanLinks=1\r\n");

  const RunResult run = RunCli({"dissect", "--json", site.url("/page.html")}, home);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report["address"], site.url("/page.html"));
  const std::string source = report["source"];
  EXPECT_NE(source.find("Braxel Status: Not Checked\r\n"), std::string::npos);
  EXPECT_NE(source.find("caf\xc3\xa9"), std::string::npos);  // the page's 1252 text as UTF-8
  // The header block names the page, so its address is the first link found.
  EXPECT_EQ(report["links"], (nlohmann::json{site.url("/page.html"), "http://x.test/f", "/setup.exe"}));
  EXPECT_EQ(report["addressColors"]["background"], "#ffffff");
  EXPECT_TRUE(StartsWith(report["savedPageFile"].get<std::string>(), home + "/Storage/dl_temp/"));
  // Every coloured run points at its text: the iframe is bold red.
  bool found_frame = false;
  for (const auto& run_format : report["formats"]) {
    const std::string text = source.substr(run_format["start"], run_format["length"]);
    if (text.rfind("<iframe", 0) == 0) {
      found_frame = true;
      EXPECT_EQ(run_format["color"], "#ff0000");
      EXPECT_TRUE(run_format["bold"].get<bool>());
    }
  }
  EXPECT_TRUE(found_frame);
  ASSERT_FALSE(report["messages"].empty());
  EXPECT_EQ(report["messages"][0]["title"], "Kestrum Desktop Edition");
  EXPECT_EQ(report["messages"][0]["icon"], "information");
}

TEST_F(CliTest, DissectFailsWithOneLineWhenNothingCanBeFetched) {
  LocalServer site;
  site.server().Get("/online.txt",
                    [](const httplib::Request&, httplib::Response& r) { r.set_content("1", "text/plain"); });
  site.start();
  settings("[Settings]\r\nchkMSXML=1\r\nIsTheInternetAlive=" + site.url("/online.txt") + "\r\n");
  const std::string dead = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/p.html";
  const RunResult run = RunCli({"dissect", dead}, home);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("==== Messages ====\n[exclamation] Woops, an error occured"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("==== Fetch ====\nfailed: Woops, an error occured"), std::string::npos) << run.out;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_EQ(run.err, "kestrum-cli: " + dead +
                         " could not be fetched: Woops, an error occured whilst getting the content. The request "
                         "failed: Cannot connect (12029) Please check and try again\n");
}

TEST_F(CliTest, DecodersReadArgumentsOrStandardInput) {
  struct Case {
    std::vector<std::string> args;
    std::string input, out;
    int status;
  } cases[] = {
      {{"encode", "base64", "caf\xc3\xa9"}, "", "Y2Fm6Q==\n", 0},  // encoded as 1252 bytes
      {{"decode", "base64"}, "Y2Fm6Q==\n", "caf\xe9", 0},          // not a terminal: the bytes as decoded
      {{"decode", "base64", "--raw", "Y2Fm6Q=="}, "", "caf\xe9", 0},
      {{"decode", "base64", "abc"}, "", "", 1},
      {{"decode", "entities", "&lt;b&gt;&#65;"}, "", "<b>A\n", 0},
      {{"decode", "js", "%48%69"}, "", "Hi\n", 0},
      {{"decode", "rot13", "x"}, "", "", 2},
      {{"frobnicate"}, "", "", 2},
  };
  for (const auto& c : cases) {
    const RunResult run = RunCli(c.args, home, c.input);
    EXPECT_EQ(run.status, c.status) << c.args[0] << " " << run.err;
    EXPECT_EQ(run.out, c.out) << c.args[0];
  }
  EXPECT_EQ(RunCli({"decode", "base64", "abc"}, home).err, "Input string is not valid Base64.\n");
}

TEST_F(CliTest, HelpAndVersion) {
  const RunResult version = RunCli({"--version"}, home);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "kestrum-cli (Kestrum Desktop Edition) 0.3.7\n");
  const RunResult help = RunCli({"--help"}, home);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("dissect [OPTION...] URL..."), std::string::npos);
  EXPECT_EQ(RunCli({}, home).status, 2);
}

}  // namespace
}  // namespace kestrum::testing
