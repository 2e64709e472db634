#pragma once
// Helpers shared by the core tests: the messages of a log file, and a file-size limit that makes
// writes fail even for root.
#include <signal.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "support/temp_folder.h"

namespace kestrum::testing {

// The messages of a log file, without their "dd-mm-yyyy hh:mm:ss " stamps.
inline std::vector<std::string> LogMessages(const std::string& contents) {
  std::vector<std::string> messages;
  for (const auto& line : Split(contents, "\r\n")) {
    if (line.empty()) continue;
    messages.push_back(line.size() > 20 ? line.substr(20) : line);
  }
  return messages;
}

// While alive, no file of this process may grow beyond `bytes`: writes past it fail with EFBIG.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, previous_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previous_handler_ = SIG_DFL;
};

}  // namespace kestrum::testing
