// Copying into a fixed buffer that must stay zero-terminated.
#ifndef FWPEEK_BASE_COPY_H_
#define FWPEEK_BASE_COPY_H_

#include <stddef.h>

// Copies at most size - 1 of the `length` bytes at `from` into `out` and ends them with a zero
// byte; returns the bytes copied. A buffer of size 0 is left alone.
size_t CopyTerminated(char* out, size_t size, const char* from, size_t length);

#endif  // FWPEEK_BASE_COPY_H_
