// The operations fwpeek asks of the system, in the shape of their Windows counterparts:
// same names, arguments, answers and error codes. Behind this header stand the real
// Windows calls (platform-win32.cc), POSIX answers (platform-posix.cc) and the tests'
// scripted fake. Nothing else in the program talks to the system.
//
// On Windows include this header before <windows.h>: the Windows macros of the same
// names would otherwise rewrite these declarations.
#ifndef FWPEEK_PLATFORM_PLATFORM_H_
#define FWPEEK_PLATFORM_PLATFORM_H_

#include <stddef.h>
#include <stdint.h>

namespace platform {

typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef void* HANDLE;
typedef void* HMODULE;

constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_NOACCESS = 998;

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);

// A handle value, not a pointer that is ever followed.
inline HANDLE InvalidHandleValue() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

constexpr DWORD FILE_TYPE_UNKNOWN = 0;
constexpr DWORD FILE_TYPE_DISK = 1;
constexpr DWORD FILE_TYPE_CHAR = 2;
constexpr DWORD FILE_TYPE_PIPE = 3;

constexpr DWORD MEM_COMMIT = 0x1000;

struct MEMORY_BASIC_INFORMATION {
  void* BaseAddress;
  void* AllocationBase;
  DWORD State;
};

constexpr DWORD EXCEPTION_ACCESS_VIOLATION = 0xC0000005;
constexpr DWORD EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008C;
constexpr DWORD EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008D;
constexpr DWORD EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008E;
constexpr DWORD EXCEPTION_FLT_INEXACT_RESULT = 0xC000008F;
constexpr DWORD EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090;
constexpr DWORD EXCEPTION_FLT_OVERFLOW = 0xC0000091;
constexpr DWORD EXCEPTION_FLT_STACK_CHECK = 0xC0000092;
constexpr DWORD EXCEPTION_FLT_UNDERFLOW = 0xC0000093;
constexpr DWORD EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094;
constexpr DWORD EXCEPTION_INT_OVERFLOW = 0xC0000095;
constexpr DWORD EXCEPTION_PRIV_INSTRUCTION = 0xC0000096;
constexpr DWORD EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001D;
constexpr DWORD EXCEPTION_STACK_OVERFLOW = 0xC00000FD;
constexpr DWORD CONTROL_C_EXIT = 0xC000013A;

constexpr DWORD EXCEPTION_MAXIMUM_PARAMETERS = 15;

struct EXCEPTION_RECORD {
  DWORD ExceptionCode;
  DWORD ExceptionFlags;
  EXCEPTION_RECORD* ExceptionRecord;
  void* ExceptionAddress;
  DWORD NumberParameters;
  uintptr_t ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS];
};

constexpr LONG EXCEPTION_CONTINUE_SEARCH = 0;
constexpr LONG EXCEPTION_EXECUTE_HANDLER = 1;

// The firmware probe's request. Returns the bytes stored; on failure sets the last error.
DWORD GetFirmwareEnvironmentVariableA(const char* name, const char* guid, void* buffer, DWORD size);
DWORD GetLastError();
[[noreturn]] void ExitProcess(UINT status);

const char* GetCommandLineA();
// Where the system keeps no command line of its own, it is made from the arguments that the
// program was started with; they are handed over here before anything else. Stores them only.
void KeepArguments(int argc, char** argv);

HANDLE GetStdHandle(DWORD which);
DWORD GetFileType(HANDLE handle);
// Synchronous; a non-zero answer means every byte was taken.
BOOL WriteFile(HANDLE handle, const void* bytes, DWORD length, DWORD* written, void* overlapped);
BOOL CloseHandle(HANDLE handle);

size_t VirtualQuery(const void* address, MEMORY_BASIC_INFORMATION* info, size_t length);
// The path of the module loaded at `module` (null: the program's own), cut to `size` bytes.
// Returns the length stored, 0 on failure.
DWORD GetModuleFileNameA(HMODULE module, char* path, DWORD size);

// The system's decision on a failure that nothing in the program handles:
// EXCEPTION_CONTINUE_SEARCH gives it back (a debugger is attached).
LONG UnhandledExceptionFilter(EXCEPTION_RECORD* record);

char* CharNextA(const char* position);
DWORD CharUpperBuffA(char* text, DWORD length);

// Conversion between the ANSI and the OEM code page. On Windows it is byte for byte; where
// the OEM side is UTF-8 a byte may grow into up to kOemGrowth bytes, so `to` must hold
// length * kOemGrowth bytes. Both return the number of bytes stored in `to`; `to` may be
// `from` only where kOemGrowth is 1.
#ifdef _WIN32
constexpr DWORD kOemGrowth = 1;
#else
constexpr DWORD kOemGrowth = 3;
#endif
DWORD CharToOemBuffA(const char* from, char* to, DWORD length);
DWORD OemToCharBuffA(const char* from, char* to, DWORD length);
// Zero-terminated form; `to` must hold strlen(from) * kOemGrowth + 1 bytes.
BOOL CharToOemA(const char* from, char* to);

// A text of the program's string table, zero-terminated, cut to `size` bytes; returns its
// length.
int LoadStringA(HMODULE instance, UINT id, char* buffer, int size);

// The line end of text written on the standard handles, and the byte that ends the directory
// part of a module's path.
struct LineEnd {
  const char* bytes;
  DWORD length;
};
extern const LineEnd kLineEnd;
extern const char kPathDelimiter;

// Processor faults (access violations, division by zero, ...). Once installed, a fault is
// turned into a call of `handler` with its record, made as if from the faulting instruction:
// the handler may throw, and the failure unwinds from the fault's place. Installed once, early.
// A fault that cannot unwind from its place (in system code without the unwinder's data, where
// the system allows nothing else) is given to `reporter` instead, which must not return.
typedef void (*FaultHandler)(const EXCEPTION_RECORD* record);
void InstallFaultHandler(FaultHandler handler, FaultHandler reporter);
void RemoveFaultHandler();

// Runs body(context) so that a fault anywhere inside it, also in system code that the C++
// unwinder cannot walk, ends it. Returns true when body returned; false with *record filled
// when a fault ended it. A C++ exception from body passes through unchanged.
bool CallGuarded(void (*body)(void*), void* context, EXCEPTION_RECORD* record);

// Hands a failure that the program will not handle back to the system, which ends the
// process in its own way (a debugger attached sees it). For a fault, `record` is the fault's.
[[noreturn]] void RaiseToSystem(const EXCEPTION_RECORD& record);

// The code under which a failure object of the program's own is handed to the system.
constexpr DWORD kProgramFailureCode = 0xE0465750;

}  // namespace platform

#endif  // FWPEEK_PLATFORM_PLATFORM_H_
