#include "platform/errno-posix.h"

#include <errno.h>

namespace platform {

DWORD FromErrno(int error) {
  switch (error) {
    case ENOENT:
      return 2;
    case ENOTDIR:
      return 3;
    case EMFILE:
      return 4;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return 8;
    case ENOSPC:
      return 112;
    case EFBIG:
      return 223;
    case EPIPE:
      return 232;
    case EDQUOT:
      return 1295;
    case EIO:
      return 1117;
    default:
      return ERROR_GEN_FAILURE;
  }
}

}  // namespace platform
