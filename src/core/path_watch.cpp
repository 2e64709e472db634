#include "core/path_watch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace kestrum {
namespace {

constexpr uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB;
constexpr uint32_t kContentEvents = kNameEvents | IN_MODIFY | IN_CLOSE_WRITE;
constexpr uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF;

}  // namespace

PathWatch::PathWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

PathWatch::~PathWatch() {
  if (fd_ >= 0) ::close(fd_);
}

void PathWatch::forgetWatch(int wd) {
  const auto found = folder_of_.find(wd);
  if (found == folder_of_.end()) return;
  folders_.erase(found->second);
  folder_of_.erase(found);
}

void PathWatch::drain() {
  if (fd_ < 0) return;
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;  // EAGAIN: nothing (more) happened
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        markChanged();
        continue;
      }
      const auto folder = folder_of_.find(event->wd);
      if (folder == folder_of_.end()) continue;
      if (event->mask & (IN_IGNORED | IN_UNMOUNT | kSelfEvents)) {
        // The folder itself went away or moved: everything below it may name other files now.
        markChanged();
        if (!(event->mask & IN_IGNORED)) ::inotify_rm_watch(fd_, event->wd);
        forgetWatch(event->wd);
        continue;
      }
      if (event->len == 0) continue;
      const auto watched = folders_.find(folder->second);
      if (watched == folders_.end()) continue;
      const auto name = watched->second.names.find(std::string_view(event->name));
      if (name != watched->second.names.end() && (name->second & event->mask)) markChanged();
    }
  }
}

bool PathWatch::watchName(const std::string& folder, const std::string& name, uint32_t events) {
  Folder& watched = folders_[folder];
  if (watched.wd < 0 || (watched.mask & events) != events) {
    const int wd = ::inotify_add_watch(fd_, folder.empty() ? "/" : folder.c_str(), events | kSelfEvents | IN_MASK_ADD);
    if (wd < 0) {
      if (watched.wd < 0) folders_.erase(folder);
      return false;
    }
    if (watched.wd >= 0 && watched.wd != wd) {  // the path names another folder than before
      folder_of_.erase(watched.wd);
      watched.names.clear();
      watched.mask = 0;
    }
    watched.wd = wd;
    watched.mask |= events;
    folder_of_[wd] = folder;
  }
  watched.names[name] |= events;
  return true;
}

bool PathWatch::watch(const std::string& path, bool contents) {
  if (fd_ < 0 || path.empty() || path.front() != '/') return false;
  if (const auto armed = armed_.find(path);
      armed != armed_.end() && armed->second.first == generation_ && (armed->second.second || !contents))
    return true;

  std::vector<std::string> names;
  for (size_t pos = 1; pos <= path.size();) {
    const size_t slash = std::min(path.find('/', pos), path.size());
    const std::string name = path.substr(pos, slash - pos);
    if (name == "." || name == "..") return false;
    if (!name.empty()) names.push_back(name);
    pos = slash + 1;
  }
  if (names.empty()) return false;

  std::string folder;  // "" stands for the root
  for (size_t i = 0; i < names.size(); ++i) {
    const bool last = i + 1 == names.size();
    // Watch first, then look: a change right after the look is then already being watched.
    if (!watchName(folder, names[i], last && contents ? kContentEvents : kNameEvents)) return false;
    const std::string next = folder + "/" + names[i];
    struct stat st {};
    if (::lstat(next.c_str(), &st) != 0) break;  // missing: its creation is watched
    if (S_ISLNK(st.st_mode)) return false;       // a link's target could change unseen
    if (!last && !S_ISDIR(st.st_mode)) break;
    folder = next;
  }
  if (armed_.size() > 64) armed_.clear();  // old generations only; cheap to arm again
  armed_[path] = {generation_, contents};
  return true;
}

}  // namespace kestrum
