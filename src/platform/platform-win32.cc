// The real Windows calls, on 32-bit and 64-bit Windows alike; the fault machinery, which
// differs between the two, is in faults-x86-win32.cc and faults-x64-win32.cc. Nothing here may
// need more than Windows XP.
//
// Below the headers, Windows' own names are reached with ::, and its constants are the macros
// of <windows.h>, whose values are the header's.
#include "platform/faults-win32.h"

namespace platform {

const LineEnd kLineEnd = {"\r\n", 2};
const char kPathDelimiter = '\\';

// ---- Failures handed back to the system -----------------------------------------------

// Not the system's own filter: when no debugger is attached it starts the just-in-time one
// (Wine does so whatever the error mode says), and the answer it gives back is only whether
// a debugger is attached. That is asked directly.
LONG UnhandledExceptionFilter(EXCEPTION_RECORD*) {
  return ::IsDebuggerPresent() ? EXCEPTION_CONTINUE_SEARCH : EXCEPTION_EXECUTE_HANDLER;
}

void RaiseToSystem(const EXCEPTION_RECORD& record) {
  RemoveFaultHandler();
  ::ULONG_PTR parameters[EXCEPTION_MAXIMUM_PARAMETERS];
  DWORD count = record.NumberParameters;
  if (count > EXCEPTION_MAXIMUM_PARAMETERS) count = EXCEPTION_MAXIMUM_PARAMETERS;
  for (DWORD i = 0; i < count; ++i) parameters[i] = record.ExceptionInformation[i];
  ::RaiseException(record.ExceptionCode, EXCEPTION_NONCONTINUABLE, count,
                   count ? parameters : nullptr);
  ::ExitProcess(record.ExceptionCode);
}

// ---- Thin wrappers ------------------------------------------------------------------

DWORD GetLastError() { return ::GetLastError(); }

void ExitProcess(UINT status) { ::ExitProcess(status); }

const char* GetCommandLineA() { return ::GetCommandLineA(); }

// The system keeps the command line as it was given.
void KeepArguments(int, char**) {}

HANDLE GetStdHandle(DWORD which) { return ::GetStdHandle(which); }

DWORD GetFileType(HANDLE handle) { return ::GetFileType(handle); }

// Success counts as every byte taken: the count is handed back but never acted on.
BOOL WriteFile(HANDLE handle, const void* bytes, DWORD length, DWORD* written, void* overlapped) {
  ::DWORD taken = 0;
  BOOL ok = ::WriteFile(handle, bytes, length, &taken, static_cast<::LPOVERLAPPED>(overlapped));
  if (written) *written = taken;
  return ok;
}

BOOL CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }

size_t VirtualQuery(const void* address, MEMORY_BASIC_INFORMATION* info, size_t length) {
  if (length < sizeof *info) return 0;
  ::MEMORY_BASIC_INFORMATION system_info;
  if (::VirtualQuery(address, &system_info, sizeof system_info) == 0) return 0;
  info->BaseAddress = system_info.BaseAddress;
  info->AllocationBase = system_info.AllocationBase;
  info->State = system_info.State;
  return sizeof *info;
}

DWORD GetModuleFileNameA(HMODULE module, char* path, DWORD size) {
  return ::GetModuleFileNameA(static_cast<::HMODULE>(module), path, size);
}

}  // namespace platform
