#include "main/memory.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <new>

#include "failure/last-resort.h"
#include "failure/raise.h"
#include "failure/run-error.h"
#include "main/startup.h"

long AllocationsLeft = -1;

namespace {

// Every block begins with this word, so a block handed back can be told from any other.
constexpr uint32_t kGuard = 0xF3EE4B1Du;
constexpr size_t kHeader = alignof(max_align_t) > 8 ? alignof(max_align_t) : 8;

__attribute__((noinline)) void Exhausted(void* address) {
  RunErrorUnlessFailuresReady(kRunErrorOutOfMemory, address);
  RaiseFailure(SingleFailure(MemoryFailure::kOutOfMemory, address), address);
}

void* Allocate(size_t size, bool may_fail_quietly) {
  void* block = nullptr;
  if (AllocationsLeft != 0 && size <= SIZE_MAX - kHeader) block = malloc(size + kHeader);
  if (AllocationsLeft > 0) --AllocationsLeft;
  if (!block) {
    if (may_fail_quietly) return nullptr;
    Exhausted(__builtin_return_address(0));
  }
  *static_cast<uint32_t*>(block) = kGuard;
  return static_cast<char*>(block) + kHeader;
}

// Release cannot throw as C++ declares it, and its callers keep no place for a failure to
// land, so a block not held goes straight to the end the failure would have reached.
__attribute__((noinline)) void NotHeld(void* address) noexcept {
  RunErrorUnlessFailuresReady(kRunErrorInvalidPointer, address);
  Exception* failure = SingleFailure(MemoryFailure::kInvalidPointer, address);
  if (StartingUp()) FailStartUp(failure);
  ReportAndExit(failure);
}

void Deallocate(void* user) noexcept {
  if (!user) return;
  char* block = static_cast<char*>(user) - kHeader;
  if (*reinterpret_cast<uint32_t*>(block) != kGuard) {
    NotHeld(__builtin_return_address(0));
  }
  *reinterpret_cast<uint32_t*>(block) = 0;
  free(block);
}

}  // namespace

void* operator new(size_t size) { return Allocate(size, false); }
void* operator new[](size_t size) { return Allocate(size, false); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size, true); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size, true); }
void operator delete(void* p) noexcept { Deallocate(p); }
void operator delete[](void* p) noexcept { Deallocate(p); }
void operator delete(void* p, size_t) noexcept { Deallocate(p); }
void operator delete[](void* p, size_t) noexcept { Deallocate(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Deallocate(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Deallocate(p); }
