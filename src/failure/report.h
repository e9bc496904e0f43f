// The failure report: what the user sees when a failure reaches the handler of last resort.
// It takes no dynamic memory, so exhausted memory can still be reported.
#ifndef FWPEEK_FAILURE_REPORT_H_
#define FWPEEK_FAILURE_REPORT_H_

#include "failure/exception.h"

// Two lines and an empty one on standard error: class, module and address, then the message.
// Writes nothing of standard output's own; its writes are not checked.
void WriteFailureReport(const Exception& failure);

// One write to the standard handle `which`, asked for afresh; its answer is not examined.
void WriteStandard(platform::DWORD which, const char* bytes, platform::DWORD length);

#endif  // FWPEEK_FAILURE_REPORT_H_
