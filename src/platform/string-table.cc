#include "platform/string-table.h"

#include <string.h>

#include "base/copy.h"

namespace platform {

namespace {

struct Entry {
  unsigned id;
  const char* text;
};

const Entry kTable[] = {
#define FWPEEK_STRING(id, text) {id, text},
#include "res/strings.h"
#undef FWPEEK_STRING
};

}  // namespace

int CopyTableString(unsigned id, char* buffer, int size) {
  if (size <= 0) return 0;
  const char* text = "";
  for (const Entry& entry : kTable)
    if (entry.id == id) text = entry.text;
  return static_cast<int>(CopyTerminated(buffer, static_cast<size_t>(size), text, strlen(text)));
}

}  // namespace platform
