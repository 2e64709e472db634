#pragma once
// Where the dissect command's report goes: standard output, or with -o a file that appears
// whole once the run ends (a temporary file beside it, renamed) and never half written.
#include <cstdio>
#include <string>
#include <string_view>

namespace kestrum::cli {

class ReportDestination {
 public:
  // An empty path means standard output.
  explicit ReportDestination(const std::string& path);
  ~ReportDestination();
  ReportDestination(const ReportDestination&) = delete;
  ReportDestination& operator=(const ReportDestination&) = delete;

  bool open() const { return out_ != nullptr; }
  bool toTerminal() const;
  // Writes and flushes; false once any write has failed.
  bool write(std::string_view bytes);
  // Puts the file in place (or flushes standard output); false when anything failed.
  bool finish();

 private:
  std::string path_, temp_path_;
  std::FILE* out_ = nullptr;
  bool failed_ = false;
};

}  // namespace kestrum::cli
