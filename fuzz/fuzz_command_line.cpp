// The command line on arbitrary text: every form is classified without failing, and an
// unattended plan always names an address that passes the URL test.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/startup.h"
#include "core/url_scheme.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view command_line(reinterpret_cast<const char*>(data), size);
  const kestrum::CommandLinePlan plan = kestrum::PlanCommandLine(command_line);
  const bool needs_address =
      plan.action == kestrum::StartAction::Unattended || plan.action == kestrum::StartAction::InteractiveQuery;
  if (needs_address && !kestrum::IsURL(plan.address)) __builtin_trap();
  if ((plan.action == kestrum::StartAction::NotAUrl) == plan.error_message.empty()) __builtin_trap();
  return 0;
}
