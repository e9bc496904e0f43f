#include "cmdline/usage.h"

#include <string.h>

#include "console/convert.h"
#include "console/stream.h"
#include "version.h"

namespace {

const char kName[] = "fwPEEK";
const char kVersion[] = "v" FWPEEK_VERSION_SHORT;
const char kJoin[] = " ";
const char kNotice[] = "Copyright (c) 2026 fwpeek contributors";

const char kPurpose[] = "Affiche le type de microprogramme actif (Legacy BIOS ou UEFI)";
const char kNote[] = "Note     : Un mat\xE9riel UEFI peut utiliser le mode Legacy BIOS";
const char kSyntax[] = "Syntaxe  : fwpeek";
const char kExamples[] = "Exemples : fwpeek";
const char kExample2[] = "           fwpeek > result.txt";

// Inlined, so that each line's check has an address of its own.
__attribute__((always_inline)) inline void WriteConverted(const Text& line) {
  Text converted;
  ConvertCharset(ToOem, line, converted);
  WriteText(converted);
  WriteLineEnd();
  Check();
}

__attribute__((always_inline)) inline void WriteBlank() {
  WriteChar(' ');
  WriteLineEnd();
  Check();
}

// The name only, and by the ASCII rule: accented letters keep their case.
Text Banner() {
  size_t name = strlen(kName), version = strlen(kVersion), join = strlen(kJoin);
  size_t notice = strlen(kNotice);
  Text banner;
  char* p = banner.Reset(name + join + version + join + notice);
  for (size_t i = 0; i < name; ++i) {
    char c = kName[i];
    *p++ = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
  }
  p = static_cast<char*>(memcpy(p, kJoin, join)) + join;
  p = static_cast<char*>(memcpy(p, kVersion, version)) + version;
  p = static_cast<char*>(memcpy(p, kJoin, join)) + join;
  memcpy(p, kNotice, notice);
  return banner;
}

}  // namespace

void ShowUsage() {
  WriteConverted(Banner());
  WriteConverted(Text(kPurpose));
  WriteBlank();
  WriteConverted(Text(kNote));
  WriteBlank();
  WriteConverted(Text(kSyntax));
  WriteBlank();
  WriteConverted(Text(kExamples));
  WriteConverted(Text(kExample2));
}
