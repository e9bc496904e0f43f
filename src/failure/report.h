// What the user sees when a run fails. Neither report takes dynamic memory, so exhausted
// memory can still be reported.
#ifndef FWPEEK_FAILURE_REPORT_H_
#define FWPEEK_FAILURE_REPORT_H_

#include "failure/exception.h"

// Two lines and an empty one on standard error: class, module and address, then the message.
// Writes nothing of standard output's own; its writes are not checked.
void WriteFailureReport(const Exception& failure);

// "Runtime error NNN at XXXXXXXX" on standard output, after what the output buffer holds.
void WriteRunErrorReport(int number, const void* address);

#endif  // FWPEEK_FAILURE_REPORT_H_
