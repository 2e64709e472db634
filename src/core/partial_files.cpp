#include "core/partial_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <memory>

namespace kestrum {
namespace {

// A transfer creates its file and takes the lock a moment later; a file this young is left alone.
constexpr std::time_t kYoungestStaleSeconds = 5;

bool LooksPartial(const std::string& name) {
  const size_t marker = name.rfind(kPartialFileMarker);
  return marker != std::string::npos && marker > 0 &&
         name.size() - marker == std::string(kPartialFileMarker).size() + 6;
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

int RemoveStalePartialFiles(const std::string& folder) {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return 0;
  int removed = 0;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (!LooksPartial(name)) continue;
    const std::string path = folder + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st {};
    // Only a file no transfer holds: a run of the program that is still fetching keeps its lock.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime >= kYoungestStaleSeconds &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.c_str()) == 0)
      ++removed;
    ::close(fd);
  }
  return removed;
}

}  // namespace kestrum
