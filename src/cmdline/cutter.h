// How a command line is cut into arguments. A separator is any byte from 0x01 to 0x20.
// A double quote opens a section in which separators are taken; it is never itself taken,
// and there is no escape character. Argument 0 is the program's own name.
#ifndef FWPEEK_CMDLINE_CUTTER_H_
#define FWPEEK_CMDLINE_CUTTER_H_

#include <stddef.h>

#include "base/text.h"

// Cuts the argument that begins at `position` (leading separators and pairs of double
// quotes are skipped first) into `argument`, and returns the position where reading
// stopped: on a separator or on the terminating zero byte. Never reads past that zero.
const char* CutArgument(const char* position, Text& argument);

// The number of arguments after argument 0: those cut before the first empty one.
size_t CountArguments(const char* command_line);

#endif  // FWPEEK_CMDLINE_CUTTER_H_
