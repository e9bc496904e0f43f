// The help switch: an argument that is exactly "?" or "/?". Every other argument is
// ignored without a word.
#ifndef FWPEEK_CMDLINE_ARGUMENTS_H_
#define FWPEEK_CMDLINE_ARGUMENTS_H_

// Set at the first help switch met; never set back.
extern bool HelpRequested;

// Scans every argument after the program's name. Returns true when the run is to probe;
// false after it has written the help screen itself.
bool CheckArguments();

#endif  // FWPEEK_CMDLINE_ARGUMENTS_H_
