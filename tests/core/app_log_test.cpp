#include "core/app_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "core/settings.h"
#include "core_test_helpers.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::LogMessages;
using testing::TestProgram;

class AppLog : public ::testing::Test {
 protected:
  void SetUp() override { ctx.desktop = &desktop; }
  std::string logPath() const { return program.storage() + "/Logs/applog.log"; }
  std::vector<std::string> logged() const { return LogMessages(program.root.read("program/Storage/Logs/applog.log")); }
  std::string cfg() const { return program.storage() + "/cfg.ini"; }
  // Writes a line with AppLog_File naming a folder that does not exist, answering as scripted.
  void writeToUnavailablePath(std::initializer_list<MessageAnswer> answers) {
    WriteSetting(ctx, "Paths", "AppLog_File", unavailable);
    desktop.scriptAnswers(answers);
    WriteLog(ctx, "line");
  }

  TestProgram program;
  Context& ctx = program.ctx;
  ScriptedDesktop desktop;
  const std::string unavailable = program.root.file("no-such-folder/app.log");
};

TEST(FormatLogLine, DayMonthYearAndTimeZeroPadded) {
  std::tm t{};
  t.tm_mday = 3;
  t.tm_mon = 0;
  t.tm_year = 2009 - 1900;
  t.tm_hour = 7;
  t.tm_min = 5;
  t.tm_sec = 9;
  EXPECT_EQ(FormatLogLine(t, "Mode changed to 4"), "03-01-2009 07:05:09 Mode changed to 4\r\n");
}

TEST_F(AppLog, FirstLineCreatesTheFileAndLaterLinesAppend) {
  EXPECT_FALSE(fs::exists(logPath()));
  WriteLog(ctx, "one");
  WriteLog(ctx, "two");
  EXPECT_EQ(GetLogPath(ctx, kApplicationLog), logPath());
  EXPECT_THAT(logged(), ElementsAre("one", "two"));
  const std::string contents = program.root.read("program/Storage/Logs/applog.log");
  EXPECT_EQ(contents.size(), 2 * 20 + 3 + 3 + 4u);
}

TEST_F(AppLog, OnlyDisableLogZeroSilencesTheWriter) {
  struct Case {
    std::optional<std::string> disable_log;
    bool written;
  } const cases[] = {{std::nullopt, true}, {"0", false}, {"1", true}, {"no", true}, {" 0", false}, {"00", true}};
  for (const auto& c : cases) {
    WriteSetting(ctx, "Settings", "Disable_Log", c.disable_log);
    fs::remove(logPath());
    WriteLog(ctx, "line");
    EXPECT_EQ(fs::exists(logPath()), c.written) << c.disable_log.value_or("(absent)");
  }
}

TEST_F(AppLog, AChangeToTheSettingsBetweenTwoLinesTakesEffectAtOnce) {
  std::ofstream(cfg(), std::ios::binary) << "[Settings]\r\nDisable_Log=1\r\n";
  WriteLog(ctx, "before");
  // Rewritten in place, same size, within the same instant: no timestamp tells the difference.
  std::ofstream(cfg(), std::ios::binary) << "[Settings]\r\nDisable_Log=0\r\n";
  WriteLog(ctx, "while off");
  std::ofstream(cfg(), std::ios::binary) << "[Settings]\r\nDisable_Log=1\r\n[Paths]\r\nAppLog_File=" +
                                                program.root.file("elsewhere.log") + "\r\n";
  WriteLog(ctx, "elsewhere");
  EXPECT_THAT(logged(), ElementsAre("before"));
  EXPECT_THAT(LogMessages(program.root.read("elsewhere.log")), ElementsAre("elsewhere"));
}

TEST_F(AppLog, ShowAndClearUseTheDefaultLogEvenWhenLinesGoElsewhere) {
  WriteLog(ctx, "default");
  WriteSetting(ctx, "Paths", "AppLog_File", program.root.file("other.log"));
  WriteLog(ctx, "other");
  MemoryTextPane view;
  ShowLog(ctx, view);
  EXPECT_THAT(LogMessages(view.text()), ElementsAre("default"));
  ClearLog(ctx, view);
  EXPECT_EQ(view.text(), "");
  EXPECT_EQ(fs::file_size(logPath()), 0u);
  EXPECT_THAT(LogMessages(program.root.read("other.log")), ElementsAre("other"));
}

TEST_F(AppLog, ShowLogListsTheLastFiftyLinesNewestOnTop) {
  std::string contents;
  // Long enough that the tail is read in more than one block.
  for (int i = 1; i <= 12000; ++i) contents += "line " + std::to_string(i) + "\r\n";
  fs::create_directories(program.storage() + "/Logs");
  program.root.write("program/Storage/Logs/applog.log", contents);
  MemoryTextPane view;
  view.setText("stale");
  ShowLog(ctx, view);
  const auto lines = Split(view.text(), "\r\n");
  ASSERT_EQ(lines.size(), 51u);  // fifty lines, each ending in CR LF
  EXPECT_EQ(lines.front(), "line 12000");
  EXPECT_EQ(lines[49], "line 11951");

  program.root.write("program/Storage/Logs/applog.log", "a\rb\nc\r\n\r\nlast without break");
  ShowLog(ctx, view);
  EXPECT_EQ(view.text(), "last without break\r\n\r\nc\r\nb\r\na\r\n");
}

TEST_F(AppLog, AMissingLogShowsNothingAndIsNotCreatedByClear) {
  MemoryTextPane view;
  view.setText("stale");
  ShowLog(ctx, view);
  EXPECT_EQ(view.text(), "");
  ClearLog(ctx, view);
  EXPECT_FALSE(fs::exists(logPath()));
}

TEST_F(AppLog, LogFolderFallsBackToThePerUserFolder) {
  fs::remove_all(program.storage());
  WriteLog(ctx, "early");
  EXPECT_THAT(LogMessages(program.root.read("userdata/kestrum/Logs/applog.log")), ElementsAre("early"));
  EXPECT_EQ(GetLogPath(ctx, kDebugLog), program.root.file("userdata/kestrum/Logs/debug.log"));
  EXPECT_EQ(GetLogPath(ctx, 7), program.root.file("userdata/kestrum/Logs/"));
}

TEST_F(AppLog, AnUnavailablePathCanBeResetToTheDefault) {
  writeToUnavailablePath({MessageAnswer::Yes});
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, "Woops, the path to my log file doesn't seem to be available\r\n\r\nPath: " +
                                          unavailable + "\r\n\r\nCan I set a default to correct this please?");
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(desktop.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(ReadSetting(ctx, "Paths", "AppLog_File", "unset"), "");
  EXPECT_THAT(logged(), ElementsAre("line"));
}

TEST_F(AppLog, RefusingTheDefaultOffersToDisableLogging) {
  writeToUnavailablePath({MessageAnswer::No, MessageAnswer::Yes});
  ASSERT_EQ(desktop.messages.size(), 2u);
  EXPECT_EQ(desktop.messages[1].text, "Okay, then can I disable logging?");
  EXPECT_EQ(desktop.messages[1].icon, MessageIcon::Question);
  EXPECT_EQ(ReadSetting(ctx, "Settings", "Disable_Log", "1"), "0");
  EXPECT_FALSE(ctx.quit_requested);
  WriteLog(ctx, "silent");  // no more questions
  EXPECT_EQ(desktop.messages.size(), 2u);
}

TEST_F(AppLog, RefusingBothRemediesEndsTheProgram) {
  writeToUnavailablePath({MessageAnswer::No, MessageAnswer::No});
  ASSERT_EQ(desktop.messages.size(), 3u);
  EXPECT_EQ(desktop.messages[2].text, "Then I am afraid I cannot load ....");
  EXPECT_EQ(desktop.messages[2].icon, MessageIcon::Information);
  EXPECT_TRUE(ctx.quit_requested);
  EXPECT_TRUE(desktop.program_ended);
}

TEST_F(AppLog, TheQuestionsAreAskedOncePerRun) {
  for (const bool own_path : {true, false}) {
    TestProgram fresh;
    ScriptedDesktop asked;  // answers No to everything
    fresh.ctx.desktop = &asked;
    if (own_path) {
      WriteSetting(fresh.ctx, "Paths", "AppLog_File", fresh.root.file("no-such-folder/app.log"));
    } else {
      // No log folder can be made: where each would go, a file stands.
      fresh.root.write("program/Storage/Logs", "");
      fs::create_directories(fresh.root.file("userdata/kestrum"));
      fresh.root.write("userdata/kestrum/Logs", "");
    }
    for (int line = 0; line < 40; ++line) WriteLog(fresh.ctx, "line " + std::to_string(line));
    EXPECT_EQ(asked.messages.size(), 3u) << own_path << ": three questions in all, not three for every line";
    EXPECT_TRUE(fresh.ctx.quit_requested) << own_path;
    EXPECT_TRUE(asked.program_ended) << own_path;
  }
}

TEST_F(AppLog, AnUnavailableDefaultPathIsNotOfferedForEver) {
  fs::create_directories(logPath());  // a folder where the log file should be
  desktop.scriptAnswers({MessageAnswer::Yes, MessageAnswer::Yes});
  WriteLog(ctx, "dropped");
  ASSERT_EQ(desktop.messages.size(), 2u);
  EXPECT_EQ(desktop.messages[1].text, "Okay, then can I disable logging?");
  EXPECT_EQ(ReadSetting(ctx, "Settings", "Disable_Log", "1"), "0");
}

TEST_F(AppLog, AFailedAppendToAnExistingLogAsksNothingAndGoesOn) {
  WriteLog(ctx, "first");
  const auto size = fs::file_size(logPath());
  {
    testing::FileSizeLimit limit(size);  // the file may not grow
    WriteLog(ctx, "cannot be appended");
  }
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_FALSE(ctx.quit_requested);
  EXPECT_THAT(logged(), ElementsAre("first"));
}

TEST_F(AppLog, DisableLoggingCommandGovernsTheWriter) {
  EXPECT_FALSE(LoggingDisabled(ctx));
  EXPECT_TRUE(ToggleDisableLog(ctx));
  EXPECT_EQ(ReadSetting(ctx, "Settings", "Log", ""), "1");
  EXPECT_TRUE(LoggingDisabled(ctx));
  WriteLog(ctx, "not written");
  EXPECT_FALSE(fs::exists(logPath()));

  EXPECT_FALSE(ToggleDisableLog(ctx));
  EXPECT_EQ(ReadSetting(ctx, "Settings", "Log", ""), "0");
  WriteLog(ctx, "written");
  EXPECT_THAT(logged(), ElementsAre("written"));
}

}  // namespace
}  // namespace kestrum
