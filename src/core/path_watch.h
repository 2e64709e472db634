#pragma once
// Knowing, without touching the disk, that nothing on the way to a file has changed. One inotify
// instance watches every folder from the root down to each watched file; any event that concerns
// a name on such a way moves a generation counter on. The kernel queues an event inside the very
// call that makes the change, so a change made before our next look is always seen by it.
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

namespace kestrum {

class PathWatch {
 public:
  PathWatch();
  ~PathWatch();
  PathWatch(const PathWatch&) = delete;
  PathWatch& operator=(const PathWatch&) = delete;

  bool available() const { return fd_ >= 0; }
  // Moves on whenever something watched may have changed.
  uint64_t generation() const { return generation_; }
  void markChanged() { ++generation_; }
  // Reads the pending events (one system call when there are none).
  void drain();
  // Watches the way to `path`; with `contents`, changes to the file's bytes count too (otherwise
  // only its creation, removal, renaming and attributes). False when the path cannot be watched
  // (relative, "." or "..", a link on the way, inotify refusing): check the disk every time then.
  bool watch(const std::string& path, bool contents);

 private:
  struct Folder {
    int wd = -1;
    uint32_t mask = 0;
    std::map<std::string, uint32_t, std::less<>> names;  // name -> events that matter
  };
  bool watchName(const std::string& folder, const std::string& name, uint32_t events);
  void forgetWatch(int wd);

  int fd_ = -1;
  uint64_t generation_ = 0;
  std::unordered_map<std::string, Folder> folders_;  // by folder path
  std::unordered_map<int, std::string> folder_of_;   // watch descriptor -> folder path
  // Paths whose whole way is watched, valid for the generation they were armed in.
  std::unordered_map<std::string, std::pair<uint64_t, bool>> armed_;
};

}  // namespace kestrum
