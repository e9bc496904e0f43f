// The tests' platform: scripted answers, and a record of every call that matters.
// It behaves as Windows does: CR LF line ends, backslash paths, OEM code page 850.
#ifndef FWPEEK_TESTS_PLATFORM_FAKE_H_
#define FWPEEK_TESTS_PLATFORM_FAKE_H_

#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

using platform::DWORD;
using platform::HANDLE;

// Handle values the fake hands out for the three standard handles.
HANDLE InputHandle();
HANDLE OutputHandle();
HANDLE ErrorHandle();

struct Write {
  HANDLE handle;
  std::string bytes;
};

struct Script {
  // What GetStdHandle answers for input, output, error; InvalidHandleValue() refuses with
  // std_error.
  HANDLE std_handles[3];
  DWORD std_error = 6;
  DWORD output_type = platform::FILE_TYPE_CHAR;
  DWORD error_type = platform::FILE_TYPE_CHAR;
  // WriteFile calls (counted from 1) that fail, and their code.
  std::vector<int> failing_writes;
  DWORD write_error = 112;
  // The probe's request.
  DWORD probe_error = platform::ERROR_INVALID_FUNCTION;
  DWORD probe_answer = 0;
  void (*probe_action)() = nullptr;
  // Run once, as the first WriteFile call begins.
  void (*on_first_write)() = nullptr;
  std::string command_line = "fwpeek";
  bool debugger = false;
  // Where VirtualQuery says code lies: in a module at module_base, or in none.
  bool in_module = true;
  const void* module_base = nullptr;
  std::string module_path = "C:\\Programmes\\fwpeek\\fwpeek.exe";
  // For runs in a child process: ExitProcess really ends it, and what goes to the standard
  // error handle goes to the real one too.
  bool for_real = false;
};

struct Record {
  std::vector<Write> writes;
  std::vector<HANDLE> closed;
  int write_calls = 0;
  int probe_calls = 0;
  std::string probe_name, probe_guid;
  const void* probe_buffer = reinterpret_cast<const void*>(1);
  DWORD probe_size = 99;
  int filter_calls = 0;
  int given_back = 0;
};

extern Script script;
extern Record record;

// Thrown by ExitProcess, so a test sees how a run ended.
struct Exited {
  unsigned status;
};

// Thrown where the system would take a failure back.
struct GivenBack {};

// Back to the defaults: a console on every standard handle, a legacy BIOS machine.
void Reset();

// The bytes written to one handle, in order.
std::string WrittenTo(HANDLE handle);

}  // namespace fake

#endif  // FWPEEK_TESTS_PLATFORM_FAKE_H_
