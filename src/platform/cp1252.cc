#include "platform/cp1252.h"

namespace platform {

namespace {

// 0x80 to 0x9F; the five bytes that code page 1252 leaves free keep their C1 code points.
const uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

uint32_t CodePoint(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b; }

char FromCodePoint(uint32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

DWORD Cp1252ToUtf8(const char* from, char* to, DWORD length) {
  char* out = to;
  for (DWORD i = 0; i < length; ++i) {
    uint32_t c = CodePoint(static_cast<unsigned char>(from[i]));
    if (c < 0x80) {
      *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *out++ = static_cast<char>(0xC0 | (c >> 6));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *out++ = static_cast<char>(0xE0 | (c >> 12));
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return static_cast<DWORD>(out - to);
}

DWORD Utf8ToCp1252(const char* from, char* to, DWORD length) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(from);
  const unsigned char* end = p + length;
  char* out = to;
  while (p < end) {
    unsigned char b = *p;
    int extra = b < 0x80             ? 0
                : (b & 0xE0) == 0xC0 ? 1
                : (b & 0xF0) == 0xE0 ? 2
                : (b & 0xF8) == 0xF0 ? 3
                                     : -1;
    if (extra < 0 || end - p <= extra) {
      *out++ = '?';
      ++p;
      continue;
    }
    uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      if ((p[k] & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (p[k] & 0x3F);
    }
    if (!ok) {
      *out++ = '?';
      ++p;
      continue;
    }
    *out++ = FromCodePoint(c);
    p += extra + 1;
  }
  return static_cast<DWORD>(out - to);
}

void Cp1252Upper(char* text, DWORD length) {
  for (DWORD i = 0; i < length; ++i) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
      b = static_cast<unsigned char>(b - 0x20);
    else if (b == 0x9A || b == 0x9C || b == 0x9E)  // š œ ž
      b = static_cast<unsigned char>(b - 0x10);
    else if (b == 0xFF)  // ÿ
      b = 0x9F;
    text[i] = static_cast<char>(b);
  }
}

}  // namespace platform
