// kestrum-cli's JSON report, batch runs, per-run options and terminal safety, against a site on
// loopback.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "core/text.h"
#include "support/local_server.h"
#include "support/temp_folder.h"

namespace kestrum::testing {
namespace {

using nlohmann::json;

// The CLI with its own program folder; standard output to a file, or to `stdout_path`.
RunResult RunCli(const std::vector<std::string>& args, const std::string& home, const std::string& input = "",
                 const std::string& stdout_path = "") {
  return RunCliWith(args, {kCliProgram, home, home + "-data", stdout_path}, input);
}

class ReportTest : public ::testing::Test {
 protected:
  void settings(const std::string& ini) { root.write("home/Storage/cfg.ini", ini); }
  std::string settingsText() const { return root.read("home/Storage/cfg.ini"); }
  TempFolder root;
  std::string home = root.file("home");

  ReportTest() {
    root.write("placeholder", "");
    ::mkdir(home.c_str(), 0755);
    ::mkdir((home + "/Storage").c_str(), 0755);
    site.server().Get("/online.txt",
                      [](const httplib::Request&, httplib::Response& r) { r.set_content("1", "text/plain"); });
    // Three hops before the page.
    for (int hop = 1; hop <= 3; ++hop) {
      site.server().Get("/hop" + std::to_string(hop), [hop](const httplib::Request&, httplib::Response& r) {
        r.status = hop == 2 ? 301 : 302;
        r.set_header("Location", hop == 3 ? "/abc.html" : "/hop" + std::to_string(hop + 1));
        r.set_header("X-Hop", std::to_string(hop));
      });
    }
    site.server().Get("/abc.html",
                      [](const httplib::Request&, httplib::Response& r) { r.set_content("abc", "text/html"); });
    site.server().Get("/refresh.html", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(
          "<html><head><meta charset=\"iso-8859-1\"><meta http-equiv=\"refresh\" content=\"0; "
          "url=http://next.test/go\">"
          "</head><script>window.location.href = 'http://js.test/x';</script></html>",
          "text/html; charset=utf-8");
    });
    site.server().Get("/hostile.html", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(std::string("<p>clear\x1b[2Jtitle\x1b]0;owned\x07 bell\x07 nul\0after nul</p>\x9d", 52),
                    "text/html");
    });
    site.server().Get("/pwinb.asp", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("[CONTENT]<b>Owner: Loopback Net</b>[/CONTENT]", "text/html");
    });
    site.server().Get("/ua", [](const httplib::Request& q, httplib::Response& r) {
      r.set_content("ua=" + q.get_header_value("User-Agent"), "text/plain");
    });
    site.start();
    base_settings = "[Services]\r\nKestrumServices=" + site.url("") +
                    "\r\n[Settings]\r\nIsTheInternetAlive=" + site.url("/online.txt") +
                    "\r\nchkProxy=0\r\nchkMSXML=0\r\n[Automation]\r\nchkAutoScanLinks=1\r\n"
                    "chkAutoScanExes=1\r\n";
    settings(base_settings);
  }

  static std::vector<json> Lines(const std::string& out) {
    std::vector<json> reports;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) reports.push_back(json::parse(line));
    return reports;
  }

  LocalServer site;
  std::string base_settings;
};

TEST_F(ReportTest, RedirectChainAndBodyFactsFieldByField) {
  const RunResult run = RunCli({"dissect", "--json", site.url("/hop1")}, home);
  ASSERT_EQ(run.status, 0) << run.err;
  const json report = json::parse(run.out);
  EXPECT_EQ(report["schemaVersion"], 1);
  EXPECT_EQ(report["fetched"], true);
  const json& fetch = report["fetch"];
  EXPECT_EQ(fetch["requestedAddress"], site.url("/hop1"));
  EXPECT_EQ(fetch["finalAddress"], site.url("/abc.html"));
  ASSERT_EQ(fetch["redirects"].size(), 3u) << fetch.dump(1);
  const std::pair<int, std::string> hops[] = {{302, "/hop2"}, {301, "/hop3"}, {302, "/abc.html"}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(fetch["redirects"][i]["status"], hops[i].first);
    EXPECT_EQ(fetch["redirects"][i]["location"], hops[i].second);
    EXPECT_TRUE(
        Contains(fetch["redirects"][i]["headers"].get<std::string>(), "X-Hop: " + std::to_string(i + 1) + "\r\n"));
  }
  EXPECT_EQ(fetch["httpStatus"], 200);
  EXPECT_EQ(fetch["primaryIp"], "127.0.0.1");
  EXPECT_EQ(fetch["primaryPort"], site.port());
  EXPECT_EQ(fetch["method"], "download");
  EXPECT_TRUE(fetch["error"].is_null());
  EXPECT_TRUE(fetch["certificate"].is_null());
  EXPECT_GE(fetch["seconds"].get<double>(), 0.0);

  const json& body = report["body"];
  EXPECT_EQ(body["bytes"], 3);
  EXPECT_EQ(body["contentType"], "text/html");
  EXPECT_EQ(body["sha256"], "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(body["sha1"], "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(body["md5"], "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(body["charset"]["used"], "windows-1252");

  for (const char* service : {"Braxel", "MDL", "PhishTank"}) {
    bool listed = false;
    for (const auto& verdict : report["verdicts"]) {
      if (verdict["service"] != service) continue;
      listed = true;
      EXPECT_EQ(verdict["verdict"], "Not Checked");
      EXPECT_TRUE(verdict["answer"].is_null());
    }
    EXPECT_TRUE(listed) << service;
  }
  EXPECT_TRUE(report["netBlock"].is_null());
}

TEST_F(ReportTest, MetaRefreshAndScriptRedirectStandWhereTheReportSays) {
  const RunResult run = RunCli({"dissect", "--json", "--method", "xmlhttp", site.url("/refresh.html")}, home);
  ASSERT_EQ(run.status, 0) << run.err;
  const json report = json::parse(run.out);
  const std::string source = report["source"];
  ASSERT_EQ(report["redirectsInPage"].size(), 2u) << report["redirectsInPage"].dump();
  const std::pair<std::string, std::string> expected[] = {{"meta refresh", "http://next.test/go"},
                                                          {"window.location", "http://js.test/x"}};
  for (size_t i = 0; i < 2; ++i) {
    const json& r = report["redirectsInPage"][i];
    EXPECT_EQ(r["method"], expected[i].first);
    EXPECT_EQ(r["target"], expected[i].second);
    EXPECT_EQ(source.substr(r["start"], r["length"]), expected[i].second);
  }
  std::vector<std::string> kinds;
  for (const auto& mark : report["marks"]) {
    kinds.push_back(mark["kind"]);
    if (mark["kind"] == "meta refresh") {
      EXPECT_EQ(source.substr(mark["start"], mark["length"]), "http-equiv=\"refresh\"");
    }
  }
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), "meta refresh"), kinds.end());
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), "window.location"), kinds.end());
  EXPECT_EQ(report["body"]["charset"]["header"], "utf-8");
  EXPECT_EQ(report["body"]["charset"]["meta"], "iso-8859-1");
  EXPECT_EQ(report["body"]["charset"]["used"], "utf-8");
  EXPECT_EQ(report["fetch"]["method"], "xmlhttp");
}

TEST_F(ReportTest, ControlCharactersNeverReachTheTerminalRaw) {
  const RunResult text = RunCli({"dissect", site.url("/hostile.html")}, home);
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(text.out.find('\x07'), std::string::npos);
  EXPECT_EQ(text.out.find('\0'), std::string::npos);
  // Byte 0x9d is the code page's undefined slot, held as U+009D, a C1 control.
  EXPECT_TRUE(Contains(text.out, "clear\\x1b[2Jtitle\\x1b]0;owned\\x07 bell\\x07 nul\\x00after nul</p>\\u009d"))
      << text.out;
  EXPECT_FALSE(Contains(text.out, "\xc2\x9d"));

  const RunResult as_json = RunCli({"dissect", "--json", site.url("/hostile.html")}, home);
  EXPECT_TRUE(Contains(as_json.out, "clear\\u001b[2J")) << as_json.out;
  EXPECT_TRUE(Contains(json::parse(as_json.out)["source"].get<std::string>(), std::string("nul\0after nul", 13)));
}

TEST_F(ReportTest, SelfSignedCertificateIsReportedWithItsDetails) {
  LocalServer secure(KESTRUM_SOURCE_DIR "/tests/net/fixtures/localhost.crt",
                     KESTRUM_SOURCE_DIR "/tests/net/fixtures/localhost.key");
  secure.server().Get("/page",
                      [](const httplib::Request&, httplib::Response& r) { r.set_content("secure", "text/plain"); });
  secure.start();
  const RunResult run = RunCli({"dissect", "--json", secure.url("/page")}, home);
  ASSERT_EQ(run.status, 0) << run.err;
  const json certificate = json::parse(run.out)["fetch"]["certificate"];
  EXPECT_EQ(certificate["verified"], false);
  EXPECT_EQ(certificate["error"]["code"], 12045);
  EXPECT_EQ(certificate["error"]["text"], "Invalid ca");
  EXPECT_TRUE(Contains(certificate["reason"].get<std::string>(), "self-signed")) << certificate.dump();
  EXPECT_TRUE(Contains(certificate["subject"].get<std::string>(), "localhost")) << certificate.dump();
  EXPECT_TRUE(Contains(certificate["issuer"].get<std::string>(), "localhost"));
  EXPECT_TRUE(Contains(certificate["validFrom"].get<std::string>(), "2020"));
  EXPECT_TRUE(Contains(certificate["validUntil"].get<std::string>(), "2060"));
  EXPECT_EQ(certificate["names"], (json{"DNS:localhost", "IP Address:127.0.0.1"}));
}

TEST_F(ReportTest, NetBlockOwnerOnlyWhenAskedFor) {
  const RunResult run = RunCli({"dissect", "--json", "--netblock", site.url("/abc.html")}, home);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(json::parse(run.out)["netBlock"].get<std::string>(), "Owner: Loopback Net")) << run.out;
  const RunResult text = RunCli({"dissect", "--netblock", site.url("/abc.html")}, home);
  EXPECT_TRUE(Contains(text.out, "==== Net-Block ====\n")) << text.out;
}

TEST_F(ReportTest, BatchGoesOnPastADeadAddressAndSaysSoInItsStatus) {
  const std::string dead = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/";
  const std::string list = site.url("/abc.html") + "\n\n# skipped\n" + dead + "\n" + site.url("/refresh.html") + "\n";
  for (const bool from_stdin : {true, false}) {
    root.write("list.txt", list);
    const RunResult run = from_stdin ? RunCli({"dissect", "--jsonl", "-i", "-"}, home, list)
                                     : RunCli({"dissect", "--jsonl", "-i", root.file("list.txt")}, home);
    EXPECT_EQ(run.status, 1) << run.err;
    const auto reports = Lines(run.out);
    ASSERT_EQ(reports.size(), 3u) << run.out;
    EXPECT_EQ(reports[0]["fetched"], true);
    EXPECT_EQ(reports[1]["fetched"], false);
    EXPECT_EQ(reports[1]["fetch"]["error"]["code"], 12029);
    EXPECT_EQ(reports[1]["fetch"]["error"]["text"], "Cannot connect");
    EXPECT_TRUE(reports[1]["body"].is_null());
    EXPECT_EQ(reports[2]["fetched"], true);
    EXPECT_NE(reports[0]["savedPageFile"], reports[2]["savedPageFile"]);
    EXPECT_TRUE(Contains(run.err, dead + " could not be fetched: ")) << run.err;
    EXPECT_TRUE(Contains(run.err, "Cannot connect (12029)")) << run.err;
  }
  // Every address fetched: success, whatever the HTTP status.
  EXPECT_EQ(RunCli({"dissect", "--jsonl", site.url("/abc.html"), site.url("/missing")}, home).status, 0);
}

TEST_F(ReportTest, RunOptionsApplyToThisRunOnlyAndLeaveCfgIniAlone) {
  const RunResult set = RunCli({"dissect", "--json", "--set", "Settings.cboUAString=from set", site.url("/ua")}, home);
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_TRUE(Contains(json::parse(set.out)["source"].get<std::string>(), "ua=from set"));
  const RunResult named = RunCli(
      {"dissect", "--json", "--set", "Settings.cboUAString=from set", "--user-agent", "named", site.url("/ua")}, home);
  EXPECT_TRUE(Contains(json::parse(named.out)["source"].get<std::string>(), "ua=named"));
  EXPECT_EQ(settingsText(), base_settings);

  const RunResult quiet = RunCli({"dissect", "--no-log", site.url("/ua?quiet")}, home);
  EXPECT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_TRUE(Contains(root.read("home/Storage/Logs/applog.log"), "/ua"));  // the runs before
  EXPECT_FALSE(Contains(root.read("home/Storage/Logs/applog.log"), "/ua?quiet"));
}

TEST_F(ReportTest, ReportFileIsWrittenWholeAndWriteErrorsGiveAStatus) {
  const RunResult to_file =
      RunCli({"dissect", "--jsonl", "-o", root.file("report.jsonl"), site.url("/abc.html")}, home);
  EXPECT_EQ(to_file.status, 0) << to_file.err;
  EXPECT_EQ(to_file.out, "");
  EXPECT_EQ(Lines(root.read("report.jsonl")).size(), 1u);
  EXPECT_EQ(RunCli({"dissect", "-o", root.file("no-such-folder/r.txt"), site.url("/abc.html")}, home).status, 3);
  EXPECT_EQ(RunCli({"dissect", "--jsonl", site.url("/abc.html")}, home, "", "/dev/full").status, 3);
  EXPECT_EQ(RunCli({"decode", "base64", "YWJj"}, home, "", "/dev/full").status, 3);
}

TEST_F(ReportTest, BadCommandLinesAreRefusedAndHelpIsTheCommandsOwn) {
  const std::vector<std::string> refused[] = {
      {"dissect"},
      {"dissect", "--method", "ftp", "http://a.test/"},
      {"dissect", "--timeout", "0", "http://a.test/"},
      {"dissect", "--timeout", "ten", "http://a.test/"},
      {"dissect", "--set", "NoDot=1", "http://a.test/"},
      {"dissect", "--set", "Settings.Key", "http://a.test/"},
      {"dissect", "--frobnicate", "http://a.test/"},
      {"dissect", "--proxy", "no such entry", "http://a.test/"},
      {"dissect", "-i", "/no/such/list", "http://a.test/"},
  };
  for (const auto& args : refused) EXPECT_EQ(RunCli(args, home).status, 2) << args.back() << " " << args[1];
  const RunResult help = RunCli({"dissect", "--help"}, home);
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(StartsWith(help.out, "Usage: kestrum-cli dissect [OPTION...] URL...")) << help.out;
  EXPECT_TRUE(Contains(help.out, "--jsonl"));
}

}  // namespace
}  // namespace kestrum::testing
