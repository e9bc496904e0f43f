// The Windows error code that stands for a POSIX errno value.
#ifndef FWPEEK_PLATFORM_ERRNO_POSIX_H_
#define FWPEEK_PLATFORM_ERRNO_POSIX_H_

#include "platform/platform.h"

namespace platform {

// ERROR_GEN_FAILURE (31) for any errno without a counterpart of its own.
DWORD FromErrno(int error);

}  // namespace platform

#endif  // FWPEEK_PLATFORM_ERRNO_POSIX_H_
