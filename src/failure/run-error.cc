#include "failure/run-error.h"

#include <string.h>

#include "console/stream.h"
#include "failure/format.h"
#include "failure/raise.h"
#include "failure/report.h"
#include "failure/shutdown.h"
#include "platform/platform.h"

using namespace platform;

namespace {

constexpr int kRunErrorOtherFault = 255;

// "Runtime error", five spaces, "at ": the number's digits end at the 17th character and may
// take the three before " at"; the address follows.
const char kRunErrorTemplate[] = "Runtime error     at ";
constexpr size_t kLastDigit = 16;
constexpr size_t kFirstDigit = 14;

}  // namespace

int RunErrorForFault(unsigned code) {
  static const unsigned kNumbers[][2] = {
      {EXCEPTION_INT_DIVIDE_BY_ZERO, 200},
      {EXCEPTION_FLT_DIVIDE_BY_ZERO, 200},
      {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, 201},
      {EXCEPTION_STACK_OVERFLOW, 202},
      {EXCEPTION_FLT_OVERFLOW, 205},
      {EXCEPTION_FLT_UNDERFLOW, 206},
      {EXCEPTION_FLT_DENORMAL_OPERAND, 206},
      {EXCEPTION_FLT_INVALID_OPERATION, 207},
      {EXCEPTION_FLT_INEXACT_RESULT, 207},
      {EXCEPTION_FLT_STACK_CHECK, 207},
      {EXCEPTION_INT_OVERFLOW, 215},
      {EXCEPTION_ACCESS_VIOLATION, 216},
      {CONTROL_C_EXIT, 217},
      {EXCEPTION_PRIV_INSTRUCTION, 218},
  };
  for (const auto& entry : kNumbers)
    if (entry[0] == code) return static_cast<int>(entry[1]);
  return kRunErrorOtherFault;
}

void WriteRunErrorReport(int number, const void* address) {
  char line[64];
  memcpy(line, kRunErrorTemplate, sizeof kRunErrorTemplate);
  char* digit = line + kLastDigit;
  unsigned n = static_cast<unsigned>(number);
  do {
    *digit-- = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0 && digit >= line + kFirstDigit);
  size_t at = sizeof kRunErrorTemplate - 1;
  FormatText(line + at, sizeof line - at, "%p", address);
  size_t length = strlen(line) + 1;  // the terminating zero goes out too

  WriteOutUnchecked();
  WriteStandard(STD_OUTPUT_HANDLE, line, static_cast<DWORD>(length));
  WriteStandard(STD_OUTPUT_HANDLE, kLineEnd.bytes, kLineEnd.length);
}

void RunError(int number, const void* address) {
  WriteRunErrorReport(number, address);
  Shutdown(number);
}

void RunErrorUnlessFailuresReady(int number, const void* address) {
  if (!FailuresReady()) RunError(number, address);
}
