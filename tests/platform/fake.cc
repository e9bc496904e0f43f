#include "tests/platform/fake.h"

#include <string.h>
#include <unistd.h>

#include <algorithm>

#include "base/copy.h"
#include "main/memory.h"
#include "platform/string-table.h"

namespace fake {

Script script;
Record record;

HANDLE InputHandle() { return reinterpret_cast<HANDLE>(0x10); }
HANDLE OutputHandle() { return reinterpret_cast<HANDLE>(0x20); }
HANDLE ErrorHandle() { return reinterpret_cast<HANDLE>(0x30); }

void Reset() {
  script = Script();
  script.std_handles[0] = InputHandle();
  script.std_handles[1] = OutputHandle();
  script.std_handles[2] = ErrorHandle();
  record = Record();
}

std::string WrittenTo(HANDLE handle) {
  std::string bytes;
  for (const Write& w : record.writes)
    if (w.handle == handle) bytes += w.bytes;
  return bytes;
}

namespace {

thread_local DWORD last_error = 0;

// Code page 1252 to 850 for 0x80..0xFF; what 850 lacks becomes '?'.
unsigned char ToCp850(unsigned char b) {
  static const struct {
    unsigned char ansi, oem;
  } kPairs[] = {
      {0xE0, 0x85}, {0xE2, 0x83}, {0xE4, 0x84}, {0xE7, 0x87}, {0xE8, 0x8A}, {0xE9, 0x82},
      {0xEA, 0x88}, {0xEB, 0x89}, {0xEE, 0x8C}, {0xEF, 0x8B}, {0xF4, 0x93}, {0xF9, 0x97},
      {0xFB, 0x96}, {0xFC, 0x81}, {0xC0, 0xB7}, {0xC7, 0x80}, {0xC8, 0xD4}, {0xC9, 0x90},
      {0xCA, 0xD2}, {0xD4, 0xE2}, {0xA0, 0xFF},
  };
  if (b < 0x80) return b;
  for (const auto& p : kPairs)
    if (p.ansi == b) return p.oem;
  return '?';
}

unsigned char ToCp1252(unsigned char b) {
  if (b < 0x80) return b;
  for (int a = 0x80; a <= 0xFF; ++a)
    if (ToCp850(static_cast<unsigned char>(a)) == b && b != '?')
      return static_cast<unsigned char>(a);
  return '?';
}

}  // namespace

}  // namespace fake

namespace platform {

using namespace fake;

const LineEnd kLineEnd = {"\r\n", 2};
const char kPathDelimiter = '\\';

DWORD GetFirmwareEnvironmentVariableA(const char* name, const char* guid, void* buffer,
                                      DWORD size) {
  ++record.probe_calls;
  record.probe_name = name ? name : "(null)";
  record.probe_guid = guid ? guid : "(null)";
  record.probe_buffer = buffer;
  record.probe_size = size;
  if (script.probe_action) script.probe_action();
  last_error = script.probe_error;
  return script.probe_answer;
}

DWORD GetLastError() { return fake::last_error; }

void ExitProcess(UINT status) {
  if (script.for_real) _exit(static_cast<int>(status));
  throw Exited{status};
}

const char* GetCommandLineA() { return script.command_line.c_str(); }

void KeepArguments(int, char**) {}

HANDLE GetStdHandle(DWORD which) {
  int i = which == STD_INPUT_HANDLE ? 0 : which == STD_OUTPUT_HANDLE ? 1 : 2;
  if (script.std_handles[i] == InvalidHandleValue()) fake::last_error = script.std_error;
  return script.std_handles[i];
}

DWORD GetFileType(HANDLE handle) {
  if (!handle || handle == InvalidHandleValue()) return FILE_TYPE_UNKNOWN;
  if (handle == OutputHandle()) return script.output_type;
  if (handle == ErrorHandle()) return script.error_type;
  return FILE_TYPE_CHAR;
}

BOOL WriteFile(HANDLE handle, const void* bytes, DWORD length, DWORD* written, void*) {
  // The record takes memory; a test that exhausts the program's must not exhaust the fake's.
  struct Unlimited {
    long saved = AllocationsLeft;
    Unlimited() { AllocationsLeft = -1; }
    ~Unlimited() { AllocationsLeft = saved; }
  } unlimited;
  if (void (*action)() = script.on_first_write) {
    script.on_first_write = nullptr;
    action();
  }
  int call = ++record.write_calls;
  if (std::find(script.failing_writes.begin(), script.failing_writes.end(), call) !=
          script.failing_writes.end() ||
      !handle || handle == InvalidHandleValue()) {
    fake::last_error = handle ? script.write_error : ERROR_INVALID_HANDLE;
    if (written) *written = 0;
    return 0;
  }
  record.writes.push_back({handle, std::string(static_cast<const char*>(bytes), length)});
  if (script.for_real && handle == ErrorHandle()) (void)!write(2, bytes, length);
  if (written) *written = length;
  return 1;
}

BOOL CloseHandle(HANDLE handle) {
  record.closed.push_back(handle);
  return 1;
}

size_t VirtualQuery(const void* address, MEMORY_BASIC_INFORMATION* info, size_t) {
  memset(info, 0, sizeof *info);
  info->BaseAddress = const_cast<void*>(address);
  if (script.in_module) {
    info->State = MEM_COMMIT;
    info->AllocationBase = const_cast<void*>(script.module_base);
  }
  return sizeof *info;
}

DWORD GetModuleFileNameA(HMODULE, char* path, DWORD size) {
  return static_cast<DWORD>(
      CopyTerminated(path, size, script.module_path.data(), script.module_path.size()));
}

LONG UnhandledExceptionFilter(EXCEPTION_RECORD*) {
  ++record.filter_calls;
  return script.debugger ? EXCEPTION_CONTINUE_SEARCH : EXCEPTION_EXECUTE_HANDLER;
}

char* CharNextA(const char* position) {
  return const_cast<char*>(*position ? position + 1 : position);
}

DWORD CharUpperBuffA(char* text, DWORD length) {
  for (DWORD i = 0; i < length; ++i)
    if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 0x20);
  return length;
}

DWORD CharToOemBuffA(const char* from, char* to, DWORD length) {
  for (DWORD i = 0; i < length; ++i)
    to[i] = static_cast<char>(ToCp850(static_cast<unsigned char>(from[i])));
  return length;
}

DWORD OemToCharBuffA(const char* from, char* to, DWORD length) {
  for (DWORD i = 0; i < length; ++i)
    to[i] = static_cast<char>(ToCp1252(static_cast<unsigned char>(from[i])));
  return length;
}

BOOL CharToOemA(const char* from, char* to) {
  DWORD length = static_cast<DWORD>(strlen(from));
  CharToOemBuffA(from, to, length);
  to[length] = '\0';
  return 1;
}

int LoadStringA(HMODULE, UINT id, char* buffer, int size) {
  return CopyTableString(id, buffer, size);
}

void RaiseToSystem(const EXCEPTION_RECORD&) {
  ++record.given_back;
  throw GivenBack{};
}

}  // namespace platform
