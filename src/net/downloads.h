#pragma once
// Downloads of one address into a file, byte for byte as the server sent them. The file is
// replaced whole when the transfer completes and left as it was when it fails.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

struct FetchFacts;

struct DownloadOutcome {
  int32_t status = 0;   // as DownloadNewest gives it
  std::string failure;  // why no answer came (FailureText); empty when the server answered
};
// The download with the cause of a failure in words. The file gets `file_mode`, never with an
// execute bit; with `facts`, the transfer's facts are kept there.
DownloadOutcome Download(Context& ctx, std::string_view address, const std::string& target_file,
                         unsigned file_mode = 0644, FetchFacts* facts = nullptr);

// 0 on success; otherwise the HTTP status (400 and above; the body is still saved) or the
// Windows Internet error code of the failure. Only http and https addresses are fetched.
int32_t DownloadNewest(Context& ctx, std::string_view address, const std::string& target_file);
// The link list's download: DownloadNewest's result, with the file given `file_mode`.
int32_t DownloadLink(Context& ctx, std::string_view address, const std::string& target_file,
                     unsigned file_mode = 0644);
// True when DownloadNewest would give 0. Nothing is cached here, so "fresh" needs no extra step.
bool DownloadToFile(Context& ctx, std::string_view address, const std::string& target_file);
bool DownloadFresh(Context& ctx, std::string_view address, const std::string& target_file);

}  // namespace kestrum
