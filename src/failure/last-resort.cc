#include "failure/last-resort.h"

#include "console/stream.h"
#include "failure/raise.h"
#include "failure/report.h"
#include "failure/run-error.h"
#include "failure/shutdown.h"

using namespace platform;

EXCEPTION_RECORD SystemRecordOf(const Exception& failure) {
  EXCEPTION_RECORD record = {};
  if (const EExternal* fault = dynamic_cast<const EExternal*>(&failure)) {
    record = fault->exception_record;
  } else {
    record.ExceptionCode = kProgramFailureCode;
    record.ExceptionAddress = failure.raise_address;
  }
  return record;
}

void OfferRecordToSystem(EXCEPTION_RECORD& record) {
  if (UnhandledExceptionFilter(&record) == EXCEPTION_CONTINUE_SEARCH) RaiseToSystem(record);
}

void OfferToSystem(Exception* failure) {
  if (failure->offered) return;
  failure->offered = true;
  EXCEPTION_RECORD record = SystemRecordOf(*failure);
  OfferRecordToSystem(record);
}

void ReportAndExit(Exception* failure) {
  OfferToSystem(failure);
  RunErrorUnlessFailuresReady(kRunErrorFailureObject, failure->raise_address);
  // What the run wrote goes out before the report; a failure doing so is the one reported.
  for (;;) {
    try {
      WriteOut();
      Check();
      break;
    } catch (Exception* later) {
      ReleaseFailure(failure);
      failure = later;
      OfferToSystem(failure);
    }
  }
  WriteFailureReport(*failure);
  Shutdown(1);
}

void ReportFault(const EXCEPTION_RECORD* record) {
  RunErrorUnlessFailuresReady(RunErrorForFault(record->ExceptionCode), record->ExceptionAddress);
  Exception* failure;
  // Caught here, in a frame of the program's own: nothing may unwind into the system's.
  try {
    failure = MakeExternalFailure(*record);
    failure->raise_address = record->ExceptionAddress;
  } catch (Exception* made_instead) {
    failure = made_instead;
  }
  ReportAndExit(failure);
}

void RaiseFault(const EXCEPTION_RECORD* record) {
  RunErrorUnlessFailuresReady(RunErrorForFault(record->ExceptionCode), record->ExceptionAddress);
  RaiseFailure(MakeExternalFailure(*record), record->ExceptionAddress);
}
