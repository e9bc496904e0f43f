#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline/cutter.h"
#include "platform/command-line-posix.h"

namespace {

// What the cutting rules give back after argument 0.
std::vector<std::string> CutBack(std::vector<std::string> elements) {
  std::vector<char*> argv;
  for (std::string& e : elements) argv.push_back(&e[0]);
  char* line = platform::JoinArguments(static_cast<int>(argv.size()), argv.data());
  std::vector<std::string> out;
  size_t count = CountArguments(line);
  Text argument;
  const char* position = CutArgument(line, argument);
  for (size_t i = 0; i < count; ++i) {
    position = CutArgument(position, argument);
    out.emplace_back(argument.data(), argument.length());
  }
  delete[] line;
  return out;
}

TEST(CommandLinePosixTest, EachElementComesBackAsOneArgumentOfItsOwnLength) {
  struct Case {
    std::vector<std::string> argv;
    std::vector<std::string> arguments;
  } cases[] = {
      {{"fwpeek"}, {}},
      {{"fwpeek", "?"}, {"?"}},
      {{"", "?"}, {"?"}},  // an empty name must not let "?" become the name
      {{"fwpeek", "\"", "?"}, {"'", "?"}},
      {{"fwpeek", "a\"b", "/?"}, {"a'b", "/?"}},
      {{"fwpeek", "x\" /?"}, {"x' /?"}},  // one element, no switch
      {{"fwpeek", "\"/?\""}, {"'/?'"}},
      {{"fwpeek", "a b", "\t/?"}, {"a b", "\t/?"}},
      {{"/opt/my tools/fwpeek", "/?"}, {"/?"}},
      {{"fwpeek", "\xE9", "\x7F"}, {"\xE9", "\x7F"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CutBack(c.argv), c.arguments) << (c.argv.size() > 1 ? c.argv[1] : c.argv[0]);
}

// The rules skip a pair of double quotes, so an empty element cannot come back; it never
// takes another element with it.
TEST(CommandLinePosixTest, EmptyElementsVanishWithoutJoiningOthers) {
  EXPECT_EQ(CutBack({"fwpeek", "", "?", ""}), std::vector<std::string>{"?"});
}

}  // namespace
