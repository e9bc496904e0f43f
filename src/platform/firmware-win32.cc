// The firmware request, in a file of its own so that a test program can link a request of
// its own in its place and fault inside it.
#include "platform/platform.h"
// Before <windows.h>; see platform.h.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

DWORD GetFirmwareEnvironmentVariableA(const char* name, const char* guid, void* buffer,
                                      DWORD size) {
  return ::GetFirmwareEnvironmentVariableA(name, guid, buffer, size);
}

}  // namespace platform
