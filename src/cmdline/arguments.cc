#include "cmdline/arguments.h"

#include "cmdline/cutter.h"
#include "cmdline/usage.h"
#include "platform/platform.h"

bool HelpRequested = false;

bool CheckArguments() {
  const char* command_line = platform::GetCommandLineA();
  size_t count = CountArguments(command_line);
  Text argument;
  const char* position = CutArgument(command_line, argument);
  for (size_t i = 1; i <= count; ++i) {
    position = CutArgument(position, argument);
    Text upper(argument);
    if (!upper.empty()) {
      platform::CharUpperBuffA(const_cast<char*>(upper.data()),
                               static_cast<platform::DWORD>(upper.length()));
      if (upper.Equals("?", 1)) HelpRequested = true;
      if (upper.data()[0] == '/' && upper.length() == 2 && upper.data()[1] == '?')
        HelpRequested = true;
    }
  }
  if (!HelpRequested) return true;
  ShowUsage();
  return false;
}
