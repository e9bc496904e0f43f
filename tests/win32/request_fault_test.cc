// The probe under the real Windows calls, with a request of the test's own that faults:
// in the program's code and in a system library. Each fault must become the probe's text.
// Given an argument, it runs the program itself with a request that faults in a system
// library instead: the result line is the failure's text and the run ends with status 0.
#include "main/probe.h"

#include <stdio.h>
#include <string.h>

#include <string>

#include "base/text.h"
#include "main/run.h"
#include "main/startup.h"
#include "platform/platform.h"

// After the program's own headers; see platform.h.
#include <windows.h>

namespace {

void (*action)() = nullptr;
volatile int zero = 0;
char* volatile null_bytes = nullptr;

void ReadNull() { (void)*static_cast<volatile int*>(nullptr); }
void WriteNull() { *static_cast<volatile int*>(nullptr) = 1; }
void DivideByZero() { zero = 1 / zero; }
// Called through pointers, so that the compiler cannot put its own code in their place.
void* (*volatile copy_bytes)(void*, const void*, size_t) = memcpy;
void* (*volatile fill_bytes)(void*, int, size_t) = memset;
void ReadNullInSystemCode() {
  volatile char copy[4];
  copy_bytes(const_cast<char*>(copy), null_bytes, sizeof copy);
}
void WriteNullInSystemCode() { fill_bytes(null_bytes, 0, 4); }
void RaiseUnknownCode() { RaiseException(0xC0001234, 0, 0, nullptr); }

}  // namespace

namespace platform {

DWORD GetFirmwareEnvironmentVariableA(const char*, const char*, void*, DWORD) {
  if (action) action();
  return 0;
}

}  // namespace platform

int main(int argc, char**) {
  if (argc > 1) {
    action = ReadNullInSystemCode;
    FwpeekMain();
  }
  StartUp();
  struct {
    const char* name;
    void (*fault)();
    const char* prefix;
    const char* suffix;
  } cases[] = {
      {"read of address 0", ReadNull, "EAccessViolation : Violation d'acc\xE8s \xE0 l'adresse ",
       " dans le module 'request_fault_test.exe'. Lecture de l'adresse 00000000"},
      {"write to address 0", WriteNull, "EAccessViolation : Violation d'acc\xE8s \xE0 l'adresse ",
       " dans le module 'request_fault_test.exe'. Ecriture de l'adresse 00000000"},
      {"division by zero", DivideByZero, "EDivByZero : Division par z\xE9ro", ""},
      {"read of address 0 in msvcrt", ReadNullInSystemCode, "EAccessViolation : Violation d'acc",
       " dans le module 'msvcrt.dll'. Lecture de l'adresse 00000000"},
      {"write to address 0 in msvcrt", WriteNullInSystemCode, "EAccessViolation : Violation d'acc",
       " dans le module 'msvcrt.dll'. Ecriture de l'adresse 00000000"},
      {"exception of a code without a class", RaiseUnknownCode,
       "EExternalException : Exception externe C0001234", ""},
  };
  int failed = 0;
  for (const auto& c : cases) {
    action = c.fault;
    Text r("held before");
    GetFirmwareType(r);
    std::string text(r.data(), r.length());
    std::string prefix = c.prefix, suffix = c.suffix;
    bool ok = text.compare(0, prefix.size(), prefix) == 0 && text.size() >= suffix.size() &&
              text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
    if (!ok) ++failed;
    printf("%s %s: %s\n", ok ? "ok" : "FAILED", c.name, text.c_str());
  }
  printf(failed ? "some failed\n" : "all passed\n");
  fflush(stdout);
  Shutdown(failed ? 1 : 0);
}
