#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "core/startup.h"
#include "core_test_helpers.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

using ::testing::ElementsAre;
using testing::LogMessages;
using testing::TestProgram;

TEST(PlanCommandLine, ClassifiesEveryForm) {
  struct Case {
    const char* command_line;
    StartAction action;
    const char* address;
    const char* output_path;
    bool net_block;
  } const cases[] = {
      {"", StartAction::Interactive, "", "", false},
      {"   ", StartAction::Interactive, "", "", false},
      {"  /ascii  ", StartAction::WriteCharTableThenInteractive, "", "", false},
      // Anything else is an address; without "://" it gets "http://" in front.
      {"/ASCII", StartAction::InteractiveQuery, "http:///ASCII", "", false},
      {"/ascii more", StartAction::InteractiveQuery, "http:///ascii more", "", false},
      {"example.com", StartAction::InteractiveQuery, "http://example.com", "", false},
      {"\"https://example.com/a b\"", StartAction::InteractiveQuery, "https://example.com/a b", "", false},
      {"gopher2://x", StartAction::NotAUrl, "", "", false},
      // The unattended form: no quotes removed, no protocol added.
      {"http://example.com /f:/tmp/out.txt", StartAction::Unattended, "http://example.com", "/tmp/out.txt", false},
      {"example.com /f:out.txt", StartAction::NotAUrl, "", "", false},
      {"\"http://example.com\" /f:out.txt", StartAction::NotAUrl, "", "", false},
      {"http://x /n /f:out file.txt", StartAction::Unattended, "http://x", "out file.txt", true},
      {"http://x /f:out.txt /n", StartAction::Unattended, "http://x", "out.txt /n", false},
      {"http://x /n /f:a.txt /f:b.txt", StartAction::Unattended, "http://x", "a.txt", true},
      {"http://x /f:", StartAction::Unattended, "http://x", "", false},
      // Switches in capitals act as their lower-case forms.
      {"http://x /F:OUT.TXT", StartAction::Unattended, "http://x", "OUT.TXT", false},
      {"http://x /N /F:out.txt", StartAction::Unattended, "http://x", "out.txt", true},
      // Only a switch is taken out: a folder name that begins with "n" survives.
      {"http://x /n /f:/data /nightly/out.txt", StartAction::Unattended, "http://x", "/data /nightly/out.txt", true},
  };
  for (const auto& c : cases) {
    const CommandLinePlan plan = PlanCommandLine(c.command_line);
    EXPECT_EQ(plan.action, c.action) << c.command_line;
    if (c.action == StartAction::NotAUrl) continue;
    EXPECT_EQ(plan.address, c.address) << c.command_line;
    EXPECT_EQ(plan.output_path, c.output_path) << c.command_line;
    EXPECT_EQ(plan.append_net_block, c.net_block) << c.command_line;
  }
}

TEST(PlanCommandLine, LogsEachStepAndNamesTheRejectedCommand) {
  EXPECT_THAT(PlanCommandLine("example.com").log_lines,
              ElementsAre("Protocol prefix missing from command, I'm gonna add one",
                          "Command passed: http://example.com", "Sending query to server ...."));
  EXPECT_THAT(PlanCommandLine("http://x /n /f:out.txt").log_lines,
              ElementsAre("Command passed: http://x /n /f:out.txt", "Command suggests outputting results to a file",
                          "Output to: out.txt", "Query: http://x", "Sending query to server ...."));

  const CommandLinePlan rejected = PlanCommandLine("\"odd://x\"");
  EXPECT_THAT(rejected.log_lines, ElementsAre("Command passed: odd://x"));
  EXPECT_EQ(rejected.error_message, "odd://x\r\n\r\nError: CLI passed is not a URL");

  const CommandLinePlan bad_address = PlanCommandLine("x.com /n /f:out.txt");
  EXPECT_EQ(bad_address.log_lines.back(), "Query: x.com");
  EXPECT_EQ(bad_address.error_message, "x.com /f:out.txt\r\n\r\nError: CLI passed is not a URL");
}

TEST(JoinCommandLine, JoinsArgumentsWithSingleSpaces) {
  const char* argv[] = {"kestrum", "http://x", "/n", "/f:out file.txt"};
  EXPECT_EQ(JoinCommandLine(4, argv), "http://x /n /f:out file.txt");
  EXPECT_EQ(JoinCommandLine(1, argv), "");
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx.desktop = &desktop;
    ctx.window = &window;
  }
  std::vector<std::string> logged() const { return LogMessages(program.root.read("program/Storage/Logs/applog.log")); }

  TestProgram program;
  Context& ctx = program.ctx;
  ScriptedDesktop desktop;
  MemoryMainView window;
};

TEST_F(Startup, TheUnattendedFormSetsItsFlagsAndTheAddressBox) {
  const CommandLinePlan plan = InterpretCommandLine(ctx, "http://x /n /f:out.txt");
  EXPECT_EQ(plan.action, StartAction::Unattended);
  EXPECT_TRUE(ctx.output_to_file);
  EXPECT_TRUE(ctx.append_net_block);
  EXPECT_TRUE(ctx.unattended);
  EXPECT_EQ(ctx.output_path, "out.txt");
  EXPECT_EQ(window.addressText(), "http://x");
  EXPECT_EQ(logged(), plan.log_lines);
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(Startup, ARejectedAddressShowsTheErrorAndLeavesNoFileOutputBehind) {
  ctx.output_to_file = ctx.append_net_block = true;
  window.setAddressText("unchanged");
  InterpretCommandLine(ctx, "x.com /n /f:out.txt");
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, "x.com /f:out.txt\r\n\r\nError: CLI passed is not a URL");
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(desktop.messages[0].caption, "Kestrum Desktop Edition");
  EXPECT_FALSE(ctx.output_to_file);
  EXPECT_FALSE(ctx.append_net_block);
  EXPECT_FALSE(ctx.unattended);
  EXPECT_EQ(window.addressText(), "unchanged");
}

TEST_F(Startup, AnInteractiveQueryPutsTheAddressInTheBox) {
  EXPECT_EQ(InterpretCommandLine(ctx, "example.com/page").action, StartAction::InteractiveQuery);
  EXPECT_EQ(window.addressText(), "http://example.com/page");
  EXPECT_FALSE(ctx.output_to_file);
}

TEST_F(Startup, TheInteractiveStartWaitsForContent) {
  PrepareInteractiveStart(ctx);
  EXPECT_EQ(window.addressText(), "http://");
  for (ViewButton off :
       {ViewButton::Source, ViewButton::Images, ViewButton::Links, ViewButton::OwnerInfo, ViewButton::Headers})
    EXPECT_FALSE(window.viewButtonEnabled(off));
  EXPECT_TRUE(window.viewButtonEnabled(ViewButton::Log));
  EXPECT_TRUE(window.viewButtonEnabled(ViewButton::Tools));
  EXPECT_FALSE(window.source().enabled());
  EXPECT_FALSE(window.netBlock().enabled());
}

TEST_F(Startup, ResultsFileHoldsTheSourceAndTheNetBlock) {
  ctx.output_path = program.root.file("out.txt");
  ASSERT_TRUE(WriteUnattendedResults(ctx, "<html>\r\nline\nlast", std::nullopt));
  EXPECT_EQ(program.root.read("out.txt"), "<html>\r\nline\r\nlast\r\n");

  ASSERT_TRUE(WriteUnattendedResults(ctx, "page", std::string("inetnum: 192.0.2.0\nowner: Example")));
  const std::string stars(51, '*');
  EXPECT_EQ(program.root.read("out.txt"), "page\r\n\r\n\r\n" + stars + "\r\nNetblock Information\r\n" + stars +
                                              "\r\ninetnum: 192.0.2.0\r\nowner: Example\r\n");
}

TEST_F(Startup, AResultsFileThatCannotBeWrittenIsLogged) {
  ctx.output_path = program.root.file("no-such-folder/out.txt");
  EXPECT_FALSE(WriteUnattendedResults(ctx, "page", std::nullopt));
  EXPECT_THAT(logged(), ElementsAre("I couldn't write the results to " + ctx.output_path));
  ctx.output_path.clear();
  EXPECT_FALSE(WriteUnattendedResults(ctx, "page", std::nullopt));
}

}  // namespace
}  // namespace kestrum
