#include "dissect/log_batch.h"

#include "core/app_log.h"
#include "core/text.h"

namespace kestrum {
namespace {

// Below the size at which malloc maps fresh pages for every buffer: those page faults would cost
// more than the extra WriteLog calls.
constexpr size_t kFlushBytes = size_t{64} << 10;

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
  if (lines_ > 0) {
    pending_ += kCrLf;
    pending_ += stampNow();
  }
  pending_ += message;
  ++lines_;
  if (pending_.size() >= kFlushBytes) flush();
}

void LogBatch::flush() {
  if (lines_ == 0) return;
  WriteLog(ctx_, pending_);
  pending_.clear();
  lines_ = 0;
}

}  // namespace kestrum
