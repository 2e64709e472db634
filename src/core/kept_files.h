#pragma once
// Reads, existence tests and appends for the files the program touches on every step (cfg.ini,
// limited.txt, the log). Every call answers for the file as it is at that moment: a file that
// was replaced by rename, deleted, or edited in place is seen at the next call. To stay cheap,
// answers and descriptors are kept while an inotify watch on every folder of the path reports no
// change (one non-blocking read per call); where a path cannot be watched (a link on the way, a
// relative path, no inotify) the disk is asked every time, checking device and inode.
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// The whole current contents of the regular file at `path`, or nothing when there is none.
std::optional<std::string> ReadFileAsItIsNow(const std::string& path);
// Whether a regular file is at `path` now.
bool RegularFileExistsNow(const std::string& path);

enum class AppendOutcome { Written, WriteFailed, NoFile };
// Appends to the regular file at `path` when it exists; never creates it.
AppendOutcome AppendToExistingFile(const std::string& path, std::string_view bytes);

// Tells the kept answers that this program has just changed a file (they are all dropped).
void NoteFilesChanged();

// Within one FreshLook on a thread, the change queue is read once: the calls inside see the
// files as they were at its start, like one look at the disk. Keep it short, and never across
// a question to the user.
class FreshLook {
 public:
  FreshLook();
  ~FreshLook();
  FreshLook(const FreshLook&) = delete;
  FreshLook& operator=(const FreshLook&) = delete;
};

// Closes every kept descriptor and drops every kept answer.
void ForgetKeptFiles();

}  // namespace kestrum
