// Faults on 32-bit x86 Windows: the top-level filter and its thunk work on the x86 CONTEXT,
// guarded calls put an exception frame of their own on the fs:[0] chain.
#include "platform/faults-win32.h"

// ---- Faults that nothing handled: the top-level filter and the thunk --------------------
//
// The filter makes the faulting thread go on in the thunk, which calls the handler as if the
// faulting instruction had called it: its return address is that instruction's address plus
// one, so the unwinder, which looks one byte before a return address, finds the instruction
// itself, and the failure unwinds from the fault's place. The thunk's frame is described by
// hand: its frame address is kept in ebx, so that the handler may run on a reserve stack when
// the fault is the stack's own exhaustion, and the unwinder still finds its way back.

// libgcc's own lookup of unwind data: a fault where there is none cannot be unwound from.
struct dwarf_eh_bases {
  void* tbase;
  void* dbase;
  void* func;
};
extern "C" const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases);

extern "C" {
// Shared with the thunk below; one fault at a time is taken, on the program's one thread.
static __attribute__((used)) platform::FaultHandler fault_handler asm("fwpeek_fault_handler");
static __attribute__((used)) platform::EXCEPTION_RECORD fault_record asm("fwpeek_fault_record");
static __attribute__((used)) uintptr_t fault_return asm("fwpeek_fault_return");
// Where the handler runs: 0 on the faulting stack, else the top of the reserve.
static __attribute__((used)) uintptr_t fault_stack asm("fwpeek_fault_stack");
void FaultThunk() asm("fwpeek_fault_thunk");
__attribute__((used, noreturn)) void FaultHandlerReturned() asm("fwpeek_fault_returned");
}

// On entry the stack is the faulting one, as the fault left it. DWARF registers: 3 is ebx,
// 4 esp, 8 the return address; 0x0f is DW_CFA_def_cfa_expression, 0x73 DW_OP_breg3.
asm(R"(
	.section .text$fwpeek_fault_thunk,"x"
	.p2align 4
fwpeek_fault_thunk:
	.cfi_startproc
	.cfi_def_cfa 4, 0
	.cfi_undefined 8
	pushl fwpeek_fault_return
	.cfi_adjust_cfa_offset 4
	.cfi_offset 8, -4
	pushl %ebx
	.cfi_adjust_cfa_offset 4
	.cfi_offset 3, -8
	leal 8(%esp), %ebx
	.cfi_escape 0x0f, 0x02, 0x73, 0x00
	movl fwpeek_fault_stack, %eax
	testl %eax, %eax
	jnz 1f
	movl %esp, %eax
1:	andl $-16, %eax
	leal -12(%eax), %esp
	pushl $fwpeek_fault_record
	call *fwpeek_fault_handler
	call fwpeek_fault_returned
	.cfi_endproc
)");

namespace platform {

namespace {

constexpr ::DWORD kDirectionFlag = 0x400;
constexpr ::DWORD kFloatExceptionBits = 0xFF;  // x87 status: exception flags and summary

// Where the handler runs when the fault is the stack running out; the system leaves too little
// on the exhausted stack for the unwinder. Taken from the system when the handler is
// installed: as a static array the compiler would store its 64 KiB of zeros in the file.
constexpr ::SIZE_T kReserveStackSize = 64 * 1024;
char* reserve_stack = nullptr;

FaultHandler fault_reporter = nullptr;

bool CanUnwindFrom(::DWORD pc) {
  dwarf_eh_bases bases;
  return _Unwind_Find_FDE(reinterpret_cast<void*>(pc), &bases) != nullptr;
}

// Called only when no debugger is attached. A fault that cannot be raised from its place is
// reported from here; what is no fault at all ends the process with its code, and quietly:
// answering "search on" would have the system start the just-in-time debugger.
::LONG WINAPI OnUnhandled(::EXCEPTION_POINTERS* pointers) {
  const ::EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  ::CONTEXT* context = pointers->ContextRecord;
  if (!fault_handler || !IsFault(record->ExceptionCode)) return EXCEPTION_EXECUTE_HANDLER;
  if ((record->ExceptionFlags & EXCEPTION_NONCONTINUABLE) ||
      (context->ContextFlags & CONTEXT_CONTROL) != CONTEXT_CONTROL ||
      !CanUnwindFrom(context->Eip)) {
    if (!fault_reporter) return EXCEPTION_EXECUTE_HANDLER;
    FromSystem(*record, &fault_record);
    fault_reporter(&fault_record);
  }
  FromSystem(*record, &fault_record);
  fault_return = context->Eip + 1;
  fault_stack = record->ExceptionCode == EXCEPTION_STACK_OVERFLOW && reserve_stack
                    ? reinterpret_cast<uintptr_t>(reserve_stack + kReserveStackSize)
                    : 0;
  // The handler is entered as by a call: the direction flag clear, and no pending x87
  // exception that its first floating instruction would raise again.
  context->EFlags &= ~kDirectionFlag;
  if ((context->ContextFlags & CONTEXT_FLOATING_POINT) == CONTEXT_FLOATING_POINT)
    context->FloatSave.StatusWord &= ~kFloatExceptionBits;
  context->Eip = reinterpret_cast<::DWORD>(&FaultThunk);
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

}  // namespace platform

// Nothing can resume the faulting instruction. No debugger is attached (the filter would not
// have run), so the process ends as the system would have ended it, with the fault's code.
void FaultHandlerReturned() { ::ExitProcess(fault_record.ExceptionCode); }

namespace platform {

void InstallFaultHandler(FaultHandler handler, FaultHandler reporter) {
  QuietErrors();
  fault_handler = handler;
  fault_reporter = reporter;
  // The unwinder sorts its tables on first use; the filter must not do it on an exhausted
  // stack.
  CanUnwindFrom(reinterpret_cast<::DWORD>(&InstallFaultHandler));
  if (!reserve_stack)
    reserve_stack = static_cast<char*>(
        ::VirtualAlloc(nullptr, kReserveStackSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  SetTopLevelFilter(OnUnhandled);
}

void RemoveFaultHandler() {
  fault_handler = nullptr;
  RestoreTopLevelFilter();
}

// ---- Guarded calls: an exception frame of our own on the fs:[0] chain --------------------

namespace {

struct GuardFrame {
  ::EXCEPTION_REGISTRATION_RECORD registration;  // first: the chain points here
  void* resume[5];                               // __builtin_setjmp's buffer
  EXCEPTION_RECORD* record;
};

// The head of the thread's chain of exception frames, at fs:[0].
::EXCEPTION_REGISTRATION_RECORD* ChainHead() {
  ::EXCEPTION_REGISTRATION_RECORD* head;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void SetChainHead(::EXCEPTION_REGISTRATION_RECORD* head) {
  asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

// Calls the frames' handlers between the fault and `frame` for unwinding, and leaves `frame`
// at the head of the chain. RtlUnwind may return with ebx, esi and edi lost.
void UnwindTo(GuardFrame* frame, ::EXCEPTION_RECORD* record) {
  void* target = frame;
  void* unwound = record;
  void* unwind = reinterpret_cast<void*>(&::RtlUnwind);
  asm volatile(
      "pushl $0\n\t"
      "pushl %1\n\t"
      "pushl $1f\n\t"
      "pushl %0\n\t"
      "call *%2\n"
      "1:"
      : "+a"(target), "+c"(unwound), "+d"(unwind)
      :
      : "ebx", "esi", "edi", "memory", "cc");
}

// Called by the system's dispatcher. The dispatcher puts the stack back after the call,
// so the calling convention the Windows header names does no harm.
EXCEPTION_DISPOSITION NTAPI OnGuardedFault(::EXCEPTION_RECORD* record, void* established,
                                           ::CONTEXT*, void*) {
  if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0 ||
      !IsFault(record->ExceptionCode))
    return ExceptionContinueSearch;
  GuardFrame* volatile frame = static_cast<GuardFrame*>(established);
  FromSystem(*record, frame->record);
  UnwindTo(frame, record);
  __builtin_longjmp(frame->resume, 1);
}

// Off the chain however the guarded call ends: returning, by a fault, or by a C++ exception
// passing through.
struct UnlinkedOnExit {
  GuardFrame* frame;
  ~UnlinkedOnExit() { SetChainHead(frame->registration.Next); }
};

}  // namespace

bool CallGuarded(void (*body)(void*), void* context, EXCEPTION_RECORD* record) {
  GuardFrame frame;
  frame.record = record;
  frame.registration.Next = ChainHead();
  frame.registration.Handler = OnGuardedFault;
  UnlinkedOnExit unlink{&frame};
  if (__builtin_setjmp(frame.resume)) return false;
  SetChainHead(&frame.registration);
  body(context);
  return true;
}

}  // namespace platform
