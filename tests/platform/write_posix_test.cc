#include <errno.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/write-posix.h"

namespace {

using platform::DWORD;

// Each call answers the next step of the script: a count to take, or -errno.
std::vector<long> steps;
size_t step = 0;
std::string taken;

ssize_t Scripted(int, const void* bytes, size_t length) {
  long answer = step < steps.size() ? steps[step] : static_cast<long>(length);
  ++step;
  if (answer < 0) {
    errno = static_cast<int>(-answer);
    return -1;
  }
  size_t n = static_cast<size_t>(answer) < length ? static_cast<size_t>(answer) : length;
  taken.append(static_cast<const char*>(bytes), n);
  return static_cast<ssize_t>(n);
}

TEST(WritePosixTest, EveryByteOrTheFailuresCode) {
  struct Case {
    std::vector<long> steps;
    DWORD code;
    std::string taken;
  } cases[] = {
      {{}, 0, "Legacy BIOS\n"},
      {{1, 3, 2}, 0, "Legacy BIOS\n"},  // short writes lose nothing
      {{-EINTR, 4}, 0, "Legacy BIOS\n"},
      {{4, -ENOSPC}, 112, "Lega"},
      {{-EFBIG}, 223, ""},
      {{-EPIPE}, 232, ""},
      {{-EROFS}, 31, ""},
      {{5, 0}, 31, "Legac"},  // a call that takes nothing must not loop
  };
  for (const Case& c : cases) {
    steps = c.steps;
    step = 0;
    taken.clear();
    DWORD done = 99;
    const char line[] = "Legacy BIOS\n";
    EXPECT_EQ(platform::WriteAll(Scripted, 1, line, sizeof line - 1, &done), c.code);
    EXPECT_EQ(taken, c.taken);
    EXPECT_EQ(done, c.taken.size());
  }
}

}  // namespace
