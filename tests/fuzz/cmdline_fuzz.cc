// Arbitrary bytes as a command line: cut one argument at a time, counted, and judged by the
// help switch on the fake platform; and the same bytes as argv elements joined into one. A
// broken rule aborts, so libFuzzer keeps the input.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "cmdline/arguments.h"
#include "cmdline/cutter.h"
#include "console/stream.h"
#include "platform/command-line-posix.h"
#include "tests/platform/fake.h"
#include "tests/program.h"

namespace {

void Require(bool holds, const char* rule, const std::string& line) {
  if (holds) return;
  fprintf(stderr, "broken: %s\nline (%zu bytes):", rule, line.size());
  for (unsigned char c : line) fprintf(stderr, " %02X", c);
  fprintf(stderr, "\n");
  abort();
}

bool IsSeparator(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  return b >= 0x01 && b <= 0x20;
}

// The help run's output for a plain "/?", to compare every help run with.
std::string help_screen;

// Runs the help switch on the fake; returns what reached the standard output.
std::string Judge(const std::string& line, bool* probe) {
  ResetProgram();
  fake::script.command_line = line;
  OpenOutput();
  *probe = CheckArguments();
  CloseOutput();
  Require(InOutResult == 0, "no write failure is left pending", line);
  Require(fake::record.probe_calls == 0, "judging arguments never probes", line);
  return fake::WrittenTo(fake::OutputHandle());
}

// The same bytes as argv elements split at zero bytes, as POSIX hands them over: joined into a
// command line, each element after the name must come back as one argument of its own length,
// and only an element that is exactly "?" or "/?" may ask for help.
void CheckJoinedArguments(const uint8_t* data, size_t size) {
  std::vector<std::string> elements(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      elements.emplace_back();
    else
      elements.back() += static_cast<char>(data[i]);
  }
  std::vector<char*> argv;
  for (std::string& e : elements) argv.push_back(&e[0]);
  char* line = platform::JoinArguments(static_cast<int>(argv.size()), argv.data());
  std::string text(line);
  bool help = false;
  std::vector<std::string> expected;  // an empty element cannot come back, and takes nothing
  for (size_t i = 1; i < elements.size(); ++i) {
    help = help || elements[i] == "?" || elements[i] == "/?";
    if (!elements[i].empty()) expected.push_back(elements[i]);
  }
  Require(CountArguments(line) == expected.size(), "each element is one argument", text);
  Text argument;
  const char* position = CutArgument(line, argument);
  for (const std::string& e : expected) {
    position = CutArgument(position, argument);
    std::string back(argument.data(), argument.length());
    Require(back.size() == e.size(), "an element keeps its length", text);
    for (size_t k = 0; k < e.size(); ++k)
      Require(back[k] == (e[k] == '"' ? '\'' : e[k]), "an element keeps its bytes", text);
  }
  delete[] line;
  bool probe = true;
  Judge(text, &probe);
  Require(probe == !help, "only an element that is exactly \"?\" or \"/?\" asks for help", text);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  bool probe = true;
  help_screen = Judge("fwpeek /?", &probe);
  if (probe || help_screen.empty()) {
    fprintf(stderr, "\"fwpeek /?\" shows no help screen\n");
    abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A command line ends at its first zero byte; the copy holds no byte after it, so the
  // address sanitizer sees any read past the end.
  size_t length = 0;
  while (length < size && data[length] != 0) ++length;
  char* line = static_cast<char*>(malloc(length + 1));
  memcpy(line, data, length);
  line[length] = '\0';
  const char* end = line + length;
  std::string text(line, length);

  std::vector<std::string> arguments;  // after argument 0, up to the first empty one
  bool empty_met = false;
  const char* position = line;
  Text argument;
  for (size_t i = 0;; ++i) {
    const char* next = CutArgument(position, argument);
    Require(next >= line && next <= end, "cutting stops at the zero byte at the latest", text);
    Require(next > position || (position == end && next == end),
            "cutting moves forward until the zero byte", text);
    Require(next == end || IsSeparator(*next), "cutting stops on a separator or the end", text);
    Require(memchr(argument.data(), '"', argument.length()) == nullptr,
            "no argument holds a double quote", text);
    Require(memchr(argument.data(), '\0', argument.length()) == nullptr,
            "no argument holds a zero byte", text);
    Require(argument.length() <= static_cast<size_t>(next - position),
            "an argument is no longer than what was read", text);
    if (i > 0 && !empty_met) {
      if (argument.empty())
        empty_met = true;
      else
        arguments.emplace_back(argument.data(), argument.length());
    }
    if (next == end) break;
    position = next;
  }
  Require(CountArguments(line) == arguments.size(),
          "counting agrees with cutting up to the first empty argument", text);

  bool help = false;
  for (const std::string& a : arguments) help = help || a == "?" || a == "/?";
  bool probe = true;
  std::string out = Judge(text, &probe);
  Require(probe == !help, "only a \"?\" or \"/?\" argument stops the probe", text);
  Require(HelpRequested == help, "the help switch is set exactly by a help argument", text);
  Require(out == (help ? help_screen : std::string()),
          "a help run writes the one help screen, any other run nothing", text);

  free(line);
  CheckJoinedArguments(data, size);
  return 0;
}
