#include "net/net_settings.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

TEST(ReadTransferLimits, TakesWholePositiveNumbersAndDefaultsOtherwise) {
  testing::TestProgram program;
  struct Case {
    const char* value;
    long seconds;
    uint64_t megabytes;
  };
  const Case cases[] = {
      {"", 0, 0},
      {"abc", 0, 0},
      {"0", 0, 0},
      {"-5", 0, 0},
      {"1.5", 0, 0},  // 0: the key's default
      {"7", 7, 7},
      {" 12 ", 12, 12},
      {"99999999999999999999", 0, 0},  // beyond 64 bits
      {"4000000", 86400, 1048576},     // capped
  };
  for (const Case& c : cases) {
    for (const char* key : {"ConnectTimeout", "IdleTimeout", "MaxBodyMB"})
      WriteSetting(program.ctx, "Settings", key, c.value);
    const TransferLimits limits = ReadTransferLimits(program.ctx);
    EXPECT_EQ(limits.connect_timeout_seconds, c.seconds ? c.seconds : 60) << c.value;
    EXPECT_EQ(limits.idle_timeout_seconds, c.seconds ? c.seconds : 30) << c.value;
    EXPECT_EQ(limits.max_body_bytes, (c.megabytes ? c.megabytes : 256) << 20) << c.value;
  }
}

TEST(KestrumServicesBase, DefaultsToLoopbackAndDropsTrailingSlashes) {
  testing::TestProgram program;
  EXPECT_EQ(KestrumServicesBase(program.ctx), "http://127.0.0.1:8931");
  WriteSetting(program.ctx, "Services", "KestrumServices", "http://127.0.0.1:9000//");
  EXPECT_EQ(KestrumServicesBase(program.ctx), "http://127.0.0.1:9000");
}

}  // namespace
}  // namespace kestrum
