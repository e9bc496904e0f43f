// Faults on 64-bit Windows, whose exceptions are table-based: every function's unwind data is
// in its image's .pdata, system code's too, and the system's unwinder walks any stack with it.
// A guarded call is a frame of the program's own with an exception handler in that data; a
// fault that nothing handles is taken by the top-level filter, which sends the thread on to a
// thunk whose own unwind data leads back to the faulting instruction.
#include "platform/faults-win32.h"

// ---- Faults that nothing handled: the top-level filter and the thunk --------------------
//
// The thunk is entered as if the faulting instruction had called it, with a return address of
// that instruction's address plus one: the C++ personality looks one byte before a return
// address for the region that holds it, and so finds the instruction itself. The system's
// unwinder reads the faulting frame at that address too; where it would read it differently
// than at the instruction itself, the filter chooses another way (see EntryFor).
//
// The handler runs on the faulting stack, also when the fault is the stack's own exhaustion:
// the system looks for handlers only in frames within the thread's stack, so a reserve stack
// elsewhere would hide the catching frame from the failure's unwinding. Instead the thread
// asks the system to keep space for the handling below the stack's guard.

extern "C" {
// Shared with the thunk below; one fault at a time is taken, on the program's one thread.
static __attribute__((used)) platform::FaultHandler fault_handler asm("fwpeek_fault_handler");
static __attribute__((used)) platform::EXCEPTION_RECORD fault_record asm("fwpeek_fault_record");
void FaultThunk() asm("fwpeek_fault_thunk");
__attribute__((used, noreturn)) void FaultHandlerReturned() asm("fwpeek_fault_returned");
}

// On entry [rsp] holds the return address that the filter stored. The handler gets the record
// in rcx and its 32 bytes of home space above a 16-byte aligned stack.
asm(R"(
	.section .text$fwpeek_fault_thunk,"x"
	.p2align 4
fwpeek_fault_thunk:
	.seh_proc fwpeek_fault_thunk
	pushq %rbx
	.seh_pushreg %rbx
	movq %rsp, %rbx
	.seh_setframe %rbx, 0
	.seh_endprologue
	andq $-16, %rsp
	subq $32, %rsp
	leaq fwpeek_fault_record(%rip), %rcx
	call *fwpeek_fault_handler(%rip)
	call fwpeek_fault_returned
	int3
	.seh_endproc
)");

namespace platform {

namespace {

constexpr ::DWORD kDirectionFlag = 0x400;
constexpr ::WORD kFloatExceptionBits = 0xFF;  // x87 status: exception flags and summary
constexpr ::DWORD kSseExceptionFlags = 0x3F;  // MXCSR: the sticky exception flags
constexpr ::DWORD kControlAndIntegers = CONTEXT_CONTROL | CONTEXT_INTEGER;

// The space kept below the stack's guard for handling its exhaustion: the filter, the handler
// and the failure's unwinding.
constexpr ::ULONG kStackGuarantee = 32 * 1024;
typedef ::BOOL(WINAPI* StackGuarantee)(::ULONG* size);

FaultHandler fault_reporter = nullptr;

// The filter's scratch, outside the stack: after a stack overflow there is little of it left.
::CONTEXT at_fault, shifted, entry;

// Undoes the frame of the function that holds `pc`, as the system's unwinder reads it there.
bool UnwindFrom(::DWORD64 pc, ::CONTEXT* context) {
  ::DWORD64 base = 0;
  ::PRUNTIME_FUNCTION function = ::RtlLookupFunctionEntry(pc, &base, nullptr);
  if (!function) return false;
  void* handler_data = nullptr;
  ::DWORD64 frame = 0;
  ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, pc, function, context, &handler_data, &frame,
                     nullptr);
  return true;
}

bool InPrologue(::DWORD64 pc) {
  ::DWORD64 base = 0;
  ::PRUNTIME_FUNCTION function = ::RtlLookupFunctionEntry(pc, &base, nullptr);
  if (!function) return false;
  // The second byte of the unwind data is the prologue's size.
  const ::BYTE* unwind_info = reinterpret_cast<const ::BYTE*>(base + function->UnwindData);
  return pc - (base + function->BeginAddress) < unwind_info[1];
}

// The registers a caller finds again after a call, and where it returns to.
bool SameCaller(const ::CONTEXT& a, const ::CONTEXT& b) {
  return a.Rip == b.Rip && a.Rsp == b.Rsp && a.Rbx == b.Rbx && a.Rbp == b.Rbp && a.Rsi == b.Rsi &&
         a.Rdi == b.Rdi && a.R12 == b.R12 && a.R13 == b.R13 && a.R14 == b.R14 && a.R15 == b.R15 &&
         memcmp(&a.Xmm6, &b.Xmm6, 10 * sizeof a.Xmm6) == 0;
}

// The registers in which the thunk is entered, and the return address it stands on. Past the
// faulting instruction by one byte the unwinder may read the frame otherwise than at the
// instruction: a one-byte push of a prologue counts as done, and the bytes after the faulting
// one may read as an epilogue. A function still in its prologue has nothing to clean up, so
// then the failure is raised from its caller's call instead. In a body, no way is sound.
bool EntryFor(const ::CONTEXT& fault, ::CONTEXT* registers, ::DWORD64* return_address) {
  at_fault = fault;
  shifted = fault;
  if (!UnwindFrom(fault.Rip, &at_fault) || !UnwindFrom(fault.Rip + 1, &shifted)) return false;
  if (SameCaller(at_fault, shifted)) {
    *registers = fault;
    *return_address = fault.Rip + 1;
    return true;
  }
  if (!InPrologue(fault.Rip)) return false;
  *registers = at_fault;
  *return_address = at_fault.Rip;
  return true;
}

// Called only when no debugger is attached. A fault that cannot be raised from its place is
// reported from here; what is no fault at all ends the process with its code, and quietly:
// answering "search on" would have the system start the just-in-time debugger.
::LONG WINAPI OnUnhandled(::EXCEPTION_POINTERS* pointers) {
  const ::EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  ::CONTEXT* context = pointers->ContextRecord;
  if (!fault_handler || !IsFault(record->ExceptionCode)) return EXCEPTION_EXECUTE_HANDLER;
  ::DWORD64 return_address = 0;
  if ((record->ExceptionFlags & EXCEPTION_NONCONTINUABLE) ||
      (context->ContextFlags & kControlAndIntegers) != kControlAndIntegers ||
      !EntryFor(*context, &entry, &return_address)) {
    if (!fault_reporter) return EXCEPTION_EXECUTE_HANDLER;
    FromSystem(*record, &fault_record);
    fault_reporter(&fault_record);
  }
  FromSystem(*record, &fault_record);
  // The handler is entered as by a call: the direction flag clear, and no pending floating
  // exception that its first floating instruction would raise again.
  entry.EFlags &= ~kDirectionFlag;
  if ((entry.ContextFlags & CONTEXT_FLOATING_POINT) == CONTEXT_FLOATING_POINT) {
    entry.FltSave.StatusWord &= ~kFloatExceptionBits;
    entry.FltSave.MxCsr &= ~kSseExceptionFlags;
    entry.MxCsr &= ~kSseExceptionFlags;
  }
  entry.Rsp -= sizeof return_address;
  *reinterpret_cast<::DWORD64*>(entry.Rsp) = return_address;
  entry.Rip = reinterpret_cast<::DWORD64>(&FaultThunk);
  *context = entry;
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
  // Looked up: the first 64-bit Windows releases may lack it.
  if (StackGuarantee guarantee = reinterpret_cast<StackGuarantee>(reinterpret_cast<void*>(
          ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetThreadStackGuarantee")))) {
    ::ULONG size = kStackGuarantee;
    guarantee(&size);
  }
  SetTopLevelFilter(OnUnhandled);
}

void RemoveFaultHandler() {
  fault_handler = nullptr;
  RestoreTopLevelFilter();
}

}  // namespace platform

// ---- Guarded calls: a frame with an exception handler of its own ------------------------
//
// fwpeek_guarded_call(body, context, record) calls body(context) and answers 1. Its unwind
// data names a handler that the system asks about every exception raised below it, in the
// program's code and in the system's alike. For a fault the handler copies the record, then
// has the system unwind every frame below the guard and go on at fwpeek_guard_resume, which
// answers 0. The record's address is kept in the guard's frame, above the callee's home space.

extern "C" {
bool GuardedCall(void (*body)(void*), void* context,
                 platform::EXCEPTION_RECORD* record) asm("fwpeek_guarded_call");
void GuardResume() asm("fwpeek_guard_resume");
__attribute__((used)) EXCEPTION_DISPOSITION OnGuardedFault(
    ::EXCEPTION_RECORD* record, void* frame, ::CONTEXT*,
    ::DISPATCHER_CONTEXT* dispatch) asm("fwpeek_on_guarded_fault");
}

asm(R"(
	.section .text$fwpeek_guarded_call,"x"
	.p2align 4
fwpeek_guarded_call:
	.seh_proc fwpeek_guarded_call
	.seh_handler fwpeek_on_guarded_fault, @except
	subq $40, %rsp
	.seh_stackalloc 40
	.seh_endprologue
	movq %r8, 32(%rsp)
	movq %rcx, %rax
	movq %rdx, %rcx
	call *%rax
	movl $1, %eax
	jmp 1f
fwpeek_guard_resume:
	xorl %eax, %eax
1:	addq $40, %rsp
	ret
	.seh_endproc
)");

constexpr size_t kGuardRecordSlot = 32;

EXCEPTION_DISPOSITION OnGuardedFault(::EXCEPTION_RECORD* record, void* frame, ::CONTEXT*,
                                     ::DISPATCHER_CONTEXT* dispatch) {
  if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0 ||
      !platform::IsFault(record->ExceptionCode))
    return ExceptionContinueSearch;
  platform::EXCEPTION_RECORD* to =
      *reinterpret_cast<platform::EXCEPTION_RECORD**>(static_cast<char*>(frame) + kGuardRecordSlot);
  platform::FromSystem(*record, to);
  ::RtlUnwindEx(frame, reinterpret_cast<void*>(&GuardResume), record, nullptr,
                dispatch->ContextRecord, dispatch->HistoryTable);
  return ExceptionContinueSearch;  // not reached: the unwind goes on at the resume
}

namespace platform {

bool CallGuarded(void (*body)(void*), void* context, EXCEPTION_RECORD* record) {
  return GuardedCall(body, context, record);
}

}  // namespace platform
