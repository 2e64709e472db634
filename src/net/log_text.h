#pragma once
// Outside text (addresses, host names) in a log line: its line breaks become spaces, so a hostile
// address cannot add lines of its own to the log.
#include <string>
#include <string_view>

namespace kestrum {

std::string OneLogLine(std::string_view text);

}  // namespace kestrum
