// Copies of texts converted between the ANSI code page, in which the program's texts are
// kept, and the OEM code page, in which the console and redirected output expect them.
#ifndef FWPEEK_CONSOLE_CONVERT_H_
#define FWPEEK_CONSOLE_CONVERT_H_

#include <stdint.h>

#include "base/text.h"

enum : uint8_t { ToOem = 0, ToAnsi = 1 };

// `result` becomes a converted copy of `source`, which is never altered. Any other direction
// copies unchanged.
void ConvertCharset(uint8_t direction, const Text& source, Text& result);

#endif  // FWPEEK_CONSOLE_CONVERT_H_
