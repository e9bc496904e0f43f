// The end of every run, as the failure reports need it. The start-up, which knows what it
// made ready, defines it (src/main/startup.cc).
#ifndef FWPEEK_FAILURE_SHUTDOWN_H_
#define FWPEEK_FAILURE_SHUTDOWN_H_

// Stops what the start-up started, in reverse, and ends the process with `status`.
[[noreturn]] void Shutdown(int status);

#endif  // FWPEEK_FAILURE_SHUTDOWN_H_
