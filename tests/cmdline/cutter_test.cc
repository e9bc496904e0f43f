#include "cmdline/cutter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Cut(const std::string& line) {
  std::vector<std::string> arguments;
  size_t count = CountArguments(line.c_str());
  Text argument;
  const char* p = CutArgument(line.c_str(), argument);
  for (size_t i = 0; i < count; ++i) {
    p = CutArgument(p, argument);
    arguments.emplace_back(argument.data(), argument.length());
  }
  return arguments;
}

struct Case {
  const char* after_name;
  std::vector<std::string> arguments;
};

TEST(CutterTest, RulesOfTheCommandLine) {
  const Case cases[] = {
      {"", {}},
      {"?", {"?"}},
      {"/?", {"/?"}},
      {"x ?", {"x", "?"}},
      {"\"/?\"", {"/?"}},
      {"/\"?\"", {"/?"}},
      {"a\"/?\"", {"a/?"}},
      {"\"\" ?", {"?"}},
      {"\" ?\"", {" ?"}},
      {"? \"", {"?"}},  // a lone final double quote is no argument
      {"\"", {}},
      {"\\\"?\\\"", {"\\?\\"}},  // no escape character
      {"\"a b\"c d", {"a bc", "d"}},
      {"\t/?", {"/?"}},
      {"\" ", {" "}},  // unclosed: the rest of the line, spaces too
      {"\"a b", {"a b"}},
      {"a\"\"b", {"ab"}},  // an empty section inside an argument
      {"\"\"a", {"a"}},    // a pair in front is dropped
      {"\"\" \"\"", {}},   // pairs alone are no arguments
      {"\x7F \xE9t\xE9 \x01x", {"\x7F", "\xE9t\xE9", "x"}},
      {"  a\r\n\x1F"
       "b  ",
       {"a", "b"}},
  };
  for (const Case& c : cases) {
    std::string line = std::string("fwpeek ") + c.after_name;
    EXPECT_EQ(Cut(line), c.arguments) << "after the name: [" << c.after_name << "]";
  }
}

TEST(CutterTest, ProgramNameIsArgumentZeroWhateverItHolds) {
  EXPECT_EQ(Cut("\"C:\\Program Files\\fwpeek.exe\" /?"), std::vector<std::string>{"/?"});
  EXPECT_EQ(Cut(""), std::vector<std::string>{});
}

TEST(CutterTest, CuttingStopsOnTheSeparatorOrTheEnd) {
  const char line[] = "ab\"c d\" e";
  Text argument;
  const char* p = CutArgument(line, argument);
  EXPECT_EQ(std::string(argument.data()), "abc d");
  EXPECT_EQ(p, line + 7);
  p = CutArgument(p, argument);
  EXPECT_EQ(std::string(argument.data()), "e");
  EXPECT_EQ(*p, '\0');
  p = CutArgument(p, argument);  // at the end: empty, and stays there
  EXPECT_TRUE(argument.empty());
  EXPECT_EQ(*p, '\0');
}

TEST(CutterTest, LongCommandLine) {
  std::string line = "fwpeek";
  while (line.size() < 32000) line += " a";
  EXPECT_EQ(CountArguments(line.c_str()), (line.size() - 6) / 2);
  std::string one = "fwpeek \"" + std::string(32000, 'x');
  EXPECT_EQ(Cut(one), std::vector<std::string>{std::string(32000, 'x')});
}

}  // namespace
