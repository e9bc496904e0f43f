#include "console/convert.h"

#include "platform/platform.h"

void ConvertCharset(uint8_t direction, const Text& source, Text& result) {
  using platform::DWORD;
  DWORD length = static_cast<DWORD>(source.length());
  Text work;
  if (direction == ToOem) {
    char* to = work.Reset(length * platform::kOemGrowth);
    if (to) work.Truncate(platform::CharToOemBuffA(source.data(), to, length));
  } else if (direction == ToAnsi) {
    char* to = work.Reset(length);
    if (to) work.Truncate(platform::OemToCharBuffA(source.data(), to, length));
  } else {
    work = source;
  }
  result = static_cast<Text&&>(work);
}
