#include "cmdline/arguments.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "console/stream.h"
#include "failure/exception.h"
#include "failure/raise.h"
#include "main/startup.h"
#include "tests/program.h"
#include "version.h"

namespace {

const char kScreen[] = "FWPEEK v" FWPEEK_VERSION_SHORT
                       " Copyright (c) 2026 fwpeek contributors\r\n"
                       "Affiche le type de microprogramme actif (Legacy BIOS ou UEFI)\r\n"
                       " \r\n"
                       "Note     : Un mat\x82riel UEFI peut utiliser le mode Legacy BIOS\r\n"
                       " \r\n"
                       "Syntaxe  : fwpeek\r\n"
                       " \r\n"
                       "Exemples : fwpeek\r\n"
                       "           fwpeek > result.txt\r\n";

class ArgumentsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
};

TEST_F(ArgumentsTest, HelpSwitchShowsTheScreenOnceAndNoProbe) {
  struct Case {
    const char* line;
    bool help;
  } cases[] = {
      {"fwpeek", false},           {"fwpeek ?", true},        {"fwpeek /?", true},
      {"fwpeek x ?", true},        {"fwpeek ? /?", true},     {"fwpeek -?", false},
      {"fwpeek /??", false},       {"fwpeek a\"/?\"", false}, {"fwpeek \" ?\"", false},
      {"fwpeek \\\"?\\\"", false}, {"fwpeek ? \"", true},
  };
  for (const auto& c : cases) {
    ResetProgram();
    fake::script.command_line = c.line;
    RunResult run = RunProgram();
    EXPECT_EQ(run.status, 0u) << c.line;
    EXPECT_EQ(run.out, c.help ? std::string(kScreen) : "Legacy BIOS\r\n") << c.line;
    EXPECT_EQ(fake::record.probe_calls, c.help ? 0 : 1) << c.line;
  }
}

TEST_F(ArgumentsTest, ConsoleGetsOneWritePerLine) {
  fake::script.command_line = "fwpeek /?";
  RunProgram();
  ASSERT_EQ(fake::record.writes.size(), 9u);
  EXPECT_EQ(fake::record.writes[2].bytes, " \r\n");
}

TEST_F(ArgumentsTest, FileGetsFullBuffersThenTheRemainderAtClosing) {
  fake::script.command_line = "fwpeek /?";
  fake::script.output_type = platform::FILE_TYPE_DISK;
  RunResult run = RunProgram();
  EXPECT_EQ(run.out, kScreen);
  size_t total = sizeof kScreen - 1;
  ASSERT_EQ(fake::record.writes.size(), (total + 127) / 128);
  for (size_t i = 0; i + 1 < fake::record.writes.size(); ++i)
    EXPECT_EQ(fake::record.writes[i].bytes.size(), 128u);
}

TEST_F(ArgumentsTest, FailingLineEndsTheScreenThere) {
  fake::script.command_line = "fwpeek /?";
  fake::script.failing_writes = {3};
  RunResult run = RunProgram();
  EXPECT_EQ(run.status, 1u);
  std::string screen = kScreen;
  size_t two_lines = screen.find("\r\n", screen.find("\r\n") + 2) + 2;
  EXPECT_EQ(run.out, screen.substr(0, two_lines));  // nothing after the failing line
  EXPECT_EQ(fake::record.probe_calls, 0);
  EXPECT_NE(run.err.find("EInOutError"), std::string::npos);
}

// On a console each line goes out at its end, so the n-th write is the n-th line.
TEST_F(ArgumentsTest, EveryLineHasACheckOfItsOwn) {
  std::set<void*> addresses;
  for (int line = 1; line <= 9; ++line) {
    ResetProgram();
    fake::script.command_line = "fwpeek /?";
    fake::script.failing_writes = {line};
    StartUp();
    OpenOutput();
    try {
      CheckArguments();
      ADD_FAILURE() << "line " << line << " did not fail";
    } catch (Exception* failure) {
      addresses.insert(failure->raise_address);
      ReleaseFailure(failure);
    }
    try {
      Shutdown(0);
    } catch (const fake::Exited&) {
    }
  }
  EXPECT_EQ(addresses.size(), 9u);
}

}  // namespace
