// Which firmware interface started this machine.
#ifndef FWPEEK_MAIN_PROBE_H_
#define FWPEEK_MAIN_PROBE_H_

#include "base/text.h"

// `result` becomes "Legacy BIOS", "UEFI Mode", or, when the request fails, the failure's class
// name, " : " and its message. Only a failure while that text is built leaves it.
void GetFirmwareType(Text& result);

#endif  // FWPEEK_MAIN_PROBE_H_
