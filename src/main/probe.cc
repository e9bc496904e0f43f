#include "main/probe.h"

#include <string.h>

#include "failure/exception.h"
#include "failure/raise.h"
#include "platform/platform.h"

namespace {

// A machine started through legacy BIOS has no firmware environment variables, and the system
// refuses any request for one with ERROR_INVALID_FUNCTION. Nothing is read, so no privilege is
// needed: only the code of the refusal matters.
const char kVariableName[] = "";
const char kVendorGuid[] = "{00000000-0000-0000-0000-000000000000}";
const char kLegacy[] = "Legacy BIOS";
const char kUefi[] = "UEFI Mode";
const char kSeparator[] = " : ";

struct Request {
  platform::DWORD code;
};

void Ask(void* context) {
  platform::GetFirmwareEnvironmentVariableA(kVariableName, kVendorGuid, nullptr, 0);
  static_cast<Request*>(context)->code = platform::GetLastError();
}

Text FailureText(const Exception& failure) {
  const char* name = failure.ClassName();
  size_t name_length = strlen(name), separator = strlen(kSeparator);
  const Text& message = failure.Message();
  Text text;
  char* p = text.Reset(name_length + separator + message.length());
  memcpy(p, name, name_length);
  memcpy(p + name_length, kSeparator, separator);
  if (!message.empty()) memcpy(p + name_length + separator, message.data(), message.length());
  return text;
}

// Releases the failure the probe caught, on every way out, also when building its text fails.
struct CaughtFailure {
  Exception* failure;
  ~CaughtFailure() { ReleaseFailure(failure); }
};

}  // namespace

void GetFirmwareType(Text& result) {
  result.Release();
  CaughtFailure caught{nullptr};
  try {
    Request request{0};
    platform::EXCEPTION_RECORD record;
    if (!platform::CallGuarded(Ask, &request, &record)) {
      caught.failure = MakeExternalFailure(record);
    } else {
      result = Text(request.code == platform::ERROR_INVALID_FUNCTION ? kLegacy : kUefi);
      return;
    }
  } catch (Exception* failure) {
    caught.failure = failure;
  }
  result = FailureText(*caught.failure);
}
