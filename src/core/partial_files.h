#pragma once
// Files that receive a download while it runs. Each is named after its target plus
// kPartialFileMarker and six random characters, and is held under an exclusive lock until it
// takes the target's place or is removed; a run that was killed leaves one behind unlocked.
#include <string>

namespace kestrum {

inline constexpr const char* kPartialFileMarker = ".part-";

// Removes the partial files in `folder` that no running transfer holds. Returns how many went.
int RemoveStalePartialFiles(const std::string& folder);

}  // namespace kestrum
