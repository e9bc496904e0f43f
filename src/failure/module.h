// Which module holds a code address, as both failure texts name it. No dynamic memory.
#ifndef FWPEEK_FAILURE_MODULE_H_
#define FWPEEK_FAILURE_MODULE_H_

#include <stdint.h>

constexpr unsigned kModulePathRoom = 261;

// True when `address` lies in committed memory of a module whose path the system gives:
// `path` (kModulePathRoom bytes) then holds it, zero-terminated, and `base` its load address.
bool ModuleOf(const void* address, char* path, uintptr_t* base);

// The part of `path` after its last delimiter, stepping by characters so that a double-byte
// character's trail byte never counts; a colon ends a directory part too when asked.
const char* FileNameOf(const char* path, bool colon_too);

#endif  // FWPEEK_FAILURE_MODULE_H_
