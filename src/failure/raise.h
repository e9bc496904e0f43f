// Making and raising failure objects, with their French texts from the string table.
#ifndef FWPEEK_FAILURE_RAISE_H_
#define FWPEEK_FAILURE_RAISE_H_

#include "base/text.h"
#include "failure/exception.h"
#include "platform/platform.h"

// String table ids of the texts the program can show.
enum StringId : unsigned {
  kIdFileNotFound = 65522,
  kIdInvalidFileName = 65523,
  kIdTooManyOpenFiles = 65524,
  kIdFileAccessDenied = 65525,
  kIdReadBeyondEnd = 65526,
  kIdDiskFull = 65527,
  kIdInvalidNumericInput = 65528,
  kIdDivByZero = 65529,
  kIdRangeError = 65530,
  kIdIntOverflow = 65531,
  kIdInvalidOp = 65532,
  kIdZeroDivide = 65533,
  kIdOverflow = 65534,
  kIdUnderflow = 65535,
  kIdExternalException = 65491,
  kIdAccessViolationInModule = 65497,
  kIdInvalidPointer = 65504,
  kIdAccessViolation = 65506,
  kIdStackOverflow = 65508,
  kIdControlC = 65509,
  kIdPrivilege = 65510,
  kIdFailureReport = 65511,
  kIdRead = 65516,
  kIdWrite = 65517,
  kIdOutOfMemory = 65520,
  kIdInOutError = 65521,
};

// A text of the string table; empty when the id holds none.
Text LoadText(unsigned id);

// Sets up and takes down the failure machinery: the two objects made in advance for memory
// failures, and the texts that need no filling in.
void StartFailures();
void StopFailures();
bool FailuresReady();

[[noreturn]] void RaiseFailure(Exception* failure, void* address);
// The message by code; the pending result has already been taken by the caller.
[[noreturn]] void RaiseInOutError(int code, void* address);
enum class MemoryFailure { kOutOfMemory, kInvalidPointer };
// The object made in advance for a memory failure, with its raise address set.
Exception* SingleFailure(MemoryFailure which, void* address);

Text InOutMessage(int code);
// A new object of the class that stands for the system's exception code.
Exception* MakeExternalFailure(const platform::EXCEPTION_RECORD& record);

// Ends a handler's hold on a failure; the objects made in advance stay alive.
void ReleaseFailure(Exception* failure);

#endif  // FWPEEK_FAILURE_RAISE_H_
