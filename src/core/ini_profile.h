#pragma once
// An INI store with the semantics of the Windows profile functions: names compared without
// letter case, the first matching section and key win, surrounding quotes dropped from values,
// and every byte a write does not touch kept as it was.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrum {

// Longest value a profile read hands back (a 155-character buffer with its terminator).
inline constexpr size_t kProfileValueLimit = 154;

// The value of section/key in an INI text, or nothing when either is missing.
std::optional<std::string> IniLookup(std::string_view contents, std::string_view section, std::string_view key);

// Whether a section and key can be written: a key that is not empty, holds no "=" and does not
// begin with ";" or "["; a section without "]"; neither with a line break or NUL byte.
bool IsStorableIniName(std::string_view section, std::string_view key);

// The INI text with section/key set to `value` (created as needed), or the key removed when
// `value` is absent. Lines the change does not concern are kept byte for byte. A value is stored
// up to its first line break or NUL byte; names that cannot be stored leave the text unchanged.
std::string IniWithValue(std::string_view contents, std::string_view section, std::string_view key,
                         std::optional<std::string_view> value);

// File-level operations. A missing or unreadable file reads as the default; the result ends at
// a NUL byte and is cut to kProfileValueLimit characters.
std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view default_value);
// The same read on contents already in memory (absent contents: a missing file), for callers
// that need several values of one file at once.
std::string ProfileStringFrom(const std::optional<std::string>& contents, std::string_view section,
                              std::string_view key, std::string_view default_value);
// Lands whole or not at all (temporary file, then rename). A new file is readable by its owner
// only; an existing file keeps its permissions. False when the file could not be written or the
// names cannot be stored.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value);

// Many keys of one section in one write (one rename instead of one per key).
bool WriteProfileStrings(const std::string& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values);

// Whole-file helpers shared by the stores and writers of the engine.
// `spare_capacity` more bytes are reserved, for a caller that adds to what it read.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t spare_capacity = 0);
bool WriteFileAtomically(const std::string& path, std::string_view contents, unsigned new_file_mode = 0600);

}  // namespace kestrum
