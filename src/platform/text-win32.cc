// The text operations of the Windows user interface library, answered from the kernel's
// code page services instead: loading user32 would be most of a run's start-up cost.
// Conversions go through UTF-16 a chunk at a time in a fixed buffer, so no memory is taken.
#include "platform/platform.h"
// Before <windows.h>; see platform.h.
#define WIN32_LEAN_AND_MEAN
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#include <windows.h>

namespace platform {

namespace {

constexpr DWORD kChunk = 256;
// The resource type of string table blocks.
constexpr WORD kStringTableType = 6;

// The length of the chunk that starts at `from`: at most kChunk bytes, never ending between
// a lead byte and its trail byte.
DWORD ChunkLength(UINT code_page, const char* from, DWORD left) {
  if (left <= kChunk) return left;
  DWORD k = 0;
  while (k < kChunk) {
    if (::IsDBCSLeadByteEx(code_page, static_cast<BYTE>(from[k]))) {
      if (k + 2 > kChunk) break;
      k += 2;
    } else {
      k += 1;
    }
  }
  return k != 0 ? k : kChunk;
}

// One byte for one byte over exactly `length`, as the system's own conversion: where the code
// pages' round trip gives fewer bytes (a double-byte code page), the rest keep the bytes
// they had, and where it would give more, the result is cut.
DWORD Recode(UINT from_page, UINT to_page, const char* from, char* to, DWORD length) {
  if (to != from) ::CopyMemory(to, from, length);
  DWORD done = 0, stored = 0;
  while (done < length && stored < length) {
    DWORD n = ChunkLength(from_page, from + done, length - done);
    WCHAR wide[kChunk];
    int w = ::MultiByteToWideChar(from_page, 0, from + done, static_cast<int>(n), wide, kChunk);
    int b = ::WideCharToMultiByte(to_page, 0, wide, w, to + stored,
                                  static_cast<int>(length - stored), nullptr, nullptr);
    if (b <= 0 && w > 0) break;  // the next character does not fit
    done += n;
    stored += static_cast<DWORD>(b > 0 ? b : 0);
  }
  return length;
}

}  // namespace

char* CharNextA(const char* position) {
  if (*position == '\0') return const_cast<char*>(position);
  if (::IsDBCSLeadByte(static_cast<BYTE>(*position)) && position[1] != '\0')
    return const_cast<char*>(position + 2);
  return const_cast<char*>(position + 1);
}

DWORD CharUpperBuffA(char* text, DWORD length) {
  for (DWORD done = 0; done < length;) {
    DWORD n = ChunkLength(CP_ACP, text + done, length - done);
    char copy[kChunk];
    ::CopyMemory(copy, text + done, n);
    ::LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, copy, static_cast<int>(n), text + done,
                   static_cast<int>(n));
    done += n;
  }
  return length;
}

DWORD CharToOemBuffA(const char* from, char* to, DWORD length) {
  return Recode(CP_ACP, CP_OEMCP, from, to, length);
}

DWORD OemToCharBuffA(const char* from, char* to, DWORD length) {
  return Recode(CP_OEMCP, CP_ACP, from, to, length);
}

BOOL CharToOemA(const char* from, char* to) {
  DWORD length = static_cast<DWORD>(::lstrlenA(from));
  to[CharToOemBuffA(from, to, length)] = '\0';
  return 1;
}

int LoadStringA(HMODULE instance, UINT id, char* buffer, int size) {
  if (size <= 0) return 0;
  buffer[0] = '\0';
  ::HMODULE module = instance ? static_cast<::HMODULE>(instance) : ::GetModuleHandleA(nullptr);
  // A string table block holds sixteen counted UTF-16 texts.
  ::HRSRC found =
      ::FindResourceA(module, MAKEINTRESOURCEA((id >> 4) + 1), MAKEINTRESOURCEA(kStringTableType));
  if (!found) return 0;
  const WCHAR* p = static_cast<const WCHAR*>(::LockResource(::LoadResource(module, found)));
  if (!p) return 0;
  for (UINT i = 0; i < (id & 15); ++i) p += 1 + *p;
  int length = *p++;
  // Cut to the buffer as the system does, a whole character at a time.
  while (length > 0 &&
         ::WideCharToMultiByte(CP_ACP, 0, p, length, nullptr, 0, nullptr, nullptr) > size - 1)
    --length;
  int n = length > 0
              ? ::WideCharToMultiByte(CP_ACP, 0, p, length, buffer, size - 1, nullptr, nullptr)
              : 0;
  buffer[n > 0 ? n : 0] = '\0';
  return n > 0 ? n : 0;
}

}  // namespace platform
