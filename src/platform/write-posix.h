// Writing a whole request to a descriptor, as WriteFile promises: every byte or a failure.
#ifndef FWPEEK_PLATFORM_WRITE_POSIX_H_
#define FWPEEK_PLATFORM_WRITE_POSIX_H_

#include <stddef.h>
#include <sys/types.h>

#include "platform/platform.h"

namespace platform {

typedef ssize_t (*WriteCall)(int fd, const void* bytes, size_t length);

// Calls `write` until every byte is taken, again after EINTR and after a short write. Returns
// 0 on success, else the error code: the errno's, or ERROR_GEN_FAILURE when a call takes no
// byte at all, which would otherwise repeat for ever. *done counts the bytes taken.
DWORD WriteAll(WriteCall write, int fd, const char* bytes, DWORD length, DWORD* done);

}  // namespace platform

#endif  // FWPEEK_PLATFORM_WRITE_POSIX_H_
