#include "core/platform.h"

#include <gtest/gtest.h>

#include "core/recording_desktop.h"

namespace kestrum {
namespace {

VersionRecord Record(int platform, int major, int minor, int build) {
  VersionRecord record;
  record.platform = platform;
  record.major = major;
  record.minor = minor;
  record.build = build;
  return record;
}

VersionRecord With(VersionRecord record, const char* service_pack, uint32_t suite_mask = 0, int product_type = 1) {
  record.service_pack = service_pack;
  record.suite_mask = suite_mask;
  record.product_type = product_type;
  return record;
}

TEST(DetectWindowsVersion, LastMatchingRowNamesTheSystem) {
  VersionRecord media_center = With(Record(2, 5, 1, 2600), "Service Pack 3");
  media_center.media_center = true;
  VersionRecord r2 = Record(2, 5, 2, 3790);
  r2.server_r2 = true;
  VersionRecord vista = With(Record(2, 6, 0, 6001), "Service Pack 1");
  vista.edition_product = 1;

  struct Case {
    VersionRecord record;
    const char* name;
    const char* family;
  } const cases[] = {
      {Record(1, 4, 0, 950), "Windows 95", "Windows 95/98/ME"},
      {Record(1, 4, 10, 2222), "Windows 98 Second Edition", "Windows 95/98/ME"},
      {Record(1, 4, 90, 3000), "Windows Millenium Edition", "Windows 95/98/ME"},
      {With(Record(2, 4, 0, 1381), "", 0, 1), "Windows NT 4 Workdstation", "Windows NT/2K/XP"},
      {With(Record(2, 4, 0, 1381), "", 0, 3), "Windows NT 4 Server", "Windows NT/2K/XP"},
      {With(Record(2, 5, 0, 2195), "", 0, 3), "Windows 2000 Server", "Windows NT/2K/XP"},
      {With(Record(2, 5, 0, 2195), "", 2, 3), "Windows 2000 Advanced Server", "Windows NT/2K/XP"},
      {With(Record(2, 5, 0, 2195), "", 0, 1), "Windows 2000 Workstation", "Windows NT/2K/XP"},
      {With(Record(2, 5, 1, 2600), "", 512), "Windows XP Home Edition", "Windows NT/2000/XP"},
      // With Service Pack 2 the plain XP rows stay silent, the edition rows still speak.
      {With(Record(2, 5, 1, 2600), "Service Pack 2", 512), "Windows XP Home Edition SP2", "Windows NT/2K/XP"},
      {With(Record(2, 5, 1, 2600), "Service Pack 3"), "Windows XP Professional Edition SP3", "Windows NT/2000/XP"},
      {media_center, "Windows XP Media Center SP3", "Windows NT/2000/XP"},
      {r2, "Windows Server 2003 R2", "Windows Server 2003"},
      // Every NT system from major version 6 on ends in the last row.
      {vista, "Windows Vista Plus [ Ultimate Edition ]", "Windows Vista"},
      {Record(2, 10, 0, 19045), "Windows Vista Plus [  ]", "Windows Vista"},
      {Record(3, 1, 0, 0), "", ""},
  };
  for (const auto& c : cases) {
    const PlatformName named = DetectWindowsVersion(c.record);
    EXPECT_EQ(named.name, c.name) << c.name;
    EXPECT_EQ(named.family, c.family) << c.name;
  }
}

TEST(DetectWindowsVersion, VistaTestsAndEditions) {
  VersionRecord vista = With(Record(2, 6, 0, 6001), "Service Pack 1");
  EXPECT_TRUE(IsVista(vista));
  EXPECT_TRUE(IsVistaSP1(vista));
  EXPECT_TRUE(IsVistaOrLater(Record(2, 6, 1, 7601)));
  EXPECT_FALSE(IsVistaSP1(Record(2, 6, 0, 6000)));
  EXPECT_FALSE(IsVista(Record(2, 7, 0, 0)));
  EXPECT_FALSE(IsVistaOrLater(Record(1, 6, 0, 0)));
  EXPECT_EQ(VistaEditionName(26), "Home Premium Edition");
  EXPECT_EQ(VistaEditionName(0), "Undefined Vista Installation");
  EXPECT_EQ(VistaEditionName(20), "");
}

TEST(DescribeLinux, NamesTheDistributionAndKernel) {
  EXPECT_EQ(DescribeLinux("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "Linux",
                          "6.1.0-18-amd64")
                .name,
            "Debian GNU/Linux 12 (bookworm) [ Linux 6.1.0-18-amd64 ]");
  EXPECT_EQ(DescribeLinux("NAME=Alpine\nVERSION='3.19'\n", "Linux", "6.6.1").name, "Alpine 3.19 [ Linux 6.6.1 ]");
  EXPECT_EQ(DescribeLinux("PRETTY_NAME=\"Caf\xc3\xa9 \\\"OS\\\"\"", "", "").name, "Caf\xe9 \"OS\"");
  EXPECT_EQ(DescribeLinux("", "Linux", "6.1.0").name, "Linux 6.1.0");
  EXPECT_EQ(DescribeLinux("", "", "").name, "");
  EXPECT_EQ(DescribeLinux("", "Linux", "6.1.0").family, "Linux");
}

TEST(DetectPlatform, NamesThisMachineWithoutComplaint) {
  ScriptedDesktop desktop;
  Context ctx;
  ctx.desktop = &desktop;
  DetectPlatform(ctx);
  EXPECT_FALSE(ctx.platform_name.empty());
  EXPECT_EQ(ctx.platform_family, "Linux");
  EXPECT_TRUE(desktop.messages.empty());
}

}  // namespace
}  // namespace kestrum
