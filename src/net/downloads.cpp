#include "net/downloads.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/app_log.h"
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
// once the transfer has completed: no half-written page is ever presented as whole.
class PartialFile {
 public:
  explicit PartialFile(const std::string& target) : path_(target + ".part-XXXXXX") {
    std::vector<char> name(path_.begin(), path_.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return;
    path_.assign(name.data());
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
  bool write(std::string_view bytes) {
    written_ += bytes.size();
    return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  }
  // Reserving the announced size up front makes the writes much cheaper on some file systems;
  // where reserving is not supported nothing is done.
  void reserve(uint64_t bytes) { ::fallocate(::fileno(file_), 0, 0, static_cast<off_t>(bytes)); }

  // Closes the file and moves it over the target; false when either step fails.
  bool keepAs(const std::string& target) {
    // A reservation larger than the body (a compressed length, say) is cut back.
    const bool flushed = std::fflush(file_) == 0 && ::ftruncate(::fileno(file_), static_cast<off_t>(written_)) == 0;
    ::fchmod(::fileno(file_), 0644);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed || ::rename(path_.c_str(), target.c_str()) != 0) return false;
    kept_ = true;
    return true;
  }

 private:
  bool opened_once() const { return !EndsWith(path_, "XXXXXX"); }

  std::string path_;
  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  uint64_t written_ = 0;
  bool kept_ = false;
};

}  // namespace

int32_t DownloadNewest(Context& ctx, std::string_view address, const std::string& target_file, FetchFacts* facts) {
  // Only web addresses are fetched: a link to file:// or another scheme never reads this machine.
  if (!IsHttpAddress(address)) {
    WriteLog(ctx, "Woops, I only download http and https addresses, not " + OneLogLine(address));
    return kErrorUnrecognizedScheme;
  }
  PartialFile partial(target_file);
  if (!partial.open()) {
    WriteLog(ctx, "Woops, I could not create the file " + target_file + ": " + std::strerror(errno));
    return kErrorInternal;
  }

  TransferRequest request;
  request.url = std::string(address);
  request.facts = facts;
  request.headers.push_back("User-Agent: " + ReadSetting(ctx, "Settings", "cboUAString", DefaultUserAgent()));
  const TransferOutcome outcome = RunTransfer(
      ctx, request, [&partial](std::string_view bytes) { return partial.write(bytes); },
      [&partial](uint64_t announced) { partial.reserve(announced); });
  if (outcome.error != 0) return outcome.error;

  if (!partial.keepAs(target_file)) {
    WriteLog(ctx, "Woops, I could not write the file " + target_file + ": " + std::strerror(errno));
    return kErrorInternal;
  }
  if (outcome.http_status >= 400) {
    WriteLog(ctx, "The server answered " + std::to_string(outcome.http_status) + " (" +
                      GetStatusText(static_cast<int32_t>(outcome.http_status)) + ") for " + OneLogLine(request.url));
    return static_cast<int32_t>(outcome.http_status);
  }
  return 0;
}

int32_t DownloadLink(Context& ctx, std::string_view address, const std::string& target_file) {
  return DownloadNewest(ctx, address, target_file);
}

bool DownloadToFile(Context& ctx, std::string_view address, const std::string& target_file) {
  return DownloadNewest(ctx, address, target_file) == 0;
}

bool DownloadFresh(Context& ctx, std::string_view address, const std::string& target_file) {
  return DownloadNewest(ctx, address, target_file) == 0;
}

}  // namespace kestrum
