#pragma once
// Downloads of one address into a file, byte for byte as the server sent them. The file is
// replaced whole when the transfer completes and left as it was when it fails.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

struct DownloadOutcome {
  int32_t status = 0;   // as DownloadNewest gives it
  std::string failure;  // why no answer came (FailureText); empty when the server answered
};
// The download with the cause of a failure in words.
DownloadOutcome Download(Context& ctx, std::string_view address, const std::string& target_file);

// 0 on success; otherwise the HTTP status (400 and above; the body is still saved) or the
// Windows Internet error code of the failure. Only http and https addresses are fetched.
int32_t DownloadNewest(Context& ctx, std::string_view address, const std::string& target_file);
// The link list's download: DownloadNewest's result unchanged.
int32_t DownloadLink(Context& ctx, std::string_view address, const std::string& target_file);
// True when DownloadNewest would give 0. Nothing is cached here, so "fresh" needs no extra step.
bool DownloadToFile(Context& ctx, std::string_view address, const std::string& target_file);
bool DownloadFresh(Context& ctx, std::string_view address, const std::string& target_file);

}  // namespace kestrum
