#pragma once
// Reads and appends for files the program touches on every step (cfg.ini, the log). A few
// descriptors stay open between calls, but every call acts on the file the path names at that
// moment: the path's device and inode are checked each time, never time stamps, so a file
// replaced by rename, deleted, or edited in place is seen as it is now.
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// The whole current contents of the regular file at `path`, or nothing when there is none.
std::optional<std::string> ReadFileAsItIsNow(const std::string& path);

enum class AppendOutcome { Written, WriteFailed, NoFile };
// Appends to the regular file at `path` when it exists; never creates it.
AppendOutcome AppendToExistingFile(const std::string& path, std::string_view bytes);

// Closes every kept descriptor (for tests that count open files, and at exit).
void ForgetKeptFiles();

}  // namespace kestrum
