// Code page 1252, the ANSI code page where the system offers none, and its UTF-8 form.
#ifndef FWPEEK_PLATFORM_CP1252_H_
#define FWPEEK_PLATFORM_CP1252_H_

#include "platform/platform.h"

namespace platform {

// Up to three UTF-8 bytes for each byte; returns the bytes stored.
DWORD Cp1252ToUtf8(const char* from, char* to, DWORD length);
// What has no code page 1252 form, malformed bytes included, becomes "?".
DWORD Utf8ToCp1252(const char* from, char* to, DWORD length);
// Locale upper-casing of code page 1252; characters without case stay.
void Cp1252Upper(char* text, DWORD length);

}  // namespace platform

#endif  // FWPEEK_PLATFORM_CP1252_H_
