#include "platform/faults-win32.h"

namespace platform {

namespace {

::LPTOP_LEVEL_EXCEPTION_FILTER previous_filter = nullptr;
bool filter_set = false;

}  // namespace

void SetTopLevelFilter(::LPTOP_LEVEL_EXCEPTION_FILTER filter) {
  if (filter_set) return;
  previous_filter = ::SetUnhandledExceptionFilter(filter);
  filter_set = true;
}

void RestoreTopLevelFilter() {
  if (!filter_set) return;
  ::SetUnhandledExceptionFilter(previous_filter);
  filter_set = false;
}

}  // namespace platform
