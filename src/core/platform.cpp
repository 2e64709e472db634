#include "core/platform.h"

#include <sys/utsname.h>

#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/seams.h"
#include "core/text.h"

namespace kestrum {
namespace {

constexpr int kWindows95Family = 1;
constexpr int kWindowsNt = 2;
constexpr int kWorkstation = 1;
constexpr uint32_t kSuiteEnterprise = 2;
constexpr uint32_t kSuitePersonal = 512;

bool Is(const VersionRecord& r, int platform, int major, int minor) {
  return r.platform == platform && r.major == major && r.minor == minor;
}

bool IsNt4(const VersionRecord& r) {
  return Is(r, kWindowsNt, 4, 0) && r.build >= 1381;
}
bool IsWindows2000(const VersionRecord& r) {
  return Is(r, kWindowsNt, 5, 0) && r.build >= 2195;
}
bool IsWindows2000OrLater(const VersionRecord& r) {
  return r.platform == kWindowsNt && r.major == 5 && r.minor >= 0;
}
bool IsXp(const VersionRecord& r) {
  return Is(r, kWindowsNt, 5, 1) && r.build >= 2600;
}
bool IsXpOrLater(const VersionRecord& r) {
  return r.platform == kWindowsNt && r.major >= 5 && r.minor >= 1;
}
bool HasServicePack(const VersionRecord& r, int number) {
  return Contains(r.service_pack, "Service Pack " + std::to_string(number));
}
bool IsServer2003(const VersionRecord& r) {
  return Is(r, kWindowsNt, 5, 2) && r.build == 3790;
}
// Workstations report product type 1; domain controllers and servers 2 and 3.
bool IsServerProduct(const VersionRecord& r) {
  return r.product_type == 2 || r.product_type == 3;
}

// An XP edition row: its name with the service-pack suffix, and the family that goes with it.
PlatformName XpEdition(const VersionRecord& r, const std::string& edition) {
  const bool sp2 = HasServicePack(r, 2);
  PlatformName named{edition + (sp2 ? " SP2" : ""), sp2 ? "Windows NT/2K/XP" : "Windows NT/2000/XP"};
  if (HasServicePack(r, 3)) named.name = edition + " SP3";
  return named;
}

// A value of an os-release line: quotes dropped, backslash escapes resolved.
std::string OsReleaseValue(std::string_view raw) {
  raw = TrimBlank(raw);
  if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front())
    raw = raw.substr(1, raw.size() - 2);
  std::string value;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
    value += raw[i];
  }
  return value;
}

std::string OsReleaseField(std::string_view os_release, std::string_view key) {
  for (const auto& line : Split(os_release, "\n")) {
    const std::string_view trimmed = TrimBlank(line);
    if (trimmed.size() > key.size() && trimmed.substr(0, key.size()) == key && trimmed[key.size()] == '=')
      return OsReleaseValue(trimmed.substr(key.size() + 1));
  }
  return {};
}

}  // namespace

std::string VistaEditionName(uint32_t edition_product) {
  // clang-format off
  switch (edition_product) {
    case 0: return "Undefined Vista Installation";
    case 1: case 28: return "Ultimate Edition";
    case 2: case 5: return "Home Basic Edition";
    case 3: case 26: return "Home Premium Edition";
    case 4: case 27: return "Enterprise Edition";
    case 6: case 10: return "Business Edition";
    case 7: return "Standard Server Edition";
    case 8: return "Datacenter Server Edition";
    case 9: case 18: return "Small Business Server Edition";
    case 11: return "Starter Edition";
    case 12: return "Cluster Server Edition";
    case 13: return "Home Server Edition";
    case 14: return "Enterprise Server Edition";
    case 15: return "Enterprise Server Edition (64 bit)";
    case 16: return "Storage Workgroup Server Edition";
    case 17: return "Storage Enterprise Server Edition";
    case 19: return "Small Business Server Premium Edition";
    default: return {};
  }
  // clang-format on
}

bool IsVista(const VersionRecord& r) {
  return r.platform == kWindowsNt && r.major == 6;
}
bool IsVistaSP1(const VersionRecord& r) {
  return IsVista(r) && HasServicePack(r, 1);
}
bool IsVistaOrLater(const VersionRecord& r) {
  return r.platform == kWindowsNt && r.major >= 6;
}

PlatformName DetectWindowsVersion(const VersionRecord& r) {
  PlatformName named;
  auto row = [&named](bool matches, std::string name, std::string family) {
    if (matches) named = {std::move(name), std::move(family)};
  };
  const std::string nine_x = "Windows 95/98/ME";
  row(Is(r, kWindows95Family, 4, 0) && r.build == 950, "Windows 95", nine_x);
  row(Is(r, kWindows95Family, 4, 0) && r.build == 1111, "Windows 95 OSR2", nine_x);
  row(Is(r, kWindows95Family, 4, 10) && r.build >= 1998, "Windows 98", nine_x);
  row(Is(r, kWindows95Family, 4, 10) && r.build == 2222, "Windows 98 Second Edition", nine_x);
  row(Is(r, kWindows95Family, 4, 90) && r.build >= 3000, "Windows Millenium Edition", nine_x);

  const std::string nt = "Windows NT/2K/XP";
  row(IsNt4(r), "Windows NT 4", nt);
  row(r.platform == kWindowsNt && r.major >= 4, "Windows NT 4 Plus", nt);
  row(IsNt4(r) && IsServerProduct(r), "Windows NT 4 Server", nt);
  row(IsNt4(r) && r.product_type == kWorkstation, "Windows NT 4 Workdstation", nt);
  row(IsWindows2000(r), "Windows 2000", nt);
  row(IsWindows2000OrLater(r), "Windows 2000 Plus", nt);
  row(IsWindows2000(r) && r.product_type == 3, "Windows 2000 Server", nt);
  row(IsWindows2000OrLater(r) && IsServerProduct(r) && (r.suite_mask & kSuiteEnterprise) != 0,
      "Windows 2000 Advanced Server", nt);
  row(IsWindows2000(r) && r.product_type == kWorkstation, "Windows 2000 Workstation", nt);

  const bool xp_sp2 = IsXp(r) && HasServicePack(r, 2);
  row(IsXp(r) && !xp_sp2, "Windows XP", nt);
  row(IsXpOrLater(r) && !xp_sp2, "Windows XP Plus", nt);
  if (IsXp(r) && (r.suite_mask & kSuitePersonal) != 0) named = XpEdition(r, "Windows XP Home Edition");
  if (IsXp(r) && (r.suite_mask & kSuitePersonal) == 0) named = XpEdition(r, "Windows XP Professional Edition");
  if (IsXp(r) && r.media_center) named = XpEdition(r, "Windows XP Media Center");
  row(IsServer2003(r), "Windows Server 2003", "Windows Server 2003");
  row(IsServer2003(r) && r.server_r2, "Windows Server 2003 R2", "Windows Server 2003");

  const std::string edition = IsVista(r) ? VistaEditionName(r.edition_product) : std::string();
  row(IsVista(r), "Windows Vista [ " + edition + (IsVistaSP1(r) ? " Service Pack 1 ]" : " ]"), "Windows Vista");
  row(IsVistaOrLater(r), "Windows Vista Plus [ " + edition + " ]", "Windows Vista");
  return named;
}

PlatformName DescribeLinux(std::string_view os_release, std::string_view kernel_name, std::string_view kernel_release) {
  std::string distribution = OsReleaseField(os_release, "PRETTY_NAME");
  if (distribution.empty())
    distribution =
        std::string(TrimBlank(OsReleaseField(os_release, "NAME") + " " + OsReleaseField(os_release, "VERSION")));
  const std::string kernel(TrimBlank(std::string(kernel_name) + " " + std::string(kernel_release)));
  PlatformName named{distribution, "Linux"};
  if (distribution.empty())
    named.name = kernel;
  else if (!kernel.empty())
    named.name += " [ " + kernel + " ]";
  named.name = Utf8ToAnsi(named.name);
  return named;
}

void DetectPlatform(Context& ctx) {
  std::string os_release = ReadWholeFile("/etc/os-release").value_or("");
  if (os_release.empty()) os_release = ReadWholeFile("/usr/lib/os-release").value_or("");
  struct utsname system {};
  const bool have_uname = ::uname(&system) == 0;
  const PlatformName named =
      DescribeLinux(os_release, have_uname ? system.sysname : "", have_uname ? system.release : "");
  ctx.platform_name = named.name;
  ctx.platform_family = named.family;
  if (named.name.empty() && ctx.desktop)
    ctx.desktop->showMessage(kPlatformUnknownMessage, kProgramTitle, MessageIcon::Information, MessageButtons::Ok);
}

}  // namespace kestrum
