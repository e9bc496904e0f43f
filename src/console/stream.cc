#include "console/stream.h"

#include <string.h>

#include "failure/raise.h"

using namespace platform;

StandardStream StandardInput = {STD_INPUT_HANDLE, StreamState::kNotOpen, nullptr, 0, false, {}};
StandardStream StandardOutput = {STD_OUTPUT_HANDLE, StreamState::kNotOpen, nullptr, 0, false, {}};

thread_local int InOutResult = 0;

namespace {

// A failed operation overwrites the pending code; success leaves it.
void LeavePending(int code) {
  if (code != 0) InOutResult = code;
}

void Open(StandardStream& stream, StreamState mode) {
  stream.count = 0;
  stream.line_flush = false;
  stream.state = mode;
  HANDLE handle = GetStdHandle(stream.which);
  if (handle == InvalidHandleValue()) {
    stream.state = StreamState::kNotOpen;
    LeavePending(static_cast<int>(GetLastError()));
    return;
  }
  stream.handle = handle;
  if (mode == StreamState::kReading) return;
  DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_UNKNOWN) {
    CloseHandle(handle);
    stream.state = StreamState::kNotOpen;
    LeavePending(kCodeNotOutput);
    return;
  }
  stream.line_flush = type == FILE_TYPE_CHAR;
}

// Empties the buffer even when the write fails: those bytes are lost, never sent twice.
int Flush(StandardStream& stream) {
  if (stream.count == 0) return 0;
  DWORD written = 0;
  BOOL ok =
      WriteFile(stream.handle, stream.buffer, static_cast<DWORD>(stream.count), &written, nullptr);
  stream.count = 0;
  return ok ? 0 : static_cast<int>(GetLastError());
}

bool ReadyToWrite() {
  if (StandardOutput.state != StreamState::kWriting) Open(StandardOutput, StreamState::kWriting);
  if (StandardOutput.state == StreamState::kWriting) return true;
  InOutResult = kCodeNotOutput;
  return false;
}

}  // namespace

void OpenInput() { Open(StandardInput, StreamState::kReading); }

void OpenOutput() { Open(StandardOutput, StreamState::kWriting); }

void WriteText(const char* bytes, size_t length) {
  if (!ReadyToWrite()) return;
  StandardStream& out = StandardOutput;
  for (;;) {
    size_t space = kStreamBufferSize - out.count;
    if (length < space) {
      if (length != 0) memcpy(out.buffer + out.count, bytes, length);
      out.count += length;
      return;
    }
    memcpy(out.buffer + out.count, bytes, space);
    out.count = kStreamBufferSize;
    bytes += space;
    length -= space;
    int code = Flush(out);
    if (code != 0) {
      LeavePending(code);
      return;
    }
  }
}

void WriteChar(char c) {
  if (!ReadyToWrite()) return;
  StandardStream& out = StandardOutput;
  if (out.count == kStreamBufferSize) {
    int code = Flush(out);
    if (code != 0) {
      LeavePending(code);
      return;
    }
  }
  out.buffer[out.count++] = c;
}

void WriteLineEnd() {
  WriteText(kLineEnd.bytes, kLineEnd.length);
  if (StandardOutput.state == StreamState::kWriting && StandardOutput.line_flush)
    LeavePending(Flush(StandardOutput));
}

void WriteOut() {
  if (StandardOutput.state == StreamState::kWriting) LeavePending(Flush(StandardOutput));
}

void WriteOutUnchecked() {
  if (StandardOutput.state == StreamState::kWriting) Flush(StandardOutput);
}

void CloseInput() {}

void CloseOutput() {
  if (StandardOutput.state == StreamState::kWriting)
    LeavePending(Flush(StandardOutput));
  else
    InOutResult = kCodeNotOpen;
}

__attribute__((noinline)) void Check() {
  if (InOutResult == 0) return;
  int code = InOutResult;
  InOutResult = 0;
  RaiseInOutError(code, __builtin_return_address(0));
}
