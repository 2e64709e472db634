#pragma once
// The character table of the JavaScript decoder: section "Chars" of charcfg.ini, one key per
// byte value ("01" to "FF"), holding the byte itself or a name for the bytes a profile value
// cannot carry.
#include <string>
#include <utility>
#include <vector>

#include "core/context.h"

namespace kestrum {

inline constexpr const char* kCharTableSection = "Chars";

// The table's keys and values in ascending order; "00" has no entry.
std::vector<std::pair<std::string, std::string>> CharTableEntries();

// Writes the whole table in one go and removes any "00" entry.
void WriteCharTable(Context& ctx);

// The start-up rule: writes the table when charcfg.ini does not exist. True when it wrote.
bool WriteCharTableIfMissing(Context& ctx);

// A stored value with its names turned back into characters, case ignored: "crgrtn" gives
// CR LF, "lf" LF, "hzltab" a tab and "spc" a space.
std::string ExpandCharNames(std::string_view value);

}  // namespace kestrum
