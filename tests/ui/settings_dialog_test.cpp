// frmSettings on the real window: what it shows at opening, what each control writes and when,
// and the schedule the next start arms from what it wrote.
#include "ui/settings_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "core/ini_profile.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/text.h"
#include "net/connection_choices.h"
#include "net/connection_state.h"
#include "support/local_server.h"
#include "ui/text_button.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

std::vector<std::string> Items(const QComboBox& box) {
  std::vector<std::string> items;
  for (int i = 0; i < box.count(); ++i) items.push_back(box.itemText(i).toStdString());
  return items;
}

class SettingsDialogTest : public WindowTest {
 protected:
  ui::SettingsDialog* open() {
    window->ShowSettings();
    auto* dialog = window->findChild<ui::SettingsDialog*>(QStringLiteral("frmSettings"));
    EXPECT_NE(dialog, nullptr);
    return dialog;
  }
  std::string setting(const char* section, const char* key) { return ReadSetting(program.ctx, section, key, "<none>"); }
  void writeProxyList(const std::string& text) {
    ASSERT_TRUE(WriteFileAtomically(program.storage() + "/proxy_servers.txt", text));
  }
};

const std::vector<std::string> kListedAgents = {
    "msnbot/1.0+(+http://search.msn.example/msnbot.htm)",
    "Googlebot/2.1+(+http://www.googlebot.example/bot.html)",
    "Mozilla/5.0+(Windows;+U;+Windows+NT+5.1;+en-US;+rv:1.8.1.9)+Gecko/20071025+Firefox/2.0.0.9",
    "Mozilla/4.0+(compatible; MSIE 7.0; Windows NT 6.0)",
    "Mozilla/4.0+(compatible;+MSIE+7.0;+Windows+NT+5.1)",
    "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1;+Avant+Browser)"};

TEST_F(SettingsDialogTest, OpensWithTheDefaultsAndSaveStoresTheFourFields) {
  ui::SettingsDialog* dialog = open();
  EXPECT_EQ(dialog->windowTitle(), "Settings");
  EXPECT_EQ(dialog->lblTitle->text().toStdString(), ui::kSettingsTitleText);
  struct Box {
    QCheckBox* box;
    const char* caption;
    bool ticked;
  };
  for (const Box& b :
       {Box{dialog->chkLaunchProc, "Launch dissection in new Kestrum DE instance", true},
        Box{dialog->chkAutoScanLinks, "Automatically scan source for links", false},
        Box{dialog->chkAutoScanImages, "Automatically scan source for images", false},
        Box{dialog->chkAutoScanExes, "Automatically scan source for scripts, iframes and executables", true},
        Box{dialog->chkPhishTank, "Automatically check PhishTank inclusion status", false},
        Box{dialog->chkMDL, "Automatically check Malware Domain List inclusion status", false},
        Box{dialog->chkBraxel, "Automatically check Braxel inclusion status", false},
        Box{dialog->chkProxy, "Connect via proxy", false}, Box{dialog->chkMSXML, "Connect using MS XML", false},
        Box{dialog->chkAutoDownload, "Download and process the current site every (n) mins", false}}) {
    EXPECT_EQ(b.box->text().toStdString(), b.caption);
    EXPECT_EQ(b.box->isChecked(), b.ticked) << b.caption;
  }
  EXPECT_TRUE(dialog->chkMSXML->isEnabled());  // both methods are always built in
  EXPECT_TRUE(dialog->chkMSXML->toolTip().contains(QStringLiteral("URLDownloadToFile()")));
  EXPECT_FALSE(dialog->chkProxy->toolTip().isEmpty());
  EXPECT_EQ(dialog->txtMins->text(), "10");
  EXPECT_FALSE(dialog->txtMins->isEnabled());

  // The product text in the field; the (empty) browser agent first, then the list file's lines.
  EXPECT_EQ(dialog->cboUAString->currentText().toStdString(), ProductText());
  std::vector<std::string> agents{""};
  agents.insert(agents.end(), kListedAgents.begin(), kListedAgents.end());
  EXPECT_EQ(Items(*dialog->cboUAString), agents);
  const std::string rule = ";" + std::string(60, '*');
  EXPECT_TRUE(StartsWith(ReadWholeFile(program.storage() + "/user_agents.txt").value_or(""),
                         rule +
                             "\r\n; Kestrum Desktop Edition v0.3.7\r\n"
                             "; User Agents Available (feel free to add more to this file)\r\n" +
                             rule + "\r\nmsnbot/1.0"));
  // No proxy saved: the field shows the default list's second entry.
  ASSERT_GE(dialog->cboProxyServers->count(), 2);
  EXPECT_EQ(dialog->cboProxyServers->currentText(), dialog->cboProxyServers->itemText(1));

  // Nothing is written before Save; Save writes the fields as they stand.
  EXPECT_EQ(setting("Settings", "cboUAString"), "<none>");
  dialog->txtReferer->setText(QStringLiteral("http://ref.test/"));
  dialog->txtMins->setText(QStringLiteral("abc"));
  const std::string proxy = dialog->cboProxyServers->currentText().toStdString();
  click(dialog->lblSave);
  SettleEvents();
  EXPECT_EQ(setting("Settings", "cboUAString"), ProductText());
  EXPECT_EQ(setting("Settings", "cboProxyServers"), proxy);
  EXPECT_EQ(setting("Settings", "txtReferer"), "http://ref.test/");
  EXPECT_EQ(setting("Automation", "txtMins"), "abc");
  EXPECT_EQ(window->findChild<ui::SettingsDialog*>(), nullptr);
}

TEST_F(SettingsDialogTest, ProductTextIsOfferedOnlyWhenAnotherAgentIsStored) {
  struct Case {
    std::string stored;
    bool product_listed;
  };
  for (const Case& c : {Case{ProductText(), false}, Case{"Custom/1.0", true}}) {
    WriteSetting(program.ctx, "Settings", "cboUAString", c.stored);
    ui::SettingsDialog* dialog = open();
    EXPECT_EQ(dialog->cboUAString->currentText().toStdString(), c.stored);
    const auto items = Items(*dialog->cboUAString);
    EXPECT_EQ(std::count(items.begin(), items.end(), ProductText()), c.product_listed ? 1 : 0) << c.stored;
    EXPECT_EQ(items.size(), kListedAgents.size() + (c.product_listed ? 2 : 1));
    dialog->close();
    SettleEvents();
  }
}

TEST_F(SettingsDialogTest, InvalidProxyLinesAreLoggedAndNotOffered) {
  writeProxyList(
      "; proxies\r\nGood (UK)||http://p.test/?url=[URL]&ref=[REF]\r\nNoRef (US)||http://q.test/?url=[URL]\r\n"
      "No separator\r\nSecond (DE)||http://r.test/?u=[URL]&r=[REF]\r\n");
  WriteSetting(program.ctx, "Settings", "cboProxyServers", "Second (DE)");
  ui::SettingsDialog* dialog = open();
  EXPECT_EQ(Items(*dialog->cboProxyServers), (std::vector<std::string>{"Good (UK)", "Second (DE)"}));
  EXPECT_EQ(dialog->cboProxyServers->currentText(), "Second (DE)");
  const std::string log = logText();
  EXPECT_TRUE(Contains(log, "Invalid Proxy: NoRef (US)||http://q.test/?url=[URL]"));
  EXPECT_TRUE(Contains(log, "Invalid Proxy: No separator"));
  EXPECT_TRUE(Contains(log, "Current proxy: Second (DE)"));
  EXPECT_EQ(program.ctx.proxy_template, "http://r.test/?u=[URL]&r=[REF]");

  // Choosing an entry makes it the current proxy at once; only Save stores the choice.
  dialog->cboProxyServers->activated(0);
  EXPECT_EQ(program.ctx.proxy_name, "Good (UK)");
  EXPECT_EQ(program.ctx.proxy_template, "http://p.test/?url=[URL]&ref=[REF]");
  EXPECT_TRUE(Contains(logText(), "Proxy changed to: Good (UK)"));
  EXPECT_EQ(setting("Settings", "cboProxyServers"), "Second (DE)");
}

TEST_F(SettingsDialogTest, CheckBoxesWriteAtOnceAndCancelKeepsWhatTheyWrote) {
  ui::SettingsDialog* dialog = open();
  click(dialog->lblConnection);
  EXPECT_FALSE(dialog->frConnection->isHidden());
  EXPECT_TRUE(dialog->frGeneral->isHidden());
  dialog->chkProxy->click();
  EXPECT_EQ(setting("Settings", "chkProxy"), "1");
  dialog->chkMSXML->click();
  EXPECT_EQ(setting("Settings", "chkMSXML"), "1");
  EXPECT_TRUE(Contains(window->caption(), "Method: MSXML ]")) << window->caption();
  dialog->txtReferer->setText(QStringLiteral("http://not.saved/"));
  click(dialog->lblGeneral);
  dialog->chkLaunchProc->click();
  EXPECT_EQ(setting("Settings", "chkLaunchProc"), "0");
  click(dialog->lblCancel);
  SettleEvents();
  EXPECT_EQ(setting("Settings", "chkProxy"), "1");
  EXPECT_EQ(setting("Settings", "txtReferer"), "<none>");
}

TEST_F(SettingsDialogTest, TheNextStartFollowsTheScheduleTheDialogWrote) {
  ui::SettingsDialog* dialog = open();
  click(dialog->lblSchedule);
  dialog->chkAutoDownload->click();
  EXPECT_TRUE(dialog->txtMins->isEnabled());
  dialog->txtMins->setText(QStringLiteral("3"));
  click(dialog->lblSave);
  SettleEvents();
  // This window keeps its schedule; the next start arms it with the new minutes.
  EXPECT_FALSE(window->tmrRequery->isActive());
  const Schedule schedule = ReadSchedule(program.ctx);
  EXPECT_TRUE(schedule.enabled);
  EXPECT_EQ(schedule.countdown_start, 180);
  ui::MainWindow next(program.ctx);
  next.FinishStartup();
  EXPECT_TRUE(next.tmrRequery->isActive());
  program.ctx.window = window.get();
}

TEST_F(SettingsDialogTest, UserAgentLabelOffersTheDatabase) {
  WriteSetting(program.ctx, "Services", "UserAgentDatabase", "https://agents.example/list");
  // No connection, and no connectivity file to say otherwise.
  WriteSetting(program.ctx, "Services", "KestrumServices", "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()));
  ui::SettingsDialog* dialog = open();
  click(dialog->lblConnection);
  OverrideConnectionStateForTesting(false);
  click(dialog->lblUA);
  OverrideConnectionStateForTesting(true);
  desktop.scriptAnswers({MessageAnswer::Ok});
  click(dialog->lblUA);
  OverrideConnectionStateForTesting(std::nullopt);
  ASSERT_EQ(desktop.messages.size(), 2u);
  EXPECT_EQ(desktop.messages[0].text,
            "I'm sorry, to go to https://agents.example/list, requires an active internet connection");
  EXPECT_EQ(desktop.messages[1].text,
            "Clicking OK will take you to the online user agent database at:\r\n\r\nhttps://agents.example/list\r\n"
            "\r\nWould you like to continue");
  EXPECT_EQ(desktop.messages[1].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(desktop.opened, std::vector<std::string>{"https://agents.example/list"});
}

}  // namespace
}  // namespace kestrum::testing
