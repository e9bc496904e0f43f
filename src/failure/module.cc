#include "failure/module.h"

#include "platform/platform.h"

using namespace platform;

bool ModuleOf(const void* address, char* path, uintptr_t* base) {
  MEMORY_BASIC_INFORMATION info = {};
  if (VirtualQuery(address, &info, sizeof info) == 0 || info.State != MEM_COMMIT ||
      GetModuleFileNameA(static_cast<HMODULE>(info.AllocationBase), path, kModulePathSize) == 0)
    return false;
  path[kModulePathSize - 1] = '\0';
  *base = reinterpret_cast<uintptr_t>(info.AllocationBase);
  return true;
}

const char* FileNameOf(const char* path, DirectoryEnd end) {
  bool colon_too = end == DirectoryEnd::kDelimiterOrColon;
  const char* name = path;
  for (const char* p = path; *p; p = CharNextA(p))
    if (*p == kPathDelimiter || (colon_too && *p == ':')) name = p + 1;
  return name;
}
