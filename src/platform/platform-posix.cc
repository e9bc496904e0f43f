// The Windows operations answered from a POSIX system: firmware from /sys/firmware/efi,
// standard handles as descriptors 0 to 2, code page 1252 inside and UTF-8 outside.
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/copy.h"
#include "platform/command-line-posix.h"
#include "platform/cp1252.h"
#include "platform/errno-posix.h"
#include "platform/faults-posix.h"
#include "platform/platform.h"
#include "platform/string-table.h"
#include "platform/write-posix.h"

namespace platform {

const LineEnd kLineEnd = {"\n", 1};
const char kPathDelimiter = '/';

namespace {

thread_local DWORD last_error = 0;

// Handles are descriptors plus one, so that the null handle stays free for "none".
int Descriptor(HANDLE handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)) - 1; }
HANDLE FromDescriptor(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd + 1)); }

constexpr uintptr_t kPageSize = 4096;
constexpr size_t kPathSize = 4096;

int argument_count = 0;
char** arguments = nullptr;
char* command_line = nullptr;

struct ModuleSearch {
  const void* address;  // find the module holding this, or
  const void* base;     // the module loaded here
  const void* found_base;
  const char* found_name;
};

int VisitModule(struct dl_phdr_info* info, size_t, void* data) {
  ModuleSearch* search = static_cast<ModuleSearch*>(data);
  uintptr_t low = UINTPTR_MAX, high = 0;
  bool holds = false;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD) continue;
    uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    uintptr_t end = start + segment.p_memsz;
    if (start < low) low = start;
    if (end > high) high = end;
    uintptr_t a = reinterpret_cast<uintptr_t>(search->address);
    if (search->address && a >= start && a < end) holds = true;
  }
  const void* base = reinterpret_cast<const void*>(low & ~(kPageSize - 1));
  if (holds || (search->base && base == search->base)) {
    search->found_base = base;
    search->found_name = info->dlpi_name;
    return 1;
  }
  return 0;
}

DWORD CopyPath(const char* path, char* out, DWORD size) {
  return static_cast<DWORD>(CopyTerminated(out, size, path, strlen(path)));
}

}  // namespace

DWORD GetFirmwareEnvironmentVariableA(const char*, const char*, void*, DWORD) {
  struct stat info;
  if (stat("/sys/firmware/efi", &info) == 0)
    last_error = ERROR_NOACCESS;  // what a UEFI machine answers for the all-zero vendor
  else if (errno == ENOENT || errno == ENOTDIR)
    last_error = ERROR_INVALID_FUNCTION;
  else
    last_error = FromErrno(errno);
  return 0;
}

DWORD GetLastError() { return last_error; }

void ExitProcess(UINT status) { _exit(static_cast<int>(status)); }

const char* GetCommandLineA() {
  if (!command_line) command_line = JoinArguments(argument_count, arguments);
  return command_line;
}

void KeepArguments(int argc, char** argv) {
  argument_count = argc;
  arguments = argv;
}

HANDLE GetStdHandle(DWORD which) {
  int fd = which == STD_INPUT_HANDLE    ? 0
           : which == STD_OUTPUT_HANDLE ? 1
           : which == STD_ERROR_HANDLE  ? 2
                                        : -1;
  if (fd < 0) {
    last_error = ERROR_INVALID_HANDLE;
    return InvalidHandleValue();
  }
  if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) return nullptr;
  return FromDescriptor(fd);
}

DWORD GetFileType(HANDLE handle) {
  struct stat info;
  if (!handle || handle == InvalidHandleValue() || fstat(Descriptor(handle), &info) != 0)
    return FILE_TYPE_UNKNOWN;
  if (S_ISCHR(info.st_mode)) return FILE_TYPE_CHAR;
  if (S_ISREG(info.st_mode)) return FILE_TYPE_DISK;
  if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) return FILE_TYPE_PIPE;
  // A block device or anything else that can be opened: the opening would close a handle of
  // unknown type, and this one works.
  return FILE_TYPE_DISK;
}

BOOL WriteFile(HANDLE handle, const void* bytes, DWORD length, DWORD* written, void*) {
  DWORD done = 0;
  DWORD error =
      !handle || handle == InvalidHandleValue()
          ? ERROR_INVALID_HANDLE
          : WriteAll(write, Descriptor(handle), static_cast<const char*>(bytes), length, &done);
  if (written) *written = done;
  if (error != 0) last_error = error;
  return error == 0;
}

BOOL CloseHandle(HANDLE handle) {
  if (!handle || handle == InvalidHandleValue()) {
    last_error = ERROR_INVALID_HANDLE;
    return 0;
  }
  return close(Descriptor(handle)) == 0;
}

size_t VirtualQuery(const void* address, MEMORY_BASIC_INFORMATION* info, size_t length) {
  if (length < sizeof *info) return 0;
  ModuleSearch search = {address, nullptr, nullptr, nullptr};
  dl_iterate_phdr(VisitModule, &search);
  memset(info, 0, sizeof *info);
  info->BaseAddress =
      reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(address) & ~(kPageSize - 1));
  if (search.found_base) {
    info->AllocationBase = const_cast<void*>(search.found_base);
    info->State = MEM_COMMIT;
  }
  return sizeof *info;
}

DWORD GetModuleFileNameA(HMODULE module, char* path, DWORD size) {
  const char* name = nullptr;
  if (module) {
    ModuleSearch search = {nullptr, module, nullptr, nullptr};
    dl_iterate_phdr(VisitModule, &search);
    if (!search.found_base) {
      last_error = ERROR_INVALID_HANDLE;
      return 0;
    }
    name = search.found_name;
  }
  if (name && *name) return CopyPath(name, path, size);
  // The program itself: the loader gives its modules' names but not the program's, and
  // without /proc the system gives no path at all; then the name it was started by.
  char self[kPathSize];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = '\0';
    return CopyPath(self, path, size);
  }
  bool named = argument_count > 0 && arguments[0][0] != '\0';
  return CopyPath(named ? arguments[0] : kProgramName, path, size);
}

LONG UnhandledExceptionFilter(EXCEPTION_RECORD*) {
  FILE* status = fopen("/proc/self/status", "re");
  if (!status) return EXCEPTION_EXECUTE_HANDLER;
  char line[256];
  long tracer = 0;
  while (fgets(line, sizeof line, status))
    if (strncmp(line, "TracerPid:", 10) == 0) tracer = strtol(line + 10, nullptr, 10);
  fclose(status);
  return tracer != 0 ? EXCEPTION_CONTINUE_SEARCH : EXCEPTION_EXECUTE_HANDLER;
}

char* CharNextA(const char* position) {
  return const_cast<char*>(*position ? position + 1 : position);
}

DWORD CharUpperBuffA(char* text, DWORD length) {
  Cp1252Upper(text, length);
  return length;
}

DWORD CharToOemBuffA(const char* from, char* to, DWORD length) {
  return Cp1252ToUtf8(from, to, length);
}

DWORD OemToCharBuffA(const char* from, char* to, DWORD length) {
  return Utf8ToCp1252(from, to, length);
}

BOOL CharToOemA(const char* from, char* to) {
  DWORD n = Cp1252ToUtf8(from, to, static_cast<DWORD>(strlen(from)));
  to[n] = '\0';
  return 1;
}

int LoadStringA(HMODULE, UINT id, char* buffer, int size) {
  return CopyTableString(id, buffer, size);
}

void RaiseToSystem(const EXCEPTION_RECORD& record) {
  RemoveFaultHandler();
  int signal_number = LastFaultSignal();
  if (record.ExceptionCode != kProgramFailureCode && signal_number != 0) {
    struct sigaction plain;
    memset(&plain, 0, sizeof plain);
    plain.sa_handler = SIG_DFL;
    sigaction(signal_number, &plain, nullptr);
    raise(signal_number);
  }
  abort();
}

}  // namespace platform
