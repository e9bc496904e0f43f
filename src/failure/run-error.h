// The run-time error: how a failure ends the run while the failure machinery is not in place,
// early in the start-up or late in the shutdown. One line on standard output and the number
// as exit status; no dynamic memory.
#ifndef FWPEEK_FAILURE_RUN_ERROR_H_
#define FWPEEK_FAILURE_RUN_ERROR_H_

constexpr int kRunErrorOutOfMemory = 203;
constexpr int kRunErrorInvalidPointer = 204;
constexpr int kRunErrorFailureObject = 217;

// The number for a fault's exception code; 255 for a code without one of its own.
int RunErrorForFault(unsigned exception_code);

// "Runtime error NNN at XXXXXXXX", its zero byte and a line end on standard output, after
// what the output buffer still holds.
void WriteRunErrorReport(int number, const void* address);

// Writes the report, then ends the run through the shutdown with `number` as exit status.
[[noreturn]] void RunError(int number, const void* address);

// The same, but only when the failure machinery is not in place; otherwise returns.
void RunErrorUnlessFailuresReady(int number, const void* address);

#endif  // FWPEEK_FAILURE_RUN_ERROR_H_
