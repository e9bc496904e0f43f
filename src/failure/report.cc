#include "failure/report.h"

#include <stdint.h>
#include <string.h>

#include "base/copy.h"
#include "console/stream.h"
#include "failure/format.h"
#include "failure/module.h"
#include "failure/raise.h"

using namespace platform;

namespace {

constexpr size_t kNameSize = 260;
constexpr int kTemplateSize = 256;
constexpr size_t kClassSize = 256;
constexpr size_t kReportSize = 1024;
// An address in no named module is shown relative to where the image's code begins.
constexpr uintptr_t kImageCodeStart = 0x1000;

// The module that holds `address` and the offset within it; the program's own file when the
// address lies in no module the system can name.
uintptr_t Locate(const void* address, char* path) {
  uintptr_t base;
  if (ModuleOf(address, path, &base)) return reinterpret_cast<uintptr_t>(address) - base;
  if (GetModuleFileNameA(nullptr, path, kModulePathSize) == 0) path[0] = '\0';
  path[kModulePathSize - 1] = '\0';
  uintptr_t raw = reinterpret_cast<uintptr_t>(address);
  return raw == 0 ? 0 : raw - kImageCodeStart;
}

// The module's file name, cut to its buffer.
void ModuleName(const char* path, char* name) {
  const char* start = FileNameOf(path, DirectoryEnd::kDelimiter);
  CopyTerminated(name, kNameSize, start, strlen(start));
}

// The string table keeps CR LF; the report ends its lines as the platform does.
void LoadTemplate(char* out) {
  char loaded[kTemplateSize];
  LoadStringA(nullptr, kIdFailureReport, loaded, kTemplateSize);
  char* o = out;
  for (const char* p = loaded; *p; ++p) {
    if (p[0] == '\r' && p[1] == '\n') {
      memcpy(o, kLineEnd.bytes, kLineEnd.length);
      o += kLineEnd.length;
      ++p;
    } else {
      *o++ = *p;
    }
  }
  *o = '\0';
}

}  // namespace

void WriteStandard(DWORD which, const char* bytes, DWORD length) {
  DWORD written = 0;
  WriteFile(GetStdHandle(which), bytes, length, &written, nullptr);
}

void WriteFailureReport(const Exception& failure) {
  char path[kModulePathSize];
  uintptr_t shown = Locate(failure.raise_address, path);
  char name[kNameSize];
  ModuleName(path, name);

  char class_name[kClassSize];
  CopyTerminated(class_name, kClassSize, failure.ClassName(), strlen(failure.ClassName()));

  const Text& message = failure.Message();
  const char* end_mark = !message.empty() && message.data()[message.length() - 1] != '.' ? "." : "";

  char pattern[kTemplateSize];
  LoadTemplate(pattern);
  char text[kReportSize];
  FormatText(text, sizeof text, pattern, class_name, name, reinterpret_cast<const void*>(shown),
             message.data(), end_mark);

  char oem[kReportSize * kOemGrowth];
  CharToOemA(text, oem);
  WriteStandard(STD_ERROR_HANDLE, oem, static_cast<DWORD>(strlen(oem)));
  WriteStandard(STD_ERROR_HANDLE, kLineEnd.bytes, kLineEnd.length);
}
