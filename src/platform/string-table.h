// The program's string table where the system has none: the same texts as the Windows
// resource, compiled in from the same list.
#ifndef FWPEEK_PLATFORM_STRING_TABLE_H_
#define FWPEEK_PLATFORM_STRING_TABLE_H_

namespace platform {

// Copies text `id` into `buffer`, cut to size - 1 bytes and zero-terminated; returns its
// length, 0 when the id holds no text.
int CopyTableString(unsigned id, char* buffer, int size);

}  // namespace platform

#endif  // FWPEEK_PLATFORM_STRING_TABLE_H_
