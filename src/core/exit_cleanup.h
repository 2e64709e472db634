#pragma once
// What closing the main window does before the program ends: offer to empty dl_temp and the
// application log when they have grown.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

// Totals of one folder walk.
struct FolderWalkTotals {
  int64_t file_count = 0;   // files counted
  int64_t byte_total = 0;   // their sizes
  int64_t entry_count = 0;  // every directory entry seen, skipped ones included
};

// Walks the folder and its sub-folders. Entries whose names begin with "." are skipped (and not
// descended into); links are counted as small files and never followed, so a link loop cannot
// trap the walk. An unreadable folder adds nothing.
FolderWalkTotals WalkFolder(std::string_view folder);
// Total size of the files below the folder in KB (1024 bytes), to the nearest whole KB.
int64_t FolderSizeKB(std::string_view folder);
// Bytes to whole KB, halves to the even neighbour.
int64_t BytesToNearestKB(int64_t bytes);

inline constexpr int64_t kTempFolderOfferKB = 1000;
inline constexpr int64_t kLogFileOfferKB = 500;

// The close request of the main window: the two offers through ctx.desktop and the deletions
// they lead to. A file that cannot be deleted is logged and the close goes on. An unattended run
// (ctx.unattended) asks nothing and deletes nothing.
void RunExitCleanup(Context& ctx);

}  // namespace kestrum
