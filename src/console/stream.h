// The two standard text streams. Output is collected in a small buffer and handed to the
// handle when it fills, at a line end on a character device, and at closing. A failed
// operation leaves its code pending; only Check turns a pending code into an EInOutError.
#ifndef FWPEEK_CONSOLE_STREAM_H_
#define FWPEEK_CONSOLE_STREAM_H_

#include <stddef.h>

#include "base/text.h"
#include "platform/platform.h"

constexpr size_t kStreamBufferSize = 128;

// Codes of the streams' own.
constexpr int kCodeNotOpen = 103;    // closing an output stream that is not open
constexpr int kCodeNotOutput = 105;  // no usable handle to write to

enum class StreamState { kNotOpen, kReading, kWriting };

struct StandardStream {
  platform::DWORD which;  // STD_INPUT_HANDLE or STD_OUTPUT_HANDLE
  StreamState state;
  platform::HANDLE handle;
  size_t count;
  bool line_flush;  // a character device sees each line at its end
  char buffer[kStreamBufferSize];
};

extern StandardStream StandardInput;
extern StandardStream StandardOutput;

// The code of the latest failed stream operation that no check has reported; 0 when none.
extern thread_local int InOutResult;

void OpenInput();
void OpenOutput();

void WriteText(const char* bytes, size_t length);
inline void WriteText(const Text& text) { WriteText(text.data(), text.length()); }
void WriteChar(char c);
void WriteLineEnd();

// Hands the output buffer to the handle now, whatever the handle's type.
void WriteOut();
// The same for the run-time error line: no code is left pending, since nothing will check.
void WriteOutUnchecked();

void CloseInput();
void CloseOutput();

// Raises EInOutError when a code is pending, with the code address right after this call.
void Check();

#endif  // FWPEEK_CONSOLE_STREAM_H_
