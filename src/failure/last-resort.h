// The handler of last resort: where a failure that nothing in the program handles ends up.
#ifndef FWPEEK_FAILURE_LAST_RESORT_H_
#define FWPEEK_FAILURE_LAST_RESORT_H_

#include "failure/exception.h"
#include "platform/platform.h"

// The record under which the system sees a failure: a fault's own, or one of the program's
// code for a failure object.
platform::EXCEPTION_RECORD SystemRecordOf(const Exception& failure);
// Hands the failure back to the system when it asks for it (a debugger is attached).
void OfferRecordToSystem(platform::EXCEPTION_RECORD& record);

// Asks the system first, once per raise: when it wants the failure back (a debugger is
// attached) it gets it, and nothing of the program's clean-up or reporting runs.
void OfferToSystem(Exception* failure);

// Reports the failure and ends the run with status 1; a failure raised while the report
// makes its own check takes the report's place.
[[noreturn]] void ReportAndExit(Exception* failure);

// Installed with the fault handler: turns a processor fault into its failure object, raised
// from the faulting instruction.
[[noreturn]] void RaiseFault(const platform::EXCEPTION_RECORD* record);

// Installed with the fault handler for a fault that cannot unwind from its place: reports it
// from where the system calls, without the entry routine's closing step. Never returns.
[[noreturn]] void ReportFault(const platform::EXCEPTION_RECORD* record);

#endif  // FWPEEK_FAILURE_LAST_RESORT_H_
