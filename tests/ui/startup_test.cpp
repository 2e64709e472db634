#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "core/identity.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"
#include "ui/rich_text_pane.h"
#include "ui/startup_sequence.h"
#include "ui/text_button.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

class StartupTest : public WindowTest {
 protected:
  CommandLinePlan start(const std::string& command_line) {
    CommandLinePlan plan = ui::RunStartup(ctx(), command_line,
                                          {[this] { window->SetViewMode(ui::kModeSource); },
                                           [this] { window->PrepareLists(); }, [this] { window->RestoreWordWrap(); }});
    window->FinishStartup();
    return plan;
  }
};

TEST_F(StartupTest, InteractiveStartWaitsForContent) {
  start("");
  EXPECT_EQ(window->addressText(), "http://");
  EXPECT_EQ(window->txtAddr->cursorPosition(), 7);
  for (ViewButton button :
       {ViewButton::Source, ViewButton::Images, ViewButton::Links, ViewButton::OwnerInfo, ViewButton::Headers})
    EXPECT_FALSE(window->viewButtonEnabled(button));
  EXPECT_TRUE(window->viewButtonEnabled(ViewButton::Tools));
  EXPECT_FALSE(window->rtfSource->isEnabled());
  EXPECT_FALSE(window->rtfNetBlock->isEnabled());
  EXPECT_EQ(window->caption(), std::string(kProgramTitle) + " [Mode: Source / Method: URLDownloadToFile ]");
  EXPECT_EQ(ReadSetting(ctx(), "Settings", "Wordwrap", ""), "1");
  EXPECT_TRUE(window->lblBase64->isHidden());
  EXPECT_TRUE(window->lblClsTools->isHidden());
  EXPECT_EQ(window->imgAppLogo->toolTip(), QStringLiteral("Kestrum Desktop Edition 0.3.7"));
  EXPECT_TRUE(std::filesystem::exists(GetCharConfigPath(ctx())));

  const std::string log = logText();
  const size_t first = log.find("Intializing Kestrum Desktop Edition v0.3.7");
  const size_t second = log.find("Platform detected as: ");
  const size_t third = log.find("Initializing sockets");
  ASSERT_NE(first, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  EXPECT_NE(third, std::string::npos);
}

TEST_F(StartupTest, AnAddressThatIsNotAUrlIsReportedWithoutTheInteractivePreparation) {
  start("just words /f:out.txt");
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_TRUE(EndsWith(desktop.messages[0].text, "\r\n\r\nError: CLI passed is not a URL"));
  EXPECT_EQ(window->addressText(), "");
  EXPECT_TRUE(window->viewButtonEnabled(ViewButton::Source));
}

TEST_F(StartupTest, AnAddressGoesIntoTheAddressBoxForTheDissectCommand) {
  const CommandLinePlan plan = start("\"example.test/page\"");
  EXPECT_EQ(plan.action, StartAction::InteractiveQuery);
  EXPECT_EQ(window->addressText(), "http://example.test/page");
  EXPECT_TRUE(Contains(logText(), "Protocol prefix missing from command, I'm gonna add one"));
}

TEST_F(StartupTest, ScheduleArmsTheRequeryTimerOnlyWhenSwitchedOn) {
  start("");
  EXPECT_FALSE(window->tmrRequery->isActive());
  WriteSetting(ctx(), "Automation", "chkAutoDownload", "1");
  window->FinishStartup();
  EXPECT_TRUE(window->tmrRequery->isActive());
  EXPECT_EQ(window->tmrRequery->interval(), 1000);

  // A tick during a running query waits for the next second.
  window->setCaption("query running");
  window->setControlsEnabled(false);
  window->tmrRequery->start(1);
  QTest::qWait(30);
  EXPECT_EQ(window->caption(), "query running");
  EXPECT_TRUE(window->tmrRequery->isActive());
  EXPECT_FALSE(window->tmrCountdown->isActive());
}

}  // namespace
}  // namespace kestrum::testing
