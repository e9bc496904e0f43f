// The start-up and the shutdown around the entry routine: an ordered list of units, each
// with a start and a stop, taken down in reverse.
#ifndef FWPEEK_MAIN_STARTUP_H_
#define FWPEEK_MAIN_STARTUP_H_

#include "failure/exception.h"

// Run-time error numbers for failures that the failure machinery cannot take.
constexpr int kRunErrorOutOfMemory = 203;
constexpr int kRunErrorInvalidPointer = 204;
constexpr int kRunErrorFailureObject = 217;

// Installs the handler of last resort, then starts every unit in order. A unit whose start
// fails is stopped with those before it, and the failure goes on.
void StartUp();

// True while the units are being started.
bool StartingUp();

// A failure leaving the start-up: every unit started so far, the failing one included, is
// stopped, the system is asked, and the run ends as run-time error 217.
[[noreturn]] void FailStartUp(Exception* failure);

// Stops the units in reverse, writes the run-time error report when one is due, and ends the
// process with `status`.
[[noreturn]] void Shutdown(int status);

// Ends the run for a failure outside the failure machinery: the run-time error report with
// `number` and `address`, then the shutdown with `number` as exit status.
[[noreturn]] void RunError(int number, const void* address);

// The run-time error number for a fault outside the failure machinery.
int RunErrorForFault(unsigned exception_code);

// A seam for the tests: when set, called as the last unit's start.
extern void (*StartUpTestUnit)();

#endif  // FWPEEK_MAIN_STARTUP_H_
