// kestrum-cli under faults: exit statuses, what it leaves on disk, several runs on one folder,
// and an installed layout.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"
#include "core/text.h"
#include "support/local_server.h"
#include "support/temp_folder.h"

namespace kestrum::testing {
namespace {

namespace fs = std::filesystem;

class CliFaultTest : public ::testing::Test {
 protected:
  CliFaultTest() {
    fs::create_directories(home + "/Storage");
    site.server().Get("/online.txt",
                      [](const httplib::Request&, httplib::Response& r) { r.set_content("1", "text/plain"); });
    site.server().Get("/404", [](const httplib::Request&, httplib::Response& r) {
      r.status = 404;
      r.set_content("<html>no such page, says the server</html>", "text/html");
    });
    site.server().Get("/500", [](const httplib::Request&, httplib::Response& r) {
      r.status = 500;
      r.set_content("<html>the server broke</html>", "text/html");
    });
    // Slow enough that runs started together are all in flight at once.
    site.server().Get(R"(/page(\d+)\.html)", [](const httplib::Request& request, httplib::Response& r) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      r.set_content("<html>page number " + request.matches[1].str() + "</html>", "text/html");
    });
    site.start();
    settings = "[Settings]\r\nIsTheInternetAlive=" + site.url("/online.txt") +
               "\r\n[Services]\r\nKestrumServices=" + site.url("") + "\r\n";
    root.write("home/Storage/cfg.ini", settings);
  }
  CliEnvironment env() const { return {kCliProgram, home, root.file("data"), ""}; }
  RunResult run(const std::vector<std::string>& args) { return RunCliWith(args, env()); }

  TempFolder root;
  std::string home = root.file("home");
  LocalServer site;
  std::string settings;
};

TEST_F(CliFaultTest, ExitStatusesTellFetchedFromFailedFromMisused) {
  const std::string dead = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/p.html";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string in_out;  // expected in standard output
  };
  const Case cases[] = {
      {{"dissect", site.url("/404")}, 0, "no such page, says the server"},  // any HTTP status is a fetch
      {{"dissect", site.url("/500")}, 0, "the server broke"},
      {{"dissect", dead}, 1, "The request failed: Cannot connect (12029)"},
      {{"dissect"}, 2, ""},
      {{"dissect", "--no-such-option", site.url("/404")}, 2, ""},
  };
  for (const Case& c : cases) {
    const RunResult result = run(c.args);
    EXPECT_EQ(result.status, c.status) << c.args.back() << result.err;
    EXPECT_TRUE(Contains(result.out, c.in_out)) << c.args.back() << result.out;
  }
  // Standard output that cannot take the report.
  CliEnvironment full = env();
  full.stdout_path = "/dev/full";
  EXPECT_EQ(RunCliWith({"dissect", site.url("/404")}, full).status, 3);
}

TEST_F(CliFaultTest, AnUnusableLogEndsTheRunWithItsOwnStatus) {
  // Where each log folder would go, a file stands; the questions are answered No.
  root.write("home/Storage/Logs", "");
  fs::create_directories(root.file("data/kestrum"));
  root.write("data/kestrum/Logs", "");
  const RunResult result = run({"dissect", site.url("/404")});
  EXPECT_EQ(result.status, 4) << result.err;
  EXPECT_TRUE(Contains(result.err, "log")) << result.err;
}

TEST_F(CliFaultTest, ARunLeavesCfgIniAsItFoundItAndClearsStalePartialFiles) {
  fs::create_directories(home + "/Storage/dl_temp");
  const std::string stale = home + "/Storage/dl_temp/old.txt.part-Ab12Cd";
  root.write("home/Storage/dl_temp/old.txt.part-Ab12Cd", "half a page from a run that was killed");
  const timespec long_ago[2] = {{1, 0}, {1, 0}};
  ::utimensat(AT_FDCWD, stale.c_str(), long_ago, 0);

  EXPECT_EQ(run({"dissect", site.url("/page1.html")}).status, 0);
  // Absent keys (chkProxy, Proxy_URL, chkAutoScanExes ...) read as their defaults and stay absent.
  EXPECT_EQ(root.read("home/Storage/cfg.ini"), settings);
  EXPECT_FALSE(fs::exists(stale));

  fs::remove(home + "/Storage/cfg.ini");
  run({"dissect", site.url("/page1.html")});
  EXPECT_FALSE(fs::exists(home + "/Storage/cfg.ini"));
}

TEST_F(CliFaultTest, RunsStartedTogetherOnOneFolderEachShowTheirOwnPage) {
  for (int round = 0; round < 3; ++round) {
    std::vector<std::unique_ptr<CliProcess>> runs;
    for (int page = 0; page < 4; ++page)
      runs.push_back(std::make_unique<CliProcess>(
          std::vector<std::string>{"dissect", site.url("/page" + std::to_string(page) + ".html")}, env()));
    for (int page = 0; page < 4; ++page) {
      const RunResult result = runs[static_cast<size_t>(page)]->finish();
      EXPECT_EQ(result.status, 0) << result.err;
      for (int other = 0; other < 4; ++other) {
        const std::string text = "<html>page number " + std::to_string(other) + "</html>";
        EXPECT_EQ(Contains(result.out, text), other == page) << "run " << page << " shows page " << other;
      }
    }
  }
}

TEST_F(CliFaultTest, AnInstalledProgramKeepsItsFilesInThePerUserFolder) {
  const std::string bin = root.file("prefix/bin");
  fs::create_directories(bin);
  fs::copy_file(kCliProgram, bin + "/kestrum-cli");
  CliEnvironment installed{bin + "/kestrum-cli", "", root.file("data"), ""};
  fs::create_directories(root.file("data/kestrum/Storage"));
  root.write("data/kestrum/Storage/cfg.ini", settings);

  const RunResult result = RunCliWith({"dissect", site.url("/page7.html")}, installed);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(Contains(result.out, "page number 7"));
  std::vector<std::string> beside;
  for (const auto& entry : fs::directory_iterator(bin)) beside.push_back(entry.path().filename().string());
  EXPECT_EQ(beside, std::vector<std::string>{"kestrum-cli"}) << "nothing is written beside an installed program";
  EXPECT_TRUE(fs::exists(root.file("data/kestrum/Storage/Logs/applog.log")));
  EXPECT_TRUE(fs::is_directory(root.file("data/kestrum/Storage/dl_temp")));
}

}  // namespace
}  // namespace kestrum::testing
