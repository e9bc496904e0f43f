#include "platform/write-posix.h"

#include <errno.h>

#include "platform/errno-posix.h"

namespace platform {

DWORD WriteAll(WriteCall write, int fd, const char* bytes, DWORD length, DWORD* done) {
  *done = 0;
  while (*done < length) {
    ssize_t n = write(fd, bytes + *done, length - *done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FromErrno(errno);
    if (n == 0) return ERROR_GEN_FAILURE;
    *done += static_cast<DWORD>(n);
  }
  return 0;
}

}  // namespace platform
