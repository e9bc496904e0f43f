#include "console/convert.h"

#include "platform/platform.h"

void ConvertCharset(uint8_t direction, const Text& s, Text& r) {
  using platform::DWORD;
  DWORD length = static_cast<DWORD>(s.length());
  Text work;
  if (direction == ToOem) {
    char* to = work.Reset(length * platform::kOemGrowth);
    if (to) work.Truncate(platform::CharToOemBuffA(s.data(), to, length));
  } else if (direction == ToAnsi) {
    char* to = work.Reset(length);
    if (to) work.Truncate(platform::OemToCharBuffA(s.data(), to, length));
  } else {
    work = s;
  }
  r = static_cast<Text&&>(work);
}
