// Whole runs of the program on the fake platform.
#ifndef FWPEEK_TESTS_PROGRAM_H_
#define FWPEEK_TESTS_PROGRAM_H_

#include <string>

#include "tests/platform/fake.h"

// Every piece of program-wide state back to how a process starts, and the fake's defaults.
void ResetProgram();

struct RunResult {
  unsigned status;
  std::string out;  // bytes written to the standard output handle
  std::string err;
};

// Runs the program from its entry to its exit with the fake's current script.
RunResult RunProgram();

#endif  // FWPEEK_TESTS_PROGRAM_H_
