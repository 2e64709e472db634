#pragma once
// The common shape of every list file: one entry a line, fields separated by blanks, "#" starts
// a comment, blank lines are skipped, LF or CR LF line ends.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::services {

struct ListLine {
  size_t number = 0;                // 1-based line number, for warnings
  std::string text;                 // without comment and surrounding blanks
  std::vector<std::string> fields;  // at least one
  std::vector<size_t> starts;       // where each field begins in `text`

  // The line after its first `count` fields, blanks inside kept ("NOT SPECIFIED", an owner).
  std::string RestAfter(size_t count) const;
};

std::vector<ListLine> MeaningfulLines(std::string_view text);

// "line N: why", the form every list uses to report a line it skipped.
std::string LineWarning(const ListLine& line, std::string_view why);

}  // namespace kestrum::services
