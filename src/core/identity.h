#pragma once
// Who the program is: title, version and company, as shown everywhere.
#include <string>

namespace kestrum {

inline constexpr const char* kProgramTitle = "Kestrum Desktop Edition";
inline constexpr int kVersionMajor = 0;
inline constexpr int kVersionMinor = 3;
inline constexpr int kVersionRevision = 7;
inline constexpr const char* kCompanyName = "Kestrel Works";
inline constexpr const char* kExecutableName = "kestrum";

// "0.3.7"
std::string VersionText();

}  // namespace kestrum
