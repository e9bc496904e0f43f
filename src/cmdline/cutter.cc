#include "cmdline/cutter.h"

#include <string.h>

#include "platform/platform.h"

namespace {

bool IsSeparator(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  return b >= 0x01 && b <= 0x20;
}

// The next character, which may be two bytes in a double-byte code page; never beyond the
// terminating zero, whatever the platform says of a lead byte at the very end.
const char* Next(const char* p) {
  const char* next = platform::CharNextA(p);
  for (const char* q = p + 1; q < next; ++q)
    if (*q == '\0') return q;
  return next > p ? next : p + 1;
}

// One pass does both jobs: with `out` null it only measures.
const char* Read(const char* p, char* out, size_t* length) {
  size_t n = 0;
  auto take = [&](const char* from, const char* to) {
    if (out) memcpy(out + n, from, static_cast<size_t>(to - from));
    n += static_cast<size_t>(to - from);
  };
  while (static_cast<unsigned char>(*p) > 0x20) {
    if (*p == '"') {
      ++p;
      while (*p != '\0' && *p != '"') {
        const char* next = Next(p);
        take(p, next);
        p = next;
      }
      if (*p == '"') ++p;
    } else {
      const char* next = Next(p);
      take(p, next);
      p = next;
    }
  }
  *length = n;
  return p;
}

const char* Skip(const char* p) {
  for (;;) {
    if (IsSeparator(*p))
      p = Next(p);
    else if (p[0] == '"' && p[1] == '"')
      p += 2;
    else
      return p;
  }
}

}  // namespace

const char* CutArgument(const char* position, Text& argument) {
  const char* start = Skip(position);
  size_t length = 0;
  Read(start, nullptr, &length);
  Text cut;
  char* out = cut.Reset(length);
  const char* end = Read(start, out, &length);
  argument = static_cast<Text&&>(cut);
  return end;
}

size_t CountArguments(const char* command_line) {
  size_t length = 0;
  const char* p = Read(Skip(command_line), nullptr, &length);
  size_t count = 0;
  for (;;) {
    p = Read(Skip(p), nullptr, &length);
    if (length == 0) return count;
    ++count;
  }
}
