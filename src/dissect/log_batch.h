#pragma once
// Log lines of one scan written together. A page can give tens of thousands of duplicate lines;
// written one by one, each reads cfg.ini and opens the log, which takes far longer than the scan.
// A batch is flushed every MiB, before anything that lets the user act (an event
// pass) and at the end, so the log holds the same lines, stamped with the second they were
// added, in the same order as if each had been written at once.
#include <cstddef>
#include <ctime>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

class LogBatch {
 public:
  explicit LogBatch(Context& ctx) : ctx_(ctx) {}
  ~LogBatch() { flush(); }
  LogBatch(const LogBatch&) = delete;
  LogBatch& operator=(const LogBatch&) = delete;

  void add(std::string_view message);
  // Adds the line made of the pieces one after the other, without building it first.
  void add(std::initializer_list<std::string_view> pieces);
  // Writes the collected lines through WriteLogLines, so the log settings and the log file's
  // questions apply to them as to any other line.
  void flush();

 private:
  const std::string& stampNow();

  Context& ctx_;
  // Whole lines: stamp, message, CR LF.
  std::string pending_;
  std::time_t stamp_time_ = -1;
  std::string stamp_;
};

}  // namespace kestrum
