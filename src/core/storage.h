#pragma once
// Where the program keeps its files: Storage in the program folder (Context), or the per-user
// folder when the program folder cannot be written.
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

// Joins folder and name with one "/" (none added when the folder already ends with one).
std::string JoinPath(std::string_view folder, std::string_view name);
std::string EnsureTrailingSeparator(std::string_view path);

std::string StorageFolder(const Context& ctx);  // program folder + "/Storage"
// Per-user folder: the user data root ($XDG_DATA_HOME) + "/kestrum", one folder without blanks
// in its name. With `create`, missing levels are made.
std::string PerUserFolder(const Context& ctx, bool create);
inline constexpr const char* kPerUserFolderName = "kestrum";

// The storage base is re-evaluated on every call (limited.txt may have been removed).
std::string GetSettingsPath(Context& ctx);
std::string GetCharConfigPath(Context& ctx);
// dl_temp without a trailing separator, or "ERROR" after five failed attempts.
std::string GetTempFolder(Context& ctx);
inline constexpr const char* kTempFolderError = "ERROR";

bool FolderExists(std::string_view path);
// True when the text names an existing local file; addresses and script texts are never files.
bool FileExists(Context& ctx, std::string_view path_or_address);
bool CreateFolder(std::string_view path);  // one level

inline constexpr const char* kLimitedMarkerLine =
    "; This file is used to determine whether this program is running on a limited account or not. "
    "If deleted, it will be automatically re-created.";

// Embedded resources by number and type name (type compared without case); empty when unknown.
std::string_view EmbeddedResource(int number, std::string_view type);
// Writes the resource's bytes over the start of the file (a longer file is not cut short).
bool ExtractResourceToFile(int number, std::string_view type, const std::string& path);

}  // namespace kestrum
