#include "cli/report_destination.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace kestrum::cli {

ReportDestination::ReportDestination(const std::string& path) : path_(path) {
  if (path.empty()) {
    out_ = stdout;
    return;
  }
  std::vector<char> name(path.begin(), path.end());
  const std::string suffix = ".part-XXXXXX";
  name.insert(name.end(), suffix.begin(), suffix.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return;
  temp_path_ = name.data();
  ::fchmod(fd, 0644);
  out_ = ::fdopen(fd, "wb");
  if (out_ == nullptr) {
    ::close(fd);
    ::unlink(temp_path_.c_str());
  }
}

ReportDestination::~ReportDestination() {
  if (out_ != nullptr && out_ != stdout) {
    std::fclose(out_);
    ::unlink(temp_path_.c_str());
  }
}

bool ReportDestination::toTerminal() const {
  return out_ == stdout && ::isatty(STDOUT_FILENO);
}

bool ReportDestination::write(std::string_view bytes) {
  if (out_ == nullptr || failed_) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size() || std::fflush(out_) != 0) failed_ = true;
  return !failed_;
}

bool ReportDestination::finish() {
  if (out_ == nullptr) return false;
  if (out_ == stdout) return !failed_ && std::fflush(stdout) == 0 && !std::ferror(stdout);
  const bool written = !failed_ && std::fflush(out_) == 0 && ::fsync(::fileno(out_)) == 0;
  const bool closed = std::fclose(out_) == 0;
  out_ = nullptr;
  if (written && closed && ::rename(temp_path_.c_str(), path_.c_str()) == 0) return true;
  ::unlink(temp_path_.c_str());
  return false;
}

}  // namespace kestrum::cli
