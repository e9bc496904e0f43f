#include "main/run.h"

#include "cmdline/arguments.h"
#include "console/convert.h"
#include "console/stream.h"
#include "failure/last-resort.h"
#include "failure/raise.h"
#include "main/probe.h"
#include "main/startup.h"

// Nothing reads it: the program is built for the console subsystem, where both reports go
// to the standard handles anyway.
bool IsConsole = false;
Text FirmwareType;
int ExitStatus = 0;

namespace {

// One code path whether or not a failure passes through, so each of its checks always shows
// the same address.
__attribute__((noinline)) void Closing() {
  CloseInput();
  Check();
  CloseOutput();
  Check();
}

// Everything before the closing: the streams opened, then the help screen or the answer.
void OpenShowAndWrite() {
  OpenInput();
  Check();
  OpenOutput();
  Check();
  if (!CheckArguments()) return;
  Text answer;
  GetFirmwareType(answer);
  FirmwareType = answer;
  Text line;
  ConvertCharset(ToOem, FirmwareType, line);
  WriteText(line);
  WriteLineEnd();
  Check();
}

// A failure in the closing replaces the one under way.
void Run() {
  try {
    OpenShowAndWrite();
  } catch (Exception* failure) {
    OfferToSystem(failure);
    try {
      Closing();
    } catch (Exception*) {
      ReleaseFailure(failure);
      throw;
    }
    throw;
  }
  Closing();
}

}  // namespace

void FwpeekMain() {
  IsConsole = true;
  try {
    StartUp();
    Run();
  } catch (Exception* failure) {
    ReportAndExit(failure);
  }
  Shutdown(ExitStatus);
}
