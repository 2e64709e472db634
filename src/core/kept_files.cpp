#include "core/kept_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <mutex>

namespace kestrum {
namespace {

struct KeptFile {
  std::string path;
  int fd = -1;
  dev_t device = 0;
  ino_t inode = 0;
  unsigned long last_use = 0;
};

// A handful of slots: cfg.ini, charcfg.ini and the log for reads and appends.
class KeptFiles {
 public:
  ~KeptFiles() { forgetAll(); }

  // The descriptor open on the file `st` describes, opened (and kept) when it is not yet.
  int descriptorFor(const std::string& path, const struct stat& st, int flags) {
    for (KeptFile& kept : slots_) {
      if (kept.fd < 0 || kept.path != path) continue;
      if (kept.device == st.st_dev && kept.inode == st.st_ino) {
        kept.last_use = ++clock_;
        return kept.fd;
      }
      forget(kept);  // the path names another file now
    }
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat opened {};
    // The file opened may differ from the one just examined; remember the one we hold.
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      ::close(fd);
      return -1;
    }
    KeptFile& slot = leastRecentlyUsed();
    forget(slot);
    slot = KeptFile{path, fd, opened.st_dev, opened.st_ino, ++clock_};
    return fd;
  }

  void forgetAll() {
    for (KeptFile& kept : slots_) forget(kept);
  }

  std::mutex mutex;

 private:
  static void forget(KeptFile& kept) {
    if (kept.fd >= 0) ::close(kept.fd);
    kept = KeptFile{};
  }
  KeptFile& leastRecentlyUsed() {
    KeptFile* oldest = &slots_[0];
    for (KeptFile& kept : slots_)
      if (kept.last_use < oldest->last_use) oldest = &kept;
    return *oldest;
  }

  std::array<KeptFile, 4> slots_;
  unsigned long clock_ = 0;
};

// Separate sets for reading and appending: one file may be open both ways.
KeptFiles& Readers() {
  static KeptFiles files;
  return files;
}
KeptFiles& Appenders() {
  static KeptFiles files;
  return files;
}

bool RegularFileAt(const std::string& path, struct stat& st) {
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::optional<std::string> ReadFileAsItIsNow(const std::string& path) {
  struct stat st {};
  if (!RegularFileAt(path, st)) return std::nullopt;
  KeptFiles& files = Readers();
  std::lock_guard lock(files.mutex);
  const int fd = files.descriptorFor(path, st, O_RDONLY);
  if (fd < 0) return std::nullopt;
  // Room for one byte more than the size just seen: a read that stops at that size is the end.
  const size_t expected = static_cast<size_t>(st.st_size);
  std::string data(expected + 1, '\0');
  size_t got = 0;
  for (;;) {
    const ssize_t n = ::pread(fd, data.data() + got, data.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    got += static_cast<size_t>(n);
    if (n == 0 || (got == expected && got < data.size())) break;
    if (got == data.size()) data.resize(data.size() * 2);  // the file grew meanwhile
  }
  data.resize(got);
  return data;
}

AppendOutcome AppendToExistingFile(const std::string& path, std::string_view bytes) {
  struct stat st {};
  if (!RegularFileAt(path, st)) return AppendOutcome::NoFile;
  KeptFiles& files = Appenders();
  std::lock_guard lock(files.mutex);
  const int fd = files.descriptorFor(path, st, O_WRONLY | O_APPEND);
  if (fd < 0) return AppendOutcome::NoFile;
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return AppendOutcome::WriteFailed;
    written += static_cast<size_t>(n);
  }
  return AppendOutcome::Written;
}

void ForgetKeptFiles() {
  for (KeptFiles* files : {&Readers(), &Appenders()}) {
    std::lock_guard lock(files->mutex);
    files->forgetAll();
  }
}

}  // namespace kestrum
