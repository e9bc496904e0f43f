// The start-up and the shutdown around the entry routine: an ordered list of units, each
// with a start and a stop, taken down in reverse. The shutdown itself is declared where the
// failure reports can reach it (failure/shutdown.h) and defined here.
#ifndef FWPEEK_MAIN_STARTUP_H_
#define FWPEEK_MAIN_STARTUP_H_

#include "failure/exception.h"
#include "failure/shutdown.h"

// Installs the handler of last resort, then starts every unit in order.
void StartUp();

// True while the units are being started.
bool StartingUp();

// A failure leaving the start-up: every unit started so far, the failing one included, is
// stopped, the system is asked, and the run ends as run-time error 217.
[[noreturn]] void FailStartUp(Exception* failure);

// A seam for the tests: when set, called as the last unit's start.
extern void (*StartUpTestUnit)();

#endif  // FWPEEK_MAIN_STARTUP_H_
