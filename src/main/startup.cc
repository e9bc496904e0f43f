#include "main/startup.h"

#include "console/stream.h"
#include "failure/last-resort.h"
#include "failure/raise.h"
#include "failure/run-error.h"
#include "platform/platform.h"

using platform::EXCEPTION_RECORD;

void (*StartUpTestUnit)() = nullptr;

namespace {

// The streams are closed once more on the way out, unchecked: nothing is left to write by
// then, and a code it leaves is never reported.
void StopStreams() {
  CloseInput();
  CloseOutput();
  InOutResult = 0;
}

void StartTestUnit() {
  if (StartUpTestUnit) StartUpTestUnit();
}

// A null start or stop has nothing to do. Memory management needs neither: it is ready from
// the first allocation.
struct Unit {
  void (*start)();
  void (*stop)();
};

const Unit kUnits[] = {
    {StartFailures, StopFailures},
    {nullptr, StopStreams},
    {StartTestUnit, nullptr},
};
constexpr int kUnitCount = sizeof kUnits / sizeof kUnits[0];

int started = 0;
bool starting = false;

void StopUnits() {
  while (started > 0) {
    const Unit& unit = kUnits[--started];
    if (unit.stop) unit.stop();
  }
}

}  // namespace

bool StartingUp() { return starting; }

void FailStartUp(Exception* failure) {
  // Taking the failure machinery down may destroy the very object under way, so what the
  // system and the run-time error need of it is taken first.
  EXCEPTION_RECORD record = SystemRecordOf(*failure);
  const void* address = failure->raise_address;
  starting = false;
  StopUnits();
  OfferRecordToSystem(record);
  RunError(kRunErrorFailureObject, address);
}

void StartUp() {
  platform::InstallFaultHandler(RaiseFault, ReportFault);
  starting = true;
  while (started < kUnitCount) {
    const Unit& unit = kUnits[started++];
    try {
      if (unit.start) unit.start();
    } catch (Exception* failure) {
      FailStartUp(failure);
    }
  }
  starting = false;
}

void Shutdown(int status) {
  StopUnits();
  platform::RemoveFaultHandler();
  platform::ExitProcess(static_cast<platform::UINT>(status));
}
