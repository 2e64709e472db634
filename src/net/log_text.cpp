#include "net/log_text.h"

namespace kestrum {

std::string OneLogLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

}  // namespace kestrum
