#include "net/downloads.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/app_log.h"
#include "core/partial_files.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/curl_transfer.h"
#include "net/http_client.h"
#include "net/inet_errors.h"
#include "net/log_text.h"
#include "net/status_text.h"

namespace kestrum {
namespace {

bool IsHttpAddress(std::string_view address) {
  return FindNoCase(address, "http://") == 0 || FindNoCase(address, "https://") == 0;
}

// The body goes to a temporary file beside the target, which takes the target's place only
// once the transfer has completed: no half-written page is ever presented as whole. The file
// grows with the bytes received, never ahead of them, and stays locked while it is written.
class PartialFile {
 public:
  explicit PartialFile(const std::string& target) : path_(target + kPartialFileMarker + "XXXXXX") {
    std::vector<char> name(path_.begin(), path_.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return;
    path_.assign(name.data());
    ::flock(fd, LOCK_EX);  // tells the start-up clean-up of another run that this file is in use
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
      ::close(fd);
      ::unlink(path_.c_str());
      return;
    }
    buffer_.resize(1 << 20);
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
  }
  ~PartialFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!kept_ && opened_once()) ::unlink(path_.c_str());
  }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  bool open() const { return file_ != nullptr; }
  bool write(std::string_view bytes) { return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size(); }

  // Closes the file and moves it over the target; false (errno set) when either step fails.
  bool keepAs(const std::string& target, unsigned file_mode) {
    const bool flushed = std::fflush(file_) == 0;
    int error = flushed ? 0 : errno;
    ::fchmod(::fileno(file_), static_cast<mode_t>(file_mode & 0666));
    const bool closed = std::fclose(file_) == 0;
    if (error == 0 && !closed) error = errno;
    file_ = nullptr;
    if (error == 0 && ::rename(path_.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
      errno = error;
      return false;
    }
    kept_ = true;
    return true;
  }

 private:
  bool opened_once() const { return !EndsWith(path_, "XXXXXX"); }

  std::string path_;
  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  bool kept_ = false;
};

}  // namespace

DownloadOutcome Download(Context& ctx, std::string_view address, const std::string& target_file,
                         unsigned file_mode, FetchFacts* facts) {
  // Only web addresses are fetched: a link to file:// or another scheme never reads this machine.
  if (!IsHttpAddress(address)) {
    WriteLog(ctx, "Woops, I only download http and https addresses, not " + OneLogLine(address));
    return {kErrorUnrecognizedScheme, FailureText(kErrorUnrecognizedScheme)};
  }
  const auto write_failure = [&ctx, &target_file](int error_number) {
    const std::string detail = WriteFailureDetail(error_number);
    WriteLog(ctx, "Woops, I could not write the file " + target_file + ": " + detail);
    return DownloadOutcome{kErrorInternal, FailureText(kErrorInternal, detail)};
  };
  PartialFile partial(target_file);
  if (!partial.open()) return write_failure(errno);

  TransferRequest request;
  request.url = std::string(address);
  request.facts = facts;
  request.headers.push_back("User-Agent: " + ReadSetting(ctx, "Settings", "cboUAString", DefaultUserAgent()));
  const TransferOutcome outcome =
      RunTransfer(ctx, request, [&partial](std::string_view bytes) { return partial.write(bytes); });
  if (outcome.error != 0) return {outcome.error, outcome.failure};

  if (!partial.keepAs(target_file, file_mode)) return write_failure(errno);
  if (outcome.http_status >= 400) {
    WriteLog(ctx, "The server answered " + std::to_string(outcome.http_status) + " (" +
                      GetStatusText(static_cast<int32_t>(outcome.http_status)) + ") for " + OneLogLine(request.url));
    return {static_cast<int32_t>(outcome.http_status), {}};
  }
  return {};
}

int32_t DownloadNewest(Context& ctx, std::string_view address, const std::string& target_file) {
  return Download(ctx, address, target_file).status;
}

int32_t DownloadLink(Context& ctx, std::string_view address, const std::string& target_file,
                     unsigned file_mode) {
  return Download(ctx, address, target_file, file_mode).status;
}

bool DownloadToFile(Context& ctx, std::string_view address, const std::string& target_file) {
  return DownloadNewest(ctx, address, target_file) == 0;
}

bool DownloadFresh(Context& ctx, std::string_view address, const std::string& target_file) {
  return DownloadNewest(ctx, address, target_file) == 0;
}

}  // namespace kestrum
