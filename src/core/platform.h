#pragma once
// Naming the system the program runs on, for the start-up log line. The version table of the
// older Windows family is kept as pure functions over a version record; on Linux the name comes
// from /etc/os-release and the kernel release.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

// What the system reports about its version (the Windows version record and the two metrics
// and product type the table consults).
struct VersionRecord {
  int platform = 0;  // 1 = Windows 95 family, 2 = NT family
  int major = 0;
  int minor = 0;
  int build = 0;
  std::string service_pack;
  uint32_t suite_mask = 0;
  int product_type = 0;          // 1 workstation, 2 domain controller, 3 server
  bool media_center = false;     // system metric 87
  bool server_r2 = false;        // system metric 89
  uint32_t edition_product = 0;  // product type of the edition query (Vista and later)
};

struct PlatformName {
  std::string name;  // empty when no row of the table matched
  std::string family;
};

// The Vista edition for an edition product type ("Ultimate Edition", ...), empty when unknown.
std::string VistaEditionName(uint32_t edition_product);
bool IsVista(const VersionRecord& record);
bool IsVistaSP1(const VersionRecord& record);
bool IsVistaOrLater(const VersionRecord& record);
// Runs the detection rows in order; the last row that matches names the system.
PlatformName DetectWindowsVersion(const VersionRecord& record);

// "Debian GNU/Linux 12 (bookworm) [ Linux 6.1.0-18-amd64 ]" from the os-release text and uname;
// family "Linux". Falls back to the kernel name when os-release says nothing.
PlatformName DescribeLinux(std::string_view os_release, std::string_view kernel_name, std::string_view kernel_release);

// Detects the running system into ctx.platform_name and ctx.platform_family. When no name could
// be found, tells the user once (information message).
void DetectPlatform(Context& ctx);

inline constexpr const char* kPlatformUnknownMessage =
    "I'm afraid I encountered an error whilst detecting your version of Windows.\r\n\r\n"
    "If possible, can you get in touch and let me know which version of Windows you are running please?";

}  // namespace kestrum
