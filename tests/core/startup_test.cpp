#include "core/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core_test_helpers.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::LogMessages;
using ::testing::StartsWith;
using testing::TestProgram;

class Load : public ::testing::Test {
 protected:
  void SetUp() override { ctx.desktop = &desktop; }
  std::vector<std::string> logged() const { return LogMessages(program.root.read("program/Storage/Logs/applog.log")); }

  TestProgram program;
  Context& ctx = program.ctx;
  ScriptedDesktop desktop;
};

TEST_F(Load, EarlyLinesGoToThePerUserLogUntilStorageExists) {
  fs::remove_all(program.storage());
  RunEarlyStartup(ctx);
  EXPECT_THAT(LogMessages(program.root.read("userdata/kestrum/Logs/applog.log")),
              ElementsAre("Intializing Kestrum Desktop Edition v0.3.7", "Platform detected as: " + ctx.platform_name));
  EXPECT_FALSE(ctx.platform_name.empty());

  EXPECT_TRUE(PrepareStorage(ctx));  // no character table yet
  EXPECT_TRUE(fs::is_directory(program.storage() + "/dl_temp"));
  EXPECT_THAT(logged(), ElementsAre("Initializing sockets"));
  EXPECT_TRUE(desktop.messages.empty());

  WriteCharConfig(ctx, "Chars", "65", "A");
  EXPECT_FALSE(PrepareStorage(ctx));
}

TEST_F(Load, AStorageThatCannotBeMadeIsReportedAndStartGoesOn) {
  program.root.write("blocker", "");
  ctx.program_folder = program.root.file("blocker/program");
  ctx.user_data_root = program.root.file("blocker/userdata");
  // Nothing can be written at all: the log asks first; the user lets it be switched off.
  desktop.scriptAnswers({MessageAnswer::No, MessageAnswer::Yes});
  PrepareStorage(ctx);
  ASSERT_EQ(desktop.messages.size(), 3u);
  EXPECT_EQ(desktop.messages[1].text, "Okay, then can I disable logging?");
  EXPECT_EQ(desktop.messages[2].text, kStorageProblemMessage);
  EXPECT_EQ(desktop.messages[2].icon, MessageIcon::Exclamation);
  // The answer could not be stored, yet it holds for the rest of the run.
  EXPECT_TRUE(ctx.logging_off_for_session);
  RunEarlyStartup(ctx);
  EXPECT_EQ(desktop.messages.size(), 3u);
}

TEST(ParseProxyList, ReadsEntriesFieldByField) {
  const std::string text =
      "; comment||with a separator\r\n"
      "\r\n"
      "no separator here\r\n"
      "Plain (US)||http://plain.example/?url=[URL]&ref=[REF]||ignored\r\n"
      "\"Quoted, Label||http://q.example/?url=[URL]\"  trailing, Second||http://second.example/\n"
      "  Padded || http://padded.example/ ,; commented field||x\r"
      "\"Open quote||http://open.example/\n"
      "Last||http://last.example/?url=[URL]";
  EXPECT_THAT(
      ParseProxyList(text + std::string(1, '\0')),
      ElementsAre(ProxyEntry{"Plain (US)", "http://plain.example/?url=[URL]&ref=[REF]"},
                  ProxyEntry{"Quoted, Label", "http://q.example/?url=[URL]"},
                  ProxyEntry{"Second", "http://second.example/"}, ProxyEntry{"Padded ", " http://padded.example/"},
                  ProxyEntry{"Open quote", "http://open.example/"},
                  ProxyEntry{"Last", "http://last.example/?url=[URL]"}));
}

TEST(ParseProxyList, TheBuiltInListHoldsFourEntries) {
  const auto entries = ParseProxyList(EmbeddedResource(104, "PSERVERS"));
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries.back().label, "Kestrel Works (UK)");
  for (const auto& entry : entries) {
    EXPECT_THAT(entry.url_template, StartsWith("http://"));
    EXPECT_THAT(entry.url_template, ::testing::EndsWith("url=[URL]&ref=[REF]"));
  }
}

TEST_F(Load, AnEmptyProxyChoiceTouchesNoFile) {
  LoadProxyEntry(ctx);
  EXPECT_FALSE(fs::exists(ProxyListPath(ctx)));
  EXPECT_EQ(ctx.proxy_template, "");
}

TEST_F(Load, AMissingProxyListIsWrittenAndTheChosenEntryTaken) {
  WriteSetting(ctx, "Settings", "cboProxyServers", "Harbour (NL)");
  LoadProxyEntry(ctx);
  EXPECT_EQ(fs::file_size(ProxyListPath(ctx)), 576u);
  EXPECT_EQ(ctx.proxy_name, "Harbour (NL)");
  EXPECT_EQ(ctx.proxy_template, "http://proxy.harbour.example/?url=[URL]&ref=[REF]");
  EXPECT_THAT(logged(), ElementsAre("Current proxy: Harbour (NL)"));
}

TEST_F(Load, TheLastEntryOfALabelWinsAndAnUnknownLabelSetsNothing) {
  program.root.write("program/Storage/proxy_servers.txt",
                     "Twin||http://one/\r\nOther||http://x/\r\nTwin||http://two/\r\n");
  WriteSetting(ctx, "Settings", "cboProxyServers", "Twin");
  LoadProxyEntry(ctx);
  EXPECT_EQ(ctx.proxy_template, "http://two/");
  EXPECT_THAT(logged(), ElementsAre("Current proxy: Twin", "Current proxy: Twin"));

  Context other = ctx;
  other.proxy_template.clear();
  WriteSetting(other, "Settings", "cboProxyServers", "twin");  // labels compare exactly
  LoadProxyEntry(other);
  EXPECT_EQ(other.proxy_template, "");
}

TEST_F(Load, AProxyListThatCannotBeWrittenIsTriedOnce) {
  fs::remove_all(program.storage());
  program.root.write("program/Storage", "a file where the folder should be");
  WriteSetting(ctx, "Settings", "cboProxyServers", "Harbour (NL)");  // lands in the per-user folder
  LoadProxyEntry(ctx);
  EXPECT_EQ(ctx.proxy_template, "");
  EXPECT_THAT(LogMessages(program.root.read("userdata/kestrum/Logs/applog.log")),
              ElementsAre(StartsWith("I couldn't write the default proxy list to ")));
}

TEST(CountdownStartFor, MinutesBecomeSecondsWithoutOverflow) {
  const std::pair<const char*, int64_t> cases[] = {
      {"10", 600},
      {"1", 60},
      {" 7 ", 420},
      {"2.5", 150},
      {"+3", 180},
      {"547", 32820},  // beyond the old 16-bit counter
      {"0.01", 1},
      {"0", 0},
      {"-3", 0},
      {"abc", 600},
      {"", 600},
      {"1e3", 600},
      {"99999999999999999999", 2147483647},
  };
  for (const auto& [text, seconds] : cases) EXPECT_EQ(CountdownStartFor(text), seconds) << text;
}

TEST_F(Load, TheScheduleIsOffUnlessSwitchedOn) {
  EXPECT_FALSE(ReadSchedule(ctx).enabled);
  WriteSetting(ctx, "Automation", "chkAutoDownload", "1");
  WriteSetting(ctx, "Automation", "txtMins", "often");
  const Schedule schedule = ReadSchedule(ctx);
  EXPECT_TRUE(schedule.enabled);
  EXPECT_EQ(schedule.countdown_start, 600);
}

TEST(Countdown, RunsFiftyTicksPerStepAndEndsBelowZero) {
  for (int64_t start : {0, 1, 600}) {
    Countdown countdown = StartCountdown(start);
    EXPECT_EQ(countdown, (Countdown{start, 5, 9}));
    int64_t ticks = 1;
    while (!TickCountdown(countdown)) ++ticks;
    EXPECT_EQ(ticks, 50 * (start + 1)) << start;
    EXPECT_EQ(countdown, (Countdown{0, 0, 0}));
  }
  // Ten minutes of countdown at the front end's tick interval.
  EXPECT_EQ(50 * 601 * kCountdownTickMs, 601 * 1000);
}

TEST(Countdown, AScheduledQueryShowsItselfInTheCaption) {
  MemoryMainView window;
  window.setCaption("before");
  Context ctx;
  ctx.window = &window;
  std::string caption_while_running;
  const Countdown countdown =
      RunScheduledQuery(ctx, 120, [&](Context& c) { caption_while_running = c.window->caption(); });
  EXPECT_EQ(caption_while_running, "Sending query ....");
  EXPECT_EQ(window.caption(), "Kestrum Desktop Edition");
  EXPECT_EQ(countdown, (Countdown{120, 5, 9}));
}

TEST(CenterWindow, HalvesTheSpareRoomInto16Bits) {
  struct Case {
    int screen_w, screen_h, window_w, window_h;
    WindowOrigin origin;
  } const cases[] = {
      {1920, 1080, 800, 600, {560, 240}},
      {1921, 1081, 800, 600, {560, 240}},  // 560.5 and 240.5: halves to the even neighbour
      {1923, 1083, 800, 600, {562, 242}},
      {800, 600, 1000, 700, {-100, -50}},
      {200000, 100000, 0, 0, {32767, 32767}},
      {0, 0, 200000, 100000, {-32768, -32768}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CenterWindow(c.screen_w, c.screen_h, c.window_w, c.window_h), c.origin) << c.screen_w;
}

TEST(LogoTooltip, TitleAndVersion) {
  EXPECT_EQ(LogoTooltip(), "Kestrum Desktop Edition 0.3.7");
}

}  // namespace
}  // namespace kestrum
