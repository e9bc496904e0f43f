#include "tests/program.h"

#include "cmdline/arguments.h"
#include "console/stream.h"
#include "main/memory.h"
#include "main/run.h"
#include "main/startup.h"

void ResetProgram() {
  fake::Reset();
  HelpRequested = false;
  FirmwareType.Release();
  StandardInput.state = StreamState::kNotOpen;
  StandardInput.count = 0;
  StandardOutput.state = StreamState::kNotOpen;
  StandardOutput.count = 0;
  InOutResult = 0;
  AllocationsLeft = -1;
  StartUpTestUnit = nullptr;
}

RunResult RunProgram() {
  RunResult result{0xFFFFFFFFu, {}, {}};
  try {
    FwpeekMain();
  } catch (const fake::Exited& exit) {
    result.status = exit.status;
  }
  AllocationsLeft = -1;
  result.out = fake::WrittenTo(fake::OutputHandle());
  result.err = fake::WrittenTo(fake::ErrorHandle());
  return result;
}
