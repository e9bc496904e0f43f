// Synchronous signals become the Windows exception codes, and the failure is raised from the
// signal handler: with every frame's unwind data exact, it unwinds from the faulting
// instruction through the signal frame as from a throw.
#include "platform/faults-posix.h"

#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <ucontext.h>
#include <unistd.h>

#include "platform/platform.h"

namespace platform {

namespace {

FaultHandler fault_handler = nullptr;
int last_signal = 0;
constexpr uintptr_t kPageSize = 4096;
// A fault this far below the stack pointer is taken for the stack running out.
constexpr uintptr_t kStackGuardReach = 64 * 1024;
// Where the handler runs when the fault is the stack's own exhaustion.
alignas(16) char alternate_stack[64 * 1024];

const int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

// The page fault's error code says whether the access was a write.
bool IsWrite(const void* context) {
#if defined(__x86_64__) || defined(__i386__)
  constexpr greg_t kWriteAccess = 2;
  return (static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_ERR] & kWriteAccess) != 0;
#else
  (void)context;
  return false;
#endif
}

void* FaultingInstruction(const void* context) {
#if defined(__x86_64__)
  return reinterpret_cast<void*>(
      static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
  return reinterpret_cast<void*>(
      static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_EIP]);
#else
  (void)context;
  return nullptr;
#endif
}

uintptr_t StackPointer(const void* context) {
#if defined(__x86_64__)
  return static_cast<uintptr_t>(
      static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_RSP]);
#elif defined(__i386__)
  return static_cast<uintptr_t>(
      static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_ESP]);
#else
  (void)context;
  return 0;
#endif
}

DWORD FloatingCode(int si_code) {
  switch (si_code) {
    case FPE_INTDIV:
      return EXCEPTION_INT_DIVIDE_BY_ZERO;
    case FPE_INTOVF:
      return EXCEPTION_INT_OVERFLOW;
    case FPE_FLTDIV:
      return EXCEPTION_FLT_DIVIDE_BY_ZERO;
    case FPE_FLTOVF:
      return EXCEPTION_FLT_OVERFLOW;
    case FPE_FLTUND:
      return EXCEPTION_FLT_UNDERFLOW;
    case FPE_FLTRES:
      return EXCEPTION_FLT_INEXACT_RESULT;
    default:
      return EXCEPTION_FLT_INVALID_OPERATION;
  }
}

void OnSignal(int signal, siginfo_t* info, void* context) {
  EXCEPTION_RECORD record;
  memset(&record, 0, sizeof record);
  record.ExceptionAddress = FaultingInstruction(context);
  switch (signal) {
    case SIGSEGV:
    case SIGBUS: {
      uintptr_t data = reinterpret_cast<uintptr_t>(info->si_addr);
      uintptr_t sp = StackPointer(context);
      // A fault just below the stack pointer is the stack running out.
      if (signal == SIGSEGV && data < sp + kPageSize && sp - data < kStackGuardReach && data != 0) {
        record.ExceptionCode = EXCEPTION_STACK_OVERFLOW;
        break;
      }
      record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
      record.NumberParameters = 2;
      record.ExceptionInformation[0] = IsWrite(context) ? 1 : 0;
      record.ExceptionInformation[1] = data;
      break;
    }
    case SIGFPE:
      record.ExceptionCode = FloatingCode(info->si_code);
      break;
    default:
      record.ExceptionCode = EXCEPTION_ILLEGAL_INSTRUCTION;
  }
  last_signal = signal;
  if (!fault_handler) {
    // Nothing to take it: let the system end the process as it would have.
    struct sigaction plain;
    memset(&plain, 0, sizeof plain);
    plain.sa_handler = SIG_DFL;
    sigaction(signal, &plain, nullptr);
    return;
  }
  fault_handler(&record);
}

}  // namespace

// The unwinder walks every frame here, system libraries' too, so no fault needs the reporter.
void InstallFaultHandler(FaultHandler handler, FaultHandler) {
  fault_handler = handler;
  // A reader that went away, or a file-size limit, is a write failure to report (EPIPE,
  // EFBIG), never a silent death.
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  stack_t stack;
  memset(&stack, 0, sizeof stack);
  stack.ss_sp = alternate_stack;
  stack.ss_size = sizeof alternate_stack;
  sigaltstack(&stack, nullptr);
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_sigaction = OnSignal;
  // The handler leaves by unwinding, not by returning, so the signal must not stay blocked.
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaction(s, &action, nullptr);
}

void RemoveFaultHandler() { fault_handler = nullptr; }

bool CallGuarded(void (*body)(void*), void* context, EXCEPTION_RECORD*) {
  body(context);
  return true;
}

int LastFaultSignal() { return last_signal; }

}  // namespace platform
