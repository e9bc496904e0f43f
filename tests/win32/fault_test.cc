// Processor faults under the real Windows calls, run under Wine: guarded calls, faults in
// system code, and faults that only the top-level filter sees. One line per check; the exit
// status is the number of failed checks.
#include <process.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "failure/exception.h"
#include "failure/last-resort.h"
#include "failure/raise.h"
#include "main/startup.h"
#include "platform/platform.h"

using platform::DWORD;
using platform::EXCEPTION_RECORD;

namespace {

int failed = 0;

void Report(bool ok, const std::string& what, const std::string& detail = "") {
  if (!ok) ++failed;
  printf("%s %s%s%s\n", ok ? "ok" : "FAILED", what.c_str(), detail.empty() ? "" : ": ",
         detail.c_str());
  fflush(stdout);
}

std::string Hex(uintptr_t value) {
  char text[24];
  snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// As the failure texts write an address: 16 digits where it does not fit in 8.
std::string Address(uintptr_t value) {
  if (value <= 0xFFFFFFFFu) return Hex(value);
  char text[24];
  snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(value));
  return text;
}

std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    }
  }
  return out;
}

std::string Describe(const EXCEPTION_RECORD& r) {
  std::string text = "code " + Hex(r.ExceptionCode) + " at " +
                     Address(reinterpret_cast<uintptr_t>(r.ExceptionAddress)) + " parameters";
  for (DWORD i = 0; i < r.NumberParameters && i < 2; ++i)
    text += " " + Address(r.ExceptionInformation[i]);
  return text;
}

// The head of the thread's chain of exception frames, which a guarded call must leave as it
// found it. x64 keeps no such chain: its frames are found through the unwind tables.
void* ChainHead() {
#ifdef __i386__
  void* head;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
#else
  return nullptr;
#endif
}

// Values the compiler cannot see through, so each fault happens where it is written.
int* volatile null_pointer = nullptr;
volatile int zero = 0;
volatile int sink = 0;
void* (*volatile copy_bytes)(void*, const void*, size_t) = memcpy;
void* (*volatile fill_bytes)(void*, int, size_t) = memset;

// For faults whose record carries no read/write parameters.
constexpr int kNoAccess = -1;

struct FaultCase {
  const char* name;
  void (*body)(void*);
  DWORD code;
  int access;  // 0 read, 1 write
};

void ReadNull(void*) { sink = *null_pointer; }
void WriteNull(void*) { *null_pointer = 1; }
void DivideByZero(void*) { sink = 1 / zero; }
void CopyFromNull(void*) {
  char to[16];
  copy_bytes(to, nullptr, sizeof to);
  sink = to[0];
}
void FillNull(void*) { fill_bytes(null_pointer, 0, 16); }

// A record as the system gives it for a fault at a data address of 0.
bool RecordMatches(const EXCEPTION_RECORD& r, const FaultCase& c) {
  if (r.ExceptionCode != c.code || r.ExceptionAddress == nullptr) return false;
  if (c.access == kNoAccess) return true;
  return r.NumberParameters >= 2 && r.ExceptionInformation[0] == static_cast<uintptr_t>(c.access) &&
         r.ExceptionInformation[1] == 0;
}

void GuardedFaultsInProgramCode(const char* when) {
  const FaultCase cases[] = {
      {"read of address 0", ReadNull, platform::EXCEPTION_ACCESS_VIOLATION, 0},
      {"write to address 0", WriteNull, platform::EXCEPTION_ACCESS_VIOLATION, 1},
      {"integer division by zero", DivideByZero, platform::EXCEPTION_INT_DIVIDE_BY_ZERO, kNoAccess},
  };
  for (const FaultCase& c : cases) {
    void* chain = ChainHead();
    EXCEPTION_RECORD record;
    memset(&record, 0xCC, sizeof record);
    bool returned = platform::CallGuarded(c.body, nullptr, &record);
    uintptr_t at = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
    uintptr_t body = reinterpret_cast<uintptr_t>(c.body);
    Report(!returned && RecordMatches(record, c) && at >= body && at < body + 64 &&
               ChainHead() == chain,
           std::string("guarded ") + c.name + " " + when, Describe(record));
  }
}

void Nothing(void*) {}
void Throw(void*) { throw 7; }
void GuardedInner(void* outcome) {
  EXCEPTION_RECORD record;
  *static_cast<bool*>(outcome) = !platform::CallGuarded(ReadNull, nullptr, &record) &&
                                 record.ExceptionCode == platform::EXCEPTION_ACCESS_VIOLATION;
}

void GuardedCallsThatDoNotFault() {
  void* chain = ChainHead();
  EXCEPTION_RECORD record;
  Report(platform::CallGuarded(Nothing, nullptr, &record) && ChainHead() == chain,
         "guarded call that returns");

  int caught = 0;
  try {
    platform::CallGuarded(Throw, nullptr, &record);
  } catch (int value) {
    caught = value;
  }
  Report(caught == 7 && ChainHead() == chain, "C++ exception through a guarded call",
         "caught " + std::to_string(caught));
  // The frame the exception left must not catch a later fault in its place.
  bool returned = platform::CallGuarded(WriteNull, nullptr, &record);
  Report(!returned && ChainHead() == chain && record.ExceptionInformation[0] == 1,
         "guarded fault after a C++ exception", Describe(record));

  bool inner = false;
  Report(platform::CallGuarded(GuardedInner, &inner, &record) && inner && ChainHead() == chain,
         "fault caught by the inner of two guarded calls");
}

// What MakeExternalFailure makes of the record of a fault inside a guarded call.
void FailureFromGuardedFault(const char* name, void (*body)(void*), const char* class_name,
                             bool (*message_ok)(const EXCEPTION_RECORD&, const std::string&)) {
  EXCEPTION_RECORD record;
  bool returned = platform::CallGuarded(body, nullptr, &record);
  if (returned) {
    Report(false, name, "no fault");
    return;
  }
  Exception* failure = MakeExternalFailure(record);
  std::string message(failure->Message().data(), failure->Message().length());
  Report(strcmp(failure->ClassName(), class_name) == 0 && message_ok(record, message), name,
         std::string(failure->ClassName()) + " \"" + Printable(message) + "\"");
  ReleaseFailure(failure);
}

// "Violation d'accès à l'adresse A dans le module 'M'. Lecture|Ecriture de l'adresse 00000000",
// M a system library.
bool SystemAccessMessage(const EXCEPTION_RECORD& r, const std::string& message,
                         const char* access) {
  std::string head = "Violation d'acc\xE8s \xE0 l'adresse " +
                     Address(reinterpret_cast<uintptr_t>(r.ExceptionAddress)) + " dans le module '";
  std::string tail = std::string("'. ") + access + " de l'adresse 00000000";
  if (message.size() <= head.size() + tail.size() || message.compare(0, head.size(), head) != 0 ||
      message.compare(message.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  std::string module = message.substr(head.size(), message.size() - head.size() - tail.size());
  for (char& c : module) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return module.size() > 4 && module.compare(module.size() - 4, 4, ".dll") == 0;
}

void FaultsInSystemCode() {
  FailureFromGuardedFault("read of address 0 in a system library", CopyFromNull, "EAccessViolation",
                          [](const EXCEPTION_RECORD& r, const std::string& m) {
                            return SystemAccessMessage(r, m, "Lecture");
                          });
  FailureFromGuardedFault("write to address 0 in a system library", FillNull, "EAccessViolation",
                          [](const EXCEPTION_RECORD& r, const std::string& m) {
                            return SystemAccessMessage(r, m, "Ecriture");
                          });
  FailureFromGuardedFault(
      "guarded division by zero", DivideByZero, "EDivByZero",
      [](const EXCEPTION_RECORD&, const std::string& m) { return m == "Division par z\xE9ro"; });
}

// ---- Faults outside any guarded call: the top-level filter and the thunk ----

int live_objects = 0;
struct Live {
  Live() { ++live_objects; }
  ~Live() { --live_objects; }
};

extern "C" char fault_site[] asm("fwpeek_test_fault_site");

// The fault comes with the registers a callee must preserve holding garbage: the unwinder
// must bring back the caller's values from where this frame saved them. No object to destroy
// here: the compiler never counts an asm statement among the instructions that may fault.
__attribute__((noinline, noclone)) void FaultWithRegistersTrashed() {
#ifdef __i386__
  asm volatile(
      "movl $0xDEAD0001, %%ebx\n\t"
      "movl $0xDEAD0002, %%esi\n\t"
      "movl $0xDEAD0003, %%edi\n"
      "fwpeek_test_fault_site:\n\t"
      "movl 0, %%eax"
      :
      :
      : "eax", "ebx", "esi", "edi", "memory");
#else
  asm volatile(
      "movq $0xDEAD0001, %%rbx\n\t"
      "movq $0xDEAD0002, %%rsi\n\t"
      "movq $0xDEAD0003, %%rdi\n\t"
      "movq $0xDEAD0004, %%r12\n\t"
      "movq $0xDEAD0005, %%r13\n\t"
      "movq $0xDEAD0006, %%r14\n\t"
      "movq $0xDEAD0007, %%r15\n"
      "fwpeek_test_fault_site:\n\t"
      "movl 0, %%eax"
      :
      :
      : "eax", "rbx", "rsi", "rdi", "r12", "r13", "r14", "r15", "memory");
#endif
}

__attribute__((noinline)) void ThroughAFrame(void (*fault)()) {
  Live live;
  fault();
  sink = live_objects;
}

void ReadNullHere() {
  Live live;
  sink = *null_pointer;
}
void WriteNullHere() {
  Live live;
  *null_pointer = 2;
}
void DivideByZeroHere() {
  Live live;
  sink = 3 / zero;
}

#ifdef __i386__
// No object to destroy in the frames that run out: the compiler never counts an access to
// the frame's own slots among the instructions that may fault.
// The call goes through a pointer, so the compiler cannot take the recursion for one that
// never throws and leave out its callers' cleanups.
volatile int stop_depth = -1;
int Recurse(int depth);
int (*volatile recurse)(int) = Recurse;
__attribute__((noinline)) int Recurse(int depth) {
  volatile char room[400];
  room[0] = static_cast<char>(depth);
  if (depth == stop_depth) return 0;
  return recurse(depth + 1) + room[0];
}
void OverflowTheStack() {
  Live live;
  sink = Recurse(0);
}
#endif

struct UnguardedCase {
  const char* name;
  void (*fault)();
  const char* class_name;
  DWORD code;
};

// Where the fault handler ran: on the faulting stack, or off it when that ran out.
const void* handler_stack = nullptr;
void WatchingHandler(const EXCEPTION_RECORD* record) {
  volatile char here = 0;
  handler_stack = const_cast<const char*>(&here);
  RaiseFault(record);
}

bool OnThisStack(const void* address) {
  volatile char here = 0;
  platform::MEMORY_BASIC_INFORMATION mine, other;
  return platform::VirtualQuery(const_cast<const char*>(&here), &mine, sizeof mine) != 0 &&
         platform::VirtualQuery(address, &other, sizeof other) != 0 &&
         mine.AllocationBase == other.AllocationBase;
}

Exception* RunUnguarded(void (*fault)()) {
  try {
    ThroughAFrame(fault);
  } catch (Exception* failure) {
    return failure;
  }
  return nullptr;
}

void UnguardedFaults() {
  const UnguardedCase cases[] = {
      {"read of address 0", ReadNullHere, "EAccessViolation", platform::EXCEPTION_ACCESS_VIOLATION},
      {"write to address 0", WriteNullHere, "EAccessViolation",
       platform::EXCEPTION_ACCESS_VIOLATION},
      {"integer division by zero", DivideByZeroHere, "EDivByZero",
       platform::EXCEPTION_INT_DIVIDE_BY_ZERO},
#ifdef __i386__
      // Last: the stack's guard page is used up once it has run out. 64-bit Wine ends the
      // thread itself when the stack runs out, before any handler of the program's is asked.
      {"stack overflow", OverflowTheStack, "EStackOverflow", platform::EXCEPTION_STACK_OVERFLOW},
#endif
  };
  platform::InstallFaultHandler(WatchingHandler, ReportFault);
  for (const UnguardedCase& c : cases) {
    handler_stack = nullptr;
    Exception* failure = RunUnguarded(c.fault);
    bool overflow = c.code == platform::EXCEPTION_STACK_OVERFLOW;
    Report(handler_stack && OnThisStack(handler_stack) == !overflow,
           std::string("stack of the handler for unguarded ") + c.name,
           overflow ? "expected off the thread's stack" : "expected on the thread's stack");
    EExternal* fault = dynamic_cast<EExternal*>(failure);
    bool ok = fault && strcmp(fault->ClassName(), c.class_name) == 0 &&
              fault->exception_record.ExceptionCode == c.code &&
              fault->raise_address == fault->exception_record.ExceptionAddress && live_objects == 0;
    Report(ok, std::string("unguarded ") + c.name,
           fault ? std::string(fault->ClassName()) + " " + Describe(fault->exception_record) +
                       " live objects " + std::to_string(live_objects)
                 : "no failure caught");
    if (c.code == platform::EXCEPTION_ACCESS_VIOLATION && fault) {
      const char* access = fault->exception_record.ExceptionInformation[0] ? "Ecriture" : "Lecture";
      std::string expected = "Violation d'acc\xE8s \xE0 l'adresse " +
                             Address(reinterpret_cast<uintptr_t>(fault->raise_address)) +
                             " dans le module 'fault_test.exe'. " + access +
                             " de l'adresse 00000000";
      std::string message(fault->Message().data(), fault->Message().length());
      Report(message == expected, std::string("message of unguarded ") + c.name,
             Printable(message));
    }
    ReleaseFailure(failure);
    live_objects = 0;
  }
  platform::InstallFaultHandler(RaiseFault, ReportFault);
}

volatile unsigned seeds[4] = {0x1111, 0x2222, 0x3333, 0x4444};

// Touches no register a callee must preserve, so the caller's are live at the fault.
__attribute__((noinline)) void ReadNullPlain() { sink = *null_pointer; }

struct RegisterCase {
  const char* name;
  void (*fault)();
  const void* site;  // null: anywhere in the first bytes of the function
};

// The catching frame keeps values in the registers a callee must preserve; they must be its
// own again when the catch runs.
__attribute__((noinline)) bool CatcherKeepsItsRegisters(void (*fault)(), Exception** failure) {
  unsigned a = seeds[0] * 3, b = seeds[1] * 5, c = seeds[2] * 7, d = seeds[3] * 11;
  *failure = nullptr;
  try {
    fault();
  } catch (Exception* caught) {
    *failure = caught;
  }
  return a == 0x1111 * 3 && b == 0x2222 * 5 && c == 0x3333 * 7 && d == 0x4444 * 11;
}

void RegistersAfterUnguardedFaults() {
  const RegisterCase cases[] = {
      {"fault with registers saved and overwritten", FaultWithRegistersTrashed, fault_site},
      {"fault with the caller's registers live", ReadNullPlain, nullptr},
  };
  for (const RegisterCase& c : cases) {
    Exception* failure = nullptr;
    bool kept = CatcherKeepsItsRegisters(c.fault, &failure);
    EExternal* fault = dynamic_cast<EExternal*>(failure);
    uintptr_t at =
        fault ? reinterpret_cast<uintptr_t>(fault->exception_record.ExceptionAddress) : 0;
    uintptr_t start = reinterpret_cast<uintptr_t>(c.fault);
    bool placed =
        c.site ? at == reinterpret_cast<uintptr_t>(c.site) : at >= start && at < start + 32;
    Report(kept && fault && placed && fault->exception_record.ExceptionInformation[0] == 0,
           std::string("registers of the catching frame: ") + c.name,
           fault ? Describe(fault->exception_record) + (kept ? "" : ", registers lost")
                 : "no failure caught");
    ReleaseFailure(failure);
  }
}

// An exception frame such as system code has, between the fault and the guard: it is asked
// first, then unwound before the guarded call returns.
int inner_searches = 0;
int inner_unwinds = 0;
constexpr DWORD kUnwinding = 2;
constexpr int kContinueSearch = 1;

extern "C" int __cdecl OnInnerFrame(EXCEPTION_RECORD* record, void*, void*, void*) {
  if (record->ExceptionFlags & kUnwinding)
    ++inner_unwinds;
  else
    ++inner_searches;
  return kContinueSearch;
}

void ReadNullUnderInnerFrame() { sink = *null_pointer; }

#ifdef __i386__
struct InnerFrame {
  void* next;
  void* handler;
};

void SetChainHead(void* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

void FaultUnderAnInnerFrame(void*) {
  InnerFrame frame = {ChainHead(), reinterpret_cast<void*>(OnInnerFrame)};
  SetChainHead(&frame);
  ReadNullUnderInnerFrame();
}
#else
// A frame whose unwind data names OnInnerFrame for both the search and the unwinding.
extern "C" void CallUnderInnerFrame(void (*body)()) asm("fwpeek_test_inner_frame");
asm(R"(
	.section .text$fwpeek_test_inner_frame,"x"
	.p2align 4
fwpeek_test_inner_frame:
	.seh_proc fwpeek_test_inner_frame
	.seh_handler OnInnerFrame, @except, @unwind
	subq $40, %rsp
	.seh_stackalloc 40
	.seh_endprologue
	call *%rcx
	nop
	addq $40, %rsp
	ret
	.seh_endproc
)");

void FaultUnderAnInnerFrame(void*) { CallUnderInnerFrame(ReadNullUnderInnerFrame); }
#endif

void GuardedFaultUnwindsInnerFrames() {
  void* chain = ChainHead();
  EXCEPTION_RECORD record;
  bool returned = platform::CallGuarded(FaultUnderAnInnerFrame, nullptr, &record);
  Report(!returned && inner_searches == 1 && inner_unwinds == 1 && ChainHead() == chain &&
             record.ExceptionCode == platform::EXCEPTION_ACCESS_VIOLATION,
         "guarded fault under a frame of its own",
         "asked " + std::to_string(inner_searches) + ", unwound " + std::to_string(inner_unwinds));
}

// A fault outside any guarded call in a system library is reported, the process ends with
// status 1, and no debugger may be started for it. Where the library has no unwind data the
// C++ unwinder can use (x86), the report comes from where the system calls; on x64 the failure
// unwinds from the fault's place to the catch, as the program's own entry routine has it.
constexpr char kSystemFaultRun[] = "unguarded-system-fault";

void UnguardedFaultInSystemCode() {
  char path[261];
  if (platform::GetModuleFileNameA(nullptr, path, sizeof path) == 0) {
    Report(false, "unguarded fault in a system library", "no module path");
    return;
  }
  std::string quoted = std::string("\"") + path + "\"";
  intptr_t status = _spawnl(_P_WAIT, path, quoted.c_str(), kSystemFaultRun, nullptr);
  Report(status == 1, "unguarded fault in a system library is reported",
         "exit status " + Hex(static_cast<uintptr_t>(status)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], kSystemFaultRun) == 0) {
    StartUp();
    try {
      char to[16];
      copy_bytes(to, nullptr, sizeof to);
    } catch (Exception* failure) {
      ReportAndExit(failure);
    }
    return 0;
  }

  GuardedFaultsInProgramCode("before start-up");
  GuardedCallsThatDoNotFault();
  GuardedFaultUnwindsInnerFrames();

  StartUp();
  GuardedFaultsInProgramCode("with the fault handler installed");
  FaultsInSystemCode();
  RegistersAfterUnguardedFaults();
  UnguardedFaultInSystemCode();
  UnguardedFaults();

  // No debugger came to take any of those faults.
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = platform::EXCEPTION_ACCESS_VIOLATION;
  Report(platform::UnhandledExceptionFilter(&record) == platform::EXCEPTION_EXECUTE_HANDLER,
         "no debugger attached");

  printf("%s\n", failed ? "FAILED" : "all passed");
  fflush(stdout);
  return failed;
}
