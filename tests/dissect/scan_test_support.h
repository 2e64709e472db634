#pragma once
// What the scan tests read back: the application log's messages, and readable format runs.
#include <ostream>
#include <string>
#include <vector>

#include "core/app_log.h"
#include "core/ini_profile.h"
#include "core/seams.h"

namespace kestrum {

inline void PrintTo(const TextFormatRun& run, std::ostream* out) {
  *out << "{" << run.start << "+" << run.length << " rgb(" << int{run.color.r} << "," << int{run.color.g} << ","
       << int{run.color.b} << ")" << (run.bold ? " bold" : "") << "}";
}

}  // namespace kestrum

namespace kestrum::testing {

// The messages of the application log, without their time stamps.

inline std::vector<std::string> LoggedMessages(Context& ctx) {
  std::vector<std::string> messages;
  const std::string log = ReadWholeFile(GetLogPath(ctx, kApplicationLog)).value_or("");
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    // "dd-mm-yyyy hh:mm:ss " is twenty characters.
    messages.push_back(log.substr(start + 20, end - start - 20));
    start = end + 2;
  }
  return messages;
}

}  // namespace kestrum::testing
