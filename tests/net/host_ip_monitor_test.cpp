#include "net/host_ip_monitor.h"

#include <gtest/gtest.h>

#include "core/ini_profile.h"
#include "core/recording_desktop.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"
#include "net/table_resolver.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

class HostIPMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program.ctx.resolver = &table;
    program.ctx.desktop = &desktop;
    table.addHost("site.test", {"10.0.0.2"});
    table.addHost("farm.test", {"10.0.1.1", "10.0.1.2"});
  }
  void watch() { WriteSetting(program.ctx, "Monitors", "IP", "1"); }
  std::string recorded(std::string_view host) { return ReadSetting(program.ctx, "Monitor", host, "<none>"); }
  std::string log() { return program.root.read("program/Storage/Logs/applog.log"); }
  std::string lookUp(std::string host) { return GetHostIP(program.ctx, host); }

  testing::TestProgram program;
  TableResolver table;
  ScriptedDesktop desktop;
};

TEST_F(HostIPMonitorTest, WithMonitoringOffNothingIsRecordedOrShown) {
  EXPECT_EQ(lookUp("site.test"), "10.0.0.2");
  EXPECT_EQ(lookUp("farm.test"), "10.0.1.1, 10.0.1.2");
  EXPECT_EQ(recorded("site.test"), "<none>");
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(HostIPMonitorTest, FirstSightRecordsAndAChangeIsAnnounced) {
  watch();
  EXPECT_EQ(lookUp("site.test"), "10.0.0.2");
  EXPECT_EQ(recorded("site.test"), "10.0.0.2");
  EXPECT_TRUE(desktop.messages.empty());

  table.addHost("site.test", {"10.0.0.3"});
  EXPECT_EQ(lookUp("site.test"), "10.0.0.3");
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, "site.test has a new IP address\r\n\r\nOld: 10.0.0.2\r\nNew: 10.0.0.3");
  EXPECT_EQ(desktop.messages[0].caption, "Kestrum Desktop Edition");
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Information);
  EXPECT_TRUE(Contains(log(), "site.test has a new IP [ 10.0.0.3 ], old IP was: 10.0.0.2"));
  EXPECT_TRUE(Contains(log(), "prt: site.test"));
  EXPECT_TRUE(Contains(log(), "IPAddr: 10.0.0.3"));
  EXPECT_EQ(recorded("site.test"), "10.0.0.3");
}

TEST_F(HostIPMonitorTest, AddressListsAreComparedOnlyAgainstASingleAddress) {
  watch();
  lookUp("farm.test");
  EXPECT_EQ(recorded("farm.test"), "10.0.1.1, 10.0.1.2");
  table.addHost("farm.test", {"10.0.1.3", "10.0.1.4"});
  lookUp("farm.test");
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_EQ(recorded("farm.test"), "10.0.1.1, 10.0.1.2");

  table.addHost("farm.test", {"10.0.1.9"});
  lookUp("farm.test");
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_TRUE(Contains(desktop.messages[0].text, "Old: 10.0.1.1, 10.0.1.2\r\nNew: 10.0.1.9"));
}

TEST_F(HostIPMonitorTest, ExcludedAddressesNeverCountAsAChange) {
  watch();
  for (const char* current : {"0.0.0.0", "127.0.0.1", kWinsockFailureText, "10.0.0.2"}) {
    WriteSetting(program.ctx, "Monitor", "site.test", "10.0.0.2");
    CheckHostIP(program.ctx, "site.test", current);
    EXPECT_EQ(recorded("site.test"), "10.0.0.2") << current;
  }
  EXPECT_TRUE(desktop.messages.empty());

  // A recorded loopback address is an address like any other once something new arrives.
  WriteSetting(program.ctx, "Monitor", "site.test", "127.0.0.1");
  CheckHostIP(program.ctx, "site.test", "10.0.0.7");
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_TRUE(Contains(desktop.messages[0].text, "Old: 127.0.0.1\r\nNew: 10.0.0.7"));
}

TEST_F(HostIPMonitorTest, HostIsReducedBeforeLookupAndRecording) {
  watch();
  std::string host = "user@site.test:8080_2";
  EXPECT_EQ(GetHostIP(program.ctx, host), "10.0.0.2");
  EXPECT_EQ(host, "site.test");
  EXPECT_EQ(recorded("site.test"), "10.0.0.2");
}

TEST_F(HostIPMonitorTest, HostThatStopsResolvingIsAnnouncedOnce) {
  watch();
  lookUp("site.test");
  table.failHost("site.test");
  EXPECT_EQ(lookUp("site.test"), "");
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_TRUE(EndsWith(desktop.messages[0].text, "Old: 10.0.0.2\r\nNew: "));
  EXPECT_EQ(recorded("site.test"), "");

  table.addHost("site.test", {"10.0.0.2"});
  lookUp("site.test");
  EXPECT_EQ(desktop.messages.size(), 1u) << "the next address is recorded silently";
  EXPECT_EQ(recorded("site.test"), "10.0.0.2");
}

TEST_F(HostIPMonitorTest, DecimalHostThatDoesNotResolveBecomesDotted) {
  EXPECT_EQ(lookUp("3232235777"), "192.168.1.1");
}

TEST_F(HostIPMonitorTest, HostsThatWouldBreakTheSettingsFileAreNotRecorded) {
  watch();
  const std::string before = ReadWholeFile(GetSettingsPath(program.ctx)).value_or("");
  for (const char* host : {"a=b", "[Settings]", ";x", "a\r\nchkProxy=1"}) {
    table.addHost(host, {"10.0.0.5"});
    lookUp(host);
  }
  EXPECT_EQ(ReadWholeFile(GetSettingsPath(program.ctx)).value_or(""), before);
}

TEST_F(HostIPMonitorTest, DetailLinesNeedDisableLogAtOne) {
  WriteSetting(program.ctx, "Settings", "Disable_Log", "yes");
  lookUp("site.test");
  EXPECT_FALSE(Contains(log(), "prt: "));
}

}  // namespace
}  // namespace kestrum
