#include "failure/format.h"

#include <gtest/gtest.h>
#include <stdint.h>

#include <string>

namespace {

TEST(FormatTextTest, Conversions) {
  char out[128];
  FormatText(out, sizeof out, "%s|%d|%d|%x|%p|%p|%%", "ab", 232, -5, 0xC000001Du,
             reinterpret_cast<void*>(0x1A2B), static_cast<void*>(nullptr));
  EXPECT_STREQ(out, "ab|232|-5|C000001D|00001A2B|00000000|%");
}

TEST(FormatTextTest, WideAddressKeepsEveryDigit) {
  if (sizeof(void*) < 8) GTEST_SKIP();
  char out[32];
  FormatText(out, sizeof out, "%p", reinterpret_cast<void*>(static_cast<uintptr_t>(0x123456789AB)));
  EXPECT_STREQ(out, "00000123456789AB");
}

TEST(FormatTextTest, CutToTheBufferAndAlwaysTerminated) {
  char out[8];
  EXPECT_EQ(FormatText(out, sizeof out, "%s", "abcdefghij"), 7u);
  EXPECT_STREQ(out, "abcdefg");
  EXPECT_EQ(FormatText(out, sizeof out, "abc%"), 3u);  // a lone % at the end
}

}  // namespace
