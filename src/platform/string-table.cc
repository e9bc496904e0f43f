#include "platform/string-table.h"

#include <string.h>

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

int CopyTableString(unsigned id, char* buffer, int room) {
  if (room <= 0) return 0;
  for (const Entry& entry : kTable) {
    if (entry.id != id) continue;
    size_t length = strlen(entry.text);
    if (length > static_cast<size_t>(room - 1)) length = static_cast<size_t>(room - 1);
    memcpy(buffer, entry.text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
  }
  buffer[0] = '\0';
  return 0;
}

}  // namespace platform
