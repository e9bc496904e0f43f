#include "platform/command-line-posix.h"

#include <string.h>

namespace platform {

const char kProgramName[] = "fwpeek";

namespace {

bool NeedsQuotes(const char* element) {
  if (*element == '\0') return true;
  for (const char* p = element; *p; ++p) {
    unsigned char b = static_cast<unsigned char>(*p);
    if (b >= 0x01 && b <= 0x20) return true;
  }
  return false;
}

}  // namespace

char* JoinArguments(int count, char* const* elements) {
  size_t length = 0;
  for (int i = 0; i < count; ++i) length += strlen(elements[i]) + 3;  // quotes and a space
  length += sizeof kProgramName;
  char* joined = new char[length + 1];
  char* out = joined;
  for (int i = 0; i < count; ++i) {
    const char* element = elements[i];
    if (i == 0 && *element == '\0') element = kProgramName;
    bool quote = NeedsQuotes(element);
    if (i > 0) *out++ = ' ';
    if (quote) *out++ = '"';
    for (const char* p = element; *p; ++p) *out++ = *p == '"' ? '\'' : *p;
    if (quote) *out++ = '"';
  }
  *out = '\0';
  return joined;
}

}  // namespace platform
