#include "core/kept_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <mutex>
#include <unordered_map>

#include "core/path_watch.h"

namespace kestrum {
namespace {

struct KeptDescriptor {
  std::string path;
  int fd = -1;
  dev_t device = 0;
  ino_t inode = 0;
  unsigned long last_use = 0;
  bool watched = false;     // the path was watched when this was opened
  uint64_t generation = 0;  // the watch's generation then
};

// A handful of open files (cfg.ini, charcfg.ini, the log), dropped least recently used first.
class Descriptors {
 public:
  ~Descriptors() { forgetAll(); }

  KeptDescriptor* find(const std::string& path) {
    for (KeptDescriptor& kept : slots_)
      if (kept.fd >= 0 && kept.path == path) return &kept;
    return nullptr;
  }

  // The descriptor open on the file `st` describes, opened (and kept) when it is not yet.
  KeptDescriptor* openFor(const std::string& path, const struct stat& st, int flags) {
    if (KeptDescriptor* kept = find(path)) {
      if (kept->device == st.st_dev && kept->inode == st.st_ino) {
        kept->last_use = ++clock_;
        return kept;
      }
      forget(*kept);  // the path names another file now
    }
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat opened {};
    // The file opened may differ from the one just examined; remember the one we hold.
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    KeptDescriptor& slot = leastRecentlyUsed();
    forget(slot);
    slot = KeptDescriptor{path, fd, opened.st_dev, opened.st_ino, ++clock_};
    return &slot;
  }

  void forgetAll() {
    for (KeptDescriptor& kept : slots_) forget(kept);
  }

 private:
  static void forget(KeptDescriptor& kept) {
    if (kept.fd >= 0) ::close(kept.fd);
    kept = KeptDescriptor{};
  }
  KeptDescriptor& leastRecentlyUsed() {
    KeptDescriptor* oldest = &slots_[0];
    for (KeptDescriptor& kept : slots_)
      if (kept.last_use < oldest->last_use) oldest = &kept;
    return *oldest;
  }

  std::array<KeptDescriptor, 4> slots_;
  unsigned long clock_ = 0;
};

template <typename Answer>
struct KeptAnswer {
  uint64_t generation = 0;
  Answer answer{};
};

struct KeptFiles {
  std::mutex mutex;
  PathWatch watch;
  Descriptors readers, appenders;  // one file may be open both ways
  std::unordered_map<std::string, KeptAnswer<std::optional<std::string>>> contents;
  std::unordered_map<std::string, KeptAnswer<bool>> existence;
};

KeptFiles& Kept() {
  static KeptFiles files;
  return files;
}

thread_local int fresh_look_depth = 0;
thread_local bool drained_in_look = false;

// Reads the change queue, unless this thread already did inside the current FreshLook.
void LookForChanges(KeptFiles& files) {
  if (fresh_look_depth > 0 && drained_in_look) return;
  files.watch.drain();
  if (fresh_look_depth > 0) drained_in_look = true;
}

// The kept answer for `path` while no change has made it stale; otherwise `ask_disk()`, kept
// when the path could be watched. The watch is armed before the disk is asked, so a change that
// follows is sure to be noticed.
template <typename Answer, typename AskDisk>
Answer KeptOrAsked(KeptFiles& files, std::unordered_map<std::string, KeptAnswer<Answer>>& kept, const std::string& path,
                   bool contents, AskDisk ask_disk) {
  LookForChanges(files);
  if (const auto found = kept.find(path); found != kept.end() && found->second.generation == files.watch.generation())
    return found->second.answer;
  const bool watched = files.watch.watch(path, contents);
  const uint64_t generation = files.watch.generation();
  Answer answer = ask_disk();
  if (watched) {
    if (kept.size() > 16) kept.clear();  // stale answers of paths no longer asked about
    kept[path] = KeptAnswer<Answer>{generation, answer};
  }
  return answer;
}

bool RegularFileAt(const std::string& path, struct stat& st) {
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> ReadFromDisk(Descriptors& readers, const std::string& path) {
  struct stat st {};
  if (!RegularFileAt(path, st)) return std::nullopt;
  const KeptDescriptor* kept = readers.openFor(path, st, O_RDONLY);
  if (!kept) return std::nullopt;
  // Room for one byte more than the size just seen: a read that stops at that size is the end.
  const size_t expected = static_cast<size_t>(st.st_size);
  std::string data(expected + 1, '\0');
  size_t got = 0;
  for (;;) {
    const ssize_t n = ::pread(kept->fd, data.data() + got, data.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    got += static_cast<size_t>(n);
    if (n == 0 || (got == expected && got < data.size())) break;
    if (got == data.size()) data.resize(data.size() * 2);  // the file grew meanwhile
  }
  data.resize(got);
  return data;
}

AppendOutcome WriteAll(int fd, std::string_view bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return AppendOutcome::WriteFailed;
    written += static_cast<size_t>(n);
  }
  return AppendOutcome::Written;
}

}  // namespace

std::optional<std::string> ReadFileAsItIsNow(const std::string& path) {
  KeptFiles& files = Kept();
  std::lock_guard lock(files.mutex);
  return KeptOrAsked(files, files.contents, path, true, [&] { return ReadFromDisk(files.readers, path); });
}

bool RegularFileExistsNow(const std::string& path) {
  KeptFiles& files = Kept();
  std::lock_guard lock(files.mutex);
  return KeptOrAsked(files, files.existence, path, false, [&] {
    struct stat st {};
    return RegularFileAt(path, st);
  });
}

AppendOutcome AppendToExistingFile(const std::string& path, std::string_view bytes) {
  KeptFiles& files = Kept();
  std::lock_guard lock(files.mutex);
  LookForChanges(files);
  if (KeptDescriptor* kept = files.appenders.find(path);
      kept && kept->watched && kept->generation == files.watch.generation())
    return WriteAll(kept->fd, bytes);
  const bool watched = files.watch.watch(path, false);
  const uint64_t generation = files.watch.generation();
  struct stat st {};
  if (!RegularFileAt(path, st)) return AppendOutcome::NoFile;
  KeptDescriptor* kept = files.appenders.openFor(path, st, O_WRONLY | O_APPEND);
  if (!kept) return AppendOutcome::NoFile;
  kept->watched = watched;
  kept->generation = generation;
  return WriteAll(kept->fd, bytes);
}

void NoteFilesChanged() {
  KeptFiles& files = Kept();
  std::lock_guard lock(files.mutex);
  files.watch.markChanged();
}

FreshLook::FreshLook() {
  ++fresh_look_depth;
}

FreshLook::~FreshLook() {
  if (--fresh_look_depth == 0) drained_in_look = false;
}

void ForgetKeptFiles() {
  KeptFiles& files = Kept();
  std::lock_guard lock(files.mutex);
  files.readers.forgetAll();
  files.appenders.forgetAll();
  files.contents.clear();
  files.existence.clear();
}

}  // namespace kestrum
