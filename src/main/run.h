// The entry routine: the whole of the program's control flow.
#ifndef FWPEEK_MAIN_RUN_H_
#define FWPEEK_MAIN_RUN_H_

#include "base/text.h"

// Set before anything else: reports go to the standard handles, never to a window.
extern bool IsConsole;
// The probe's answer, kept as it was given.
extern Text FirmwareType;
// No step changes it: every run that ends normally, a help run too, ends with 0.
extern int ExitStatus;

// Opens the streams, shows the help screen or the firmware type, closes the streams on every
// path, and ends the process. Never returns.
[[noreturn]] void FwpeekMain();

#endif  // FWPEEK_MAIN_RUN_H_
