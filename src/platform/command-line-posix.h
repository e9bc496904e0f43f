// The command line that POSIX does not keep: made from argv so that cutting it gives back
// each element as exactly one argument.
#ifndef FWPEEK_PLATFORM_COMMAND_LINE_POSIX_H_
#define FWPEEK_PLATFORM_COMMAND_LINE_POSIX_H_

namespace platform {

// The name the program goes by where its arguments give none.
extern const char kProgramName[];

// The elements joined by one space, in memory of the program's own (new[]). An empty first
// element is written as kProgramName, since an empty name would be skipped and the next element
// taken for the name. An element that is empty or holds a byte from 0x01 to 0x20 is wrapped
// in double quotes. A double quote inside an element could never come back through the cutting
// rules, so it is written as a single quote: the element keeps its length and stays one
// argument that is neither "?" nor "/?" unless it was.
char* JoinArguments(int count, char* const* elements);

}  // namespace platform

#endif  // FWPEEK_PLATFORM_COMMAND_LINE_POSIX_H_
