#include "failure/raise.h"

#include "failure/format.h"
#include "failure/module.h"

using namespace platform;

namespace {

constexpr int kLoadRoom = 256;

// Messages that need no filling in are loaded once, when the machinery is set up.
struct FixedText {
  unsigned id;
  Text text;
};
FixedText fixed_texts[] = {
    {65522, {}},
    {65523, {}},
    {65524, {}},
    {65525, {}},
    {65526, {}},
    {65527, {}},
    {65528, {}},
    {65529, {}},
    {65530, {}},
    {65531, {}},
    {65532, {}},
    {65533, {}},
    {65534, {}},
    {65535, {}},
    {kIdPrivilege, {}},
    {kIdControlC, {}},
    {kIdStackOverflow, {}},
    {kIdOutOfMemory, {}},
    {kIdInvalidPointer, {}},
    {kIdRead, {}},
    {kIdWrite, {}},
};

Exception* out_of_memory = nullptr;
Exception* invalid_pointer = nullptr;
bool ready = false;

Text Fixed(unsigned id) {
  for (const FixedText& t : fixed_texts)
    if (t.id == id && !t.text.empty()) return t.text;
  return LoadText(id);
}

struct ExternalKind {
  DWORD code;
  unsigned id;
  Exception* (*make)(Text, const EXCEPTION_RECORD&);
};

template <class T>
Exception* Make(Text message, const EXCEPTION_RECORD& record) {
  return new T(static_cast<Text&&>(message), record);
}

const ExternalKind kExternalKinds[] = {
    {EXCEPTION_INT_DIVIDE_BY_ZERO, 65529, Make<EDivByZero>},
    {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, 65530, Make<ERangeError>},
    {EXCEPTION_INT_OVERFLOW, 65531, Make<EIntOverflow>},
    {EXCEPTION_FLT_INEXACT_RESULT, 65532, Make<EInvalidOp>},
    {EXCEPTION_FLT_INVALID_OPERATION, 65532, Make<EInvalidOp>},
    {EXCEPTION_FLT_STACK_CHECK, 65532, Make<EInvalidOp>},
    {EXCEPTION_FLT_DIVIDE_BY_ZERO, 65533, Make<EZeroDivide>},
    {EXCEPTION_FLT_OVERFLOW, 65534, Make<EOverflow>},
    {EXCEPTION_FLT_DENORMAL_OPERAND, 65535, Make<EUnderflow>},
    {EXCEPTION_FLT_UNDERFLOW, 65535, Make<EUnderflow>},
    {EXCEPTION_PRIV_INSTRUCTION, kIdPrivilege, Make<EPrivilege>},
    {CONTROL_C_EXIT, kIdControlC, Make<EControlC>},
    {EXCEPTION_STACK_OVERFLOW, kIdStackOverflow, Make<EStackOverflow>},
};

Text AccessViolationMessage(const EXCEPTION_RECORD& record) {
  void* code_address = record.ExceptionAddress;
  Text access = Fixed(record.ExceptionInformation[0] == 0 ? kIdRead : kIdWrite);
  const void* data_address = reinterpret_cast<const void*>(record.ExceptionInformation[1]);
  char out[1024];
  char path[kModulePathRoom];
  uintptr_t base;
  size_t length;
  if (ModuleOf(code_address, path, &base)) {
    // A drive letter's colon ends the directory part too, where paths have them.
    length = FormatText(out, sizeof out, LoadText(kIdAccessViolationInModule).data(), code_address,
                        FileNameOf(path, kPathDelimiter == '\\'), access.data(), data_address);
  } else {
    length = FormatText(out, sizeof out, LoadText(kIdAccessViolation).data(), code_address,
                        access.data(), data_address);
  }
  return Text(out, length);
}

}  // namespace

Text LoadText(unsigned id) {
  char room[kLoadRoom];
  int length = LoadStringA(nullptr, id, room, kLoadRoom);
  return length > 0 ? Text(room, static_cast<size_t>(length)) : Text();
}

void StartFailures() {
  for (FixedText& t : fixed_texts) t.text = LoadText(t.id);
  out_of_memory = new EOutOfMemory(Fixed(kIdOutOfMemory));
  out_of_memory->single_instance = true;
  invalid_pointer = new EInvalidPointer(Fixed(kIdInvalidPointer));
  invalid_pointer->single_instance = true;
  ready = true;
}

void StopFailures() {
  ready = false;
  delete invalid_pointer;
  invalid_pointer = nullptr;
  delete out_of_memory;
  out_of_memory = nullptr;
  for (FixedText& t : fixed_texts) t.text.Release();
}

bool FailuresReady() { return ready; }

void RaiseFailure(Exception* failure, void* address) {
  failure->raise_address = address;
  failure->offered = false;
  throw failure;
}

Text InOutMessage(int code) {
  static const int kCodesWithText[][2] = {{2, 65522},   {3, 65523},   {4, 65524},  {5, 65525},
                                          {100, 65526}, {101, 65527}, {106, 65528}};
  for (const auto& entry : kCodesWithText)
    if (entry[0] == code) return Fixed(static_cast<unsigned>(entry[1]));
  char out[kLoadRoom];
  size_t length = FormatText(out, sizeof out, LoadText(kIdInOutError).data(), code);
  return Text(out, length);
}

void RaiseInOutError(int code, void* address) {
  RaiseFailure(new EInOutError(InOutMessage(code), code), address);
}

Exception* SingleFailure(MemoryFailure which, void* address) {
  Exception* failure = which == MemoryFailure::kOutOfMemory ? out_of_memory : invalid_pointer;
  failure->raise_address = address;
  failure->offered = false;
  return failure;
}

Exception* MakeExternalFailure(const EXCEPTION_RECORD& record) {
  if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
    return new EAccessViolation(AccessViolationMessage(record), record);
  for (const ExternalKind& kind : kExternalKinds)
    if (kind.code == record.ExceptionCode) return kind.make(Fixed(kind.id), record);
  char out[kLoadRoom];
  size_t length = FormatText(out, sizeof out, LoadText(kIdExternalException).data(),
                             static_cast<unsigned>(record.ExceptionCode));
  return new EExternalException(Text(out, length), record);
}

void ReleaseFailure(Exception* failure) {
  if (failure && !failure->single_instance) delete failure;
}
