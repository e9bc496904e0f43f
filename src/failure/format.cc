#include "failure/format.h"

#include <stdarg.h>
#include <stdint.h>

namespace {

struct Out {
  char* p;
  char* end;  // the place of the terminating zero
  void Put(char c) {
    if (p < end) *p++ = c;
  }
};

void PutHex(Out& out, uint64_t value, int min_digits) {
  char digits[16];
  int n = 0;
  do {
    digits[n++] = "0123456789ABCDEF"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (n < min_digits) digits[n++] = '0';
  while (n > 0) out.Put(digits[--n]);
}

void PutDecimal(Out& out, int value) {
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  if (value < 0) out.Put('-');
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (n > 0) out.Put(digits[--n]);
}

}  // namespace

size_t FormatText(char* out_bytes, size_t size, const char* pattern, ...) {
  if (size == 0) return 0;
  Out out{out_bytes, out_bytes + size - 1};
  va_list args;
  va_start(args, pattern);
  for (const char* f = pattern; *f; ++f) {
    if (*f != '%') {
      out.Put(*f);
      continue;
    }
    switch (*++f) {
      case 's':
        for (const char* s = va_arg(args, const char*); s && *s; ++s) out.Put(*s);
        break;
      case 'd':
        PutDecimal(out, va_arg(args, int));
        break;
      case 'x':
        PutHex(out, va_arg(args, unsigned), 1);
        break;
      case 'p': {
        uint64_t address = reinterpret_cast<uintptr_t>(va_arg(args, const void*));
        PutHex(out, address, address > 0xFFFFFFFFu ? 16 : 8);
        break;
      }
      case '\0':
        --f;
        break;
      default:
        out.Put(*f);
    }
  }
  va_end(args);
  *out.p = '\0';
  return static_cast<size_t>(out.p - out_bytes);
}
