// The nine lines of the French help screen, on standard output.
#ifndef FWPEEK_CMDLINE_USAGE_H_
#define FWPEEK_CMDLINE_USAGE_H_

// Each line is checked as soon as it is written, so a failing output stops the screen there.
void ShowUsage();

#endif  // FWPEEK_CMDLINE_USAGE_H_
