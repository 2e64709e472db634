#include "dissect/log_batch.h"

#include "core/app_log.h"
#include "core/text.h"

namespace kestrum {
namespace {

// The buffer is kept between flushes, so its pages are touched once.
constexpr size_t kFlushBytes = size_t{1} << 20;

}  // namespace

const std::string& LogBatch::stampNow() {
  const std::time_t now = std::time(nullptr);
  if (now != stamp_time_) {
    std::tm local{};
    localtime_r(&now, &local);
    stamp_ = FormatLogLine(local, "");
    stamp_.resize(stamp_.size() - 2);  // without its CR LF
    stamp_time_ = now;
  }
  return stamp_;
}

void LogBatch::add(std::string_view message) {
  add({message});
}

void LogBatch::add(std::initializer_list<std::string_view> pieces) {
  if (pending_.capacity() == 0) pending_.reserve(kFlushBytes + 4096);
  pending_ += stampNow();
  for (std::string_view piece : pieces) pending_ += piece;
  pending_ += kCrLf;
  if (pending_.size() >= kFlushBytes) flush();
}

void LogBatch::flush() {
  if (pending_.empty()) return;
  WriteLogLines(ctx_, pending_);
  pending_.clear();
}

}  // namespace kestrum
