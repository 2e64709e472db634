#include "services/list_file.h"

#include "core/text.h"

namespace kestrum::services {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::vector<ListLine> MeaningfulLines(std::string_view text) {
  std::vector<ListLine> lines;
  size_t number = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    ++number;
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    line = TrimBlank(line.substr(0, line.find('#')));
    if (line.empty()) continue;

    ListLine parsed;
    parsed.number = number;
    parsed.text = std::string(line);
    size_t pos = 0;
    while (pos < line.size()) {
      while (pos < line.size() && IsBlank(line[pos])) ++pos;
      const size_t field_start = pos;
      while (pos < line.size() && !IsBlank(line[pos])) ++pos;
      if (pos > field_start) {
        parsed.fields.emplace_back(line.substr(field_start, pos - field_start));
        parsed.starts.push_back(field_start);
      }
    }
    lines.push_back(std::move(parsed));
  }
  return lines;
}

std::string ListLine::RestAfter(size_t count) const {
  if (count >= fields.size()) return {};
  return text.substr(starts[count]);
}

std::string LineWarning(const ListLine& line, std::string_view why) {
  return "line " + std::to_string(line.number) + ": " + std::string(why);
}

}  // namespace kestrum::services
