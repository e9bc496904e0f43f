// printf-like filling of a template into a fixed buffer, without any dynamic memory, for the
// failure texts and the failure report. Knows %s (const char*), %d (int), %x (unsigned,
// upper-case, no leading zeros), %p (an address: 8 upper-case hexadecimal digits, 16 when
// it does not fit in 32 bits) and %%.
#ifndef FWPEEK_FAILURE_FORMAT_H_
#define FWPEEK_FAILURE_FORMAT_H_

#include <stddef.h>

// Stops at size - 1 bytes and always ends with a zero byte; returns the length written.
size_t FormatText(char* out, size_t size, const char* pattern, ...);

#endif  // FWPEEK_FAILURE_FORMAT_H_
