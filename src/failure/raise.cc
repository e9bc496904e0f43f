#include "failure/raise.h"

#include "failure/format.h"
#include "failure/module.h"

using namespace platform;

namespace {

constexpr int kLoadSize = 256;

// Messages that need no filling in are loaded once, when the machinery is set up.
struct PreloadedText {
  unsigned id;
  Text text;
};
PreloadedText preloaded[] = {
    {kIdFileNotFound, {}},
    {kIdInvalidFileName, {}},
    {kIdTooManyOpenFiles, {}},
    {kIdFileAccessDenied, {}},
    {kIdReadBeyondEnd, {}},
    {kIdDiskFull, {}},
    {kIdInvalidNumericInput, {}},
    {kIdDivByZero, {}},
    {kIdRangeError, {}},
    {kIdIntOverflow, {}},
    {kIdInvalidOp, {}},
    {kIdZeroDivide, {}},
    {kIdOverflow, {}},
    {kIdUnderflow, {}},
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

// The preloaded text of `id`, or the table's own when it was not preloaded.
Text MessageText(unsigned id) {
  for (const PreloadedText& t : preloaded)
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
    {EXCEPTION_INT_DIVIDE_BY_ZERO, kIdDivByZero, Make<EDivByZero>},
    {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, kIdRangeError, Make<ERangeError>},
    {EXCEPTION_INT_OVERFLOW, kIdIntOverflow, Make<EIntOverflow>},
    {EXCEPTION_FLT_INEXACT_RESULT, kIdInvalidOp, Make<EInvalidOp>},
    {EXCEPTION_FLT_INVALID_OPERATION, kIdInvalidOp, Make<EInvalidOp>},
    {EXCEPTION_FLT_STACK_CHECK, kIdInvalidOp, Make<EInvalidOp>},
    {EXCEPTION_FLT_DIVIDE_BY_ZERO, kIdZeroDivide, Make<EZeroDivide>},
    {EXCEPTION_FLT_OVERFLOW, kIdOverflow, Make<EOverflow>},
    {EXCEPTION_FLT_DENORMAL_OPERAND, kIdUnderflow, Make<EUnderflow>},
    {EXCEPTION_FLT_UNDERFLOW, kIdUnderflow, Make<EUnderflow>},
    {EXCEPTION_PRIV_INSTRUCTION, kIdPrivilege, Make<EPrivilege>},
    {CONTROL_C_EXIT, kIdControlC, Make<EControlC>},
    {EXCEPTION_STACK_OVERFLOW, kIdStackOverflow, Make<EStackOverflow>},
};

Text AccessViolationMessage(const EXCEPTION_RECORD& record) {
  void* code_address = record.ExceptionAddress;
  Text access = MessageText(record.ExceptionInformation[0] == 0 ? kIdRead : kIdWrite);
  const void* data_address = reinterpret_cast<const void*>(record.ExceptionInformation[1]);
  char out[1024];
  char path[kModulePathSize];
  uintptr_t base;
  size_t length;
  if (ModuleOf(code_address, path, &base)) {
    // A drive letter's colon ends the directory part too, where paths have them.
    length = FormatText(out, sizeof out, LoadText(kIdAccessViolationInModule).data(), code_address,
                        FileNameOf(path, kPathDelimiter == '\\' ? DirectoryEnd::kDelimiterOrColon
                                                                : DirectoryEnd::kDelimiter),
                        access.data(), data_address);
  } else {
    length = FormatText(out, sizeof out, LoadText(kIdAccessViolation).data(), code_address,
                        access.data(), data_address);
  }
  return Text(out, length);
}

}  // namespace

Text LoadText(unsigned id) {
  char buffer[kLoadSize];
  int length = LoadStringA(nullptr, id, buffer, kLoadSize);
  return length > 0 ? Text(buffer, static_cast<size_t>(length)) : Text();
}

void StartFailures() {
  for (PreloadedText& t : preloaded) t.text = LoadText(t.id);
  out_of_memory = new EOutOfMemory(MessageText(kIdOutOfMemory));
  out_of_memory->single_instance = true;
  invalid_pointer = new EInvalidPointer(MessageText(kIdInvalidPointer));
  invalid_pointer->single_instance = true;
  ready = true;
}

void StopFailures() {
  ready = false;
  delete invalid_pointer;
  invalid_pointer = nullptr;
  delete out_of_memory;
  out_of_memory = nullptr;
  for (PreloadedText& t : preloaded) t.text.Release();
}

bool FailuresReady() { return ready; }

void RaiseFailure(Exception* failure, void* address) {
  failure->raise_address = address;
  failure->offered = false;
  throw failure;
}

Text InOutMessage(int code) {
  static const struct {
    int code;
    StringId id;
  } kCodesWithText[] = {
      {2, kIdFileNotFound},          {3, kIdInvalidFileName}, {4, kIdTooManyOpenFiles},
      {5, kIdFileAccessDenied},      {100, kIdReadBeyondEnd}, {101, kIdDiskFull},
      {106, kIdInvalidNumericInput},
  };
  for (const auto& entry : kCodesWithText)
    if (entry.code == code) return MessageText(entry.id);
  char out[kLoadSize];
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
    if (kind.code == record.ExceptionCode) return kind.make(MessageText(kind.id), record);
  char out[kLoadSize];
  size_t length = FormatText(out, sizeof out, LoadText(kIdExternalException).data(),
                             static_cast<unsigned>(record.ExceptionCode));
  return new EExternalException(Text(out, length), record);
}

void ReleaseFailure(Exception* failure) {
  if (failure && !failure->single_instance) delete failure;
}
