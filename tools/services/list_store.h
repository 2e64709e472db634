#pragma once
// The four list files of the data folder. Each is read when first needed and read again when
// its file changes, so an operator can edit a list while the service runs.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "services/braxel_list.h"
#include "services/entry_list.h"
#include "services/netblock_list.h"

namespace kestrum::services {

// Receives one line for every problem met while reading a list.
using WarningSink = std::function<void(const std::string&)>;

// What tells a changed file: modification time, size and inode. Absent files stamp as zero.
struct FileStamp {
  long long modified_ns = 0;
  long long size = -1;
  unsigned long long inode = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);
// The file's bytes, or empty text when it cannot be read (reported through `warn`).
std::string ReadListFile(const std::string& path, const WarningSink& warn);

template <class List>
class WatchedList {
 public:
  WatchedList(std::string path, WarningSink warn) : path_(std::move(path)), warn_(std::move(warn)) {}
  // A list fixed from text, never reloaded (fuzzing and tests of the routing).
  explicit WatchedList(std::string_view text) : list_(Parse(text, {}, "")) {}

  std::shared_ptr<const List> Get() {
    std::lock_guard lock(mutex_);
    if (path_.empty()) return list_;
    const FileStamp stamp = StampOf(path_);
    if (!list_ || !(stamp == stamp_)) {
      stamp_ = stamp;
      list_ = Parse(ReadListFile(path_, warn_), warn_, path_);
    }
    return list_;
  }

 private:
  static std::shared_ptr<const List> Parse(std::string_view text, const WarningSink& warn, const std::string& path) {
    std::vector<std::string> warnings;
    auto list = std::make_shared<const List>(List::Parse(text, warnings));
    if (warn) {
      for (const std::string& warning : warnings) warn(path + " " + warning);
      warn(path + ": " + std::to_string(list->size()) + " entries");
    }
    return list;
  }

  std::mutex mutex_;
  std::string path_;
  WarningSink warn_;
  FileStamp stamp_;
  std::shared_ptr<const List> list_;
};

struct ListTexts {
  std::string braxel, mdl, phish, netblock;
};

class ListStore {
 public:
  // The lists of `folder`: braxel.txt, mdl.txt, phishtank.txt, netblocks.txt.
  ListStore(const std::string& folder, const WarningSink& warn);
  explicit ListStore(const ListTexts& texts);

  std::shared_ptr<const BraxelList> Braxel() { return braxel_.Get(); }
  std::shared_ptr<const MdlList> Mdl() { return mdl_.Get(); }
  std::shared_ptr<const PhishList> Phish() { return phish_.Get(); }
  std::shared_ptr<const NetblockList> Netblock() { return netblock_.Get(); }

 private:
  WatchedList<BraxelList> braxel_;
  WatchedList<MdlList> mdl_;
  WatchedList<PhishList> phish_;
  WatchedList<NetblockList> netblock_;
};

}  // namespace kestrum::services
