#include "core/ini_profile.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

TEST(IniLookup, FindsKeyCaseInsensitively) {
  EXPECT_EQ(IniLookup("[Settings]\r\nchkProxy=1\r\n", "settings", "CHKPROXY"), "1");
}

}  // namespace
}  // namespace kestrum
