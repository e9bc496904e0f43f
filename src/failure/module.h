// Which module holds a code address, as both failure texts name it. No dynamic memory.
#ifndef FWPEEK_FAILURE_MODULE_H_
#define FWPEEK_FAILURE_MODULE_H_

#include <stdint.h>

constexpr unsigned kModulePathSize = 261;

// True when `address` lies in committed memory of a module whose path the system gives:
// `path` (kModulePathSize bytes) then holds it, zero-terminated, and `base` its load address.
bool ModuleOf(const void* address, char* path, uintptr_t* base);

// What ends a directory part of a path: the platform's delimiter alone (the failure report),
// or a drive letter's colon too (the access-violation message).
enum class DirectoryEnd { kDelimiter, kDelimiterOrColon };

// The part of `path` after its last directory end, stepping by characters so that a
// double-byte character's trail byte never counts.
const char* FileNameOf(const char* path, DirectoryEnd end);

#endif  // FWPEEK_FAILURE_MODULE_H_
