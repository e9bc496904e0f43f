#include "main/startup.h"

#include "console/stream.h"
#include "failure/exception.h"
#include "failure/last-resort.h"
#include "failure/raise.h"
#include "failure/report.h"
#include "main/memory.h"
#include "platform/platform.h"

using platform::EXCEPTION_RECORD;

void (*StartUpTestUnit)() = nullptr;

namespace {

// The streams are closed once more on the way out, unchecked: nothing is left to write by
// then, and a code it leaves is never reported.
void StopStreams() {
  CloseInput();
  CloseOutput();
  InOutResult = 0;
}

void StartNothing() {}

void StartTestUnit() {
  if (StartUpTestUnit) StartUpTestUnit();
}

struct Unit {
  void (*start)();
  void (*stop)();
};

const Unit kUnits[] = {
    {StartMemory, StopMemory},
    {StartFailures, StopFailures},
    {StartNothing, StopStreams},
    {StartTestUnit, StartNothing},
};
constexpr int kUnitCount = sizeof kUnits / sizeof kUnits[0];

int started = 0;
bool starting = false;

bool run_error_due = false;
int run_error_number = 0;
const void* run_error_address = nullptr;

void StopUnits() {
  while (started > 0) kUnits[--started].stop();
}

}  // namespace

bool StartingUp() { return starting; }

void FailStartUp(Exception* failure) {
  // Taking the failure machinery down may destroy the very object under way, so what the
  // system and the run-time error need of it is taken first.
  EXCEPTION_RECORD record = SystemRecordOf(*failure);
  const void* address = failure->raise_address;
  starting = false;
  StopUnits();
  OfferRecordToSystem(record);
  RunError(kRunErrorFailureObject, address);
}

void StartUp() {
  platform::InstallFaultHandler(RaiseFault, ReportFault);
  starting = true;
  while (started < kUnitCount) {
    try {
      kUnits[started++].start();
    } catch (Exception* failure) {
      FailStartUp(failure);
    }
  }
  starting = false;
}

void Shutdown(int status) {
  if (run_error_due) {
    run_error_due = false;
    WriteRunErrorReport(run_error_number, run_error_address);
  }
  StopUnits();
  platform::RemoveFaultHandler();
  platform::ExitProcess(static_cast<platform::UINT>(status));
}

void RunError(int number, const void* address) {
  run_error_due = true;
  run_error_number = number;
  run_error_address = address;
  Shutdown(number);
}

int RunErrorForFault(unsigned code) {
  using namespace platform;
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
  return 255;
}
