#include "net/net_settings.h"

#include <charconv>

#include "core/settings.h"
#include "core/text.h"

namespace kestrum {
namespace {

// A whole positive number up to `ceiling`, or the default for anything else.
uint64_t PositiveSetting(Context& ctx, std::string_view key, uint64_t default_value, uint64_t ceiling) {
  const std::string text(TrimBlank(ReadSetting(ctx, "Settings", key, "")));
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0) return default_value;
  return value > ceiling ? ceiling : value;
}

}  // namespace

TransferLimits ReadTransferLimits(Context& ctx) {
  TransferLimits limits;
  constexpr uint64_t kDay = 24 * 60 * 60;
  limits.connect_timeout_seconds = static_cast<long>(PositiveSetting(ctx, "ConnectTimeout", 60, kDay));
  limits.idle_timeout_seconds = static_cast<long>(PositiveSetting(ctx, "IdleTimeout", 30, kDay));
  limits.transfer_timeout_seconds = static_cast<long>(PositiveSetting(ctx, "TransferTimeout", 120, kDay));
  limits.max_body_bytes = PositiveSetting(ctx, "MaxBodyMB", 256, 1u << 20) << 20;
  return limits;
}

std::string KestrumServicesBase(Context& ctx) {
  std::string base(TrimBlank(ReadSetting(ctx, "Services", "KestrumServices", kDefaultServicesBase)));
  while (EndsWith(base, "/")) base.pop_back();
  return base.empty() ? kDefaultServicesBase : base;
}

}  // namespace kestrum
