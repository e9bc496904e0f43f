#include "base/copy.h"

#include <string.h>

size_t CopyTerminated(char* out, size_t size, const char* from, size_t length) {
  if (size == 0) return 0;
  if (length > size - 1) length = size - 1;
  memcpy(out, from, length);
  out[length] = '\0';
  return length;
}
