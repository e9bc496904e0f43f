// Starts a program with an exact raw command line and chosen standard handles, which a
// shell cannot do: launcher OUT ERR PROGRAM HEX. OUT and ERR are "inherit", "null" or
// "invalid"; OUT may also be "read-only", a new empty file opened without write access. HEX is
// the command line's bytes in hexadecimal, or @FILE to take them from a file when they would
// not fit in the launcher's own command line. Exits with the child's status.
#include <stdio.h>
#include <string.h>
#include <windows.h>

namespace {

char read_only_path[MAX_PATH];

// Writing through a handle that lacks write access fails as Windows itself decides, with
// nothing of the host system's files in between.
HANDLE ReadOnlyFile() {
  char folder[MAX_PATH];
  if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "fwp", 0, read_only_path))
    return INVALID_HANDLE_VALUE;
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  return CreateFileA(read_only_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE Chosen(const char* mode, DWORD which) {
  if (strcmp(mode, "null") == 0) return nullptr;
  if (strcmp(mode, "invalid") == 0) return INVALID_HANDLE_VALUE;
  if (strcmp(mode, "read-only") == 0 && which == STD_OUTPUT_HANDLE) return ReadOnlyFile();
  return GetStdHandle(which);
}

int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: launcher OUT ERR PROGRAM HEX\n");
    return 120;
  }
  static char line[40000];
  if (argv[4][0] == '@') {
    FILE* f = fopen(argv[4] + 1, "rb");
    if (!f) return 121;
    size_t n = fread(line, 1, sizeof line - 1, f);
    fclose(f);
    line[n] = '\0';
  } else {
    size_t hex = strlen(argv[4]);
    if (hex % 2 != 0 || hex / 2 >= sizeof line) return 121;
    for (size_t i = 0; i < hex / 2; ++i) {
      int high = Nibble(argv[4][2 * i]), low = Nibble(argv[4][2 * i + 1]);
      if (high < 0 || low < 0) return 121;
      line[i] = static_cast<char>(high * 16 + low);
    }
    line[hex / 2] = '\0';
  }
  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = Chosen(argv[1], STD_OUTPUT_HANDLE);
  startup.hStdError = Chosen(argv[2], STD_ERROR_HANDLE);
  PROCESS_INFORMATION process;
  if (!CreateProcessA(argv[3], line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    fprintf(stderr, "launcher: CreateProcess failed with %lu\n", GetLastError());
    return 122;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (read_only_path[0]) {
    CloseHandle(startup.hStdOutput);  // the read-only file's
    DeleteFileA(read_only_path);
  }
  return static_cast<int>(status);
}
