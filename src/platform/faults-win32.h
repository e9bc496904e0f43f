// What the two Windows fault machineries (faults-x86-win32.cc, faults-x64-win32.cc) share:
// which exceptions count as faults, the system's record in the program's own shape, and the
// top-level filter's place.
// Includes <windows.h> after platform.h, in the order that platform.h asks for.
#ifndef FWPEEK_PLATFORM_FAULTS_WIN32_H_
#define FWPEEK_PLATFORM_FAULTS_WIN32_H_

#include "platform/platform.h"

#define WIN32_LEAN_AND_MEAN
#undef _WIN32_WINNT
// Whatever Windows added after XP stays undeclared, so it cannot be used by mistake.
#define _WIN32_WINNT 0x0501
#include <string.h>
#include <windows.h>

namespace platform {

// Any error the system signals as a structured exception, as the failure classes take every
// code; never the code under which the program hands its own failures back.
inline bool IsFault(::DWORD code) {
  if (code == kProgramFailureCode) return false;
  return (code & 0xC0000000u) == 0xC0000000u || code == EXCEPTION_DATATYPE_MISALIGNMENT;
}

inline void FromSystem(const ::EXCEPTION_RECORD& from, EXCEPTION_RECORD* to) {
  memset(to, 0, sizeof *to);
  to->ExceptionCode = from.ExceptionCode;
  to->ExceptionFlags = from.ExceptionFlags;
  to->ExceptionAddress = from.ExceptionAddress;
  ::DWORD count = from.NumberParameters;
  if (count > EXCEPTION_MAXIMUM_PARAMETERS) count = EXCEPTION_MAXIMUM_PARAMETERS;
  to->NumberParameters = count;
  for (::DWORD i = 0; i < count; ++i) to->ExceptionInformation[i] = from.ExceptionInformation[i];
}

// No message box, no error report, no debugger started: a failure is the program's to report.
inline void QuietErrors() {
  ::UINT mode = ::SetErrorMode(0);
  ::SetErrorMode(mode | SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
}

// Makes `filter` the top-level filter, once; the one it replaces is kept for the restore.
void SetTopLevelFilter(::LPTOP_LEVEL_EXCEPTION_FILTER filter);
// Puts the replaced filter back, when one was set.
void RestoreTopLevelFilter();

}  // namespace platform

#endif  // FWPEEK_PLATFORM_FAULTS_WIN32_H_
