#include <gtest/gtest.h>

#include <string>

#include "console/stream.h"
#include "failure/run-error.h"
#include "tests/program.h"

namespace {

class RunErrorTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
};

TEST_F(RunErrorTest, RunErrorLine) {
  struct {
    int number;
    const char* line;
  } cases[] = {
      {203, "Runtime error 203 at 0040ABCD"},
      {217, "Runtime error 217 at 0040ABCD"},
      {15, "Runtime error  15 at 0040ABCD"},
  };
  for (const auto& c : cases) {
    ResetProgram();
    WriteRunErrorReport(c.number, reinterpret_cast<void*>(0x40ABCD));
    std::string expected = std::string(c.line, 29) + std::string(1, '\0') + "\r\n";
    EXPECT_EQ(fake::WrittenTo(fake::OutputHandle()), expected);
    EXPECT_EQ(expected.size(), 32u);
  }
}

TEST_F(RunErrorTest, RunErrorLineFollowsWhatTheOutputBufferHeld) {
  fake::script.output_type = platform::FILE_TYPE_DISK;
  OpenOutput();
  WriteText("Legacy", 6);
  WriteRunErrorReport(217, reinterpret_cast<void*>(0x401000));
  EXPECT_EQ(fake::WrittenTo(fake::OutputHandle()),
            std::string("LegacyRuntime error 217 at 00401000") + '\0' + "\r\n");
  EXPECT_EQ(StandardOutput.count, 0u);
}

TEST_F(RunErrorTest, NumbersForFaultsOutsideTheMachinery) {
  using namespace platform;
  const struct {
    DWORD code;
    int number;
  } cases[] = {
      {EXCEPTION_INT_DIVIDE_BY_ZERO, 200},
      {EXCEPTION_FLT_DIVIDE_BY_ZERO, 200},
      {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, 201},
      {EXCEPTION_STACK_OVERFLOW, 202},
      {EXCEPTION_FLT_OVERFLOW, 205},
      {EXCEPTION_FLT_UNDERFLOW, 206},
      {EXCEPTION_FLT_DENORMAL_OPERAND, 206},
      {EXCEPTION_FLT_INVALID_OPERATION, 207},
      {EXCEPTION_FLT_INEXACT_RESULT, 207},
      {EXCEPTION_FLT_STACK_CHECK, 207},
      {EXCEPTION_INT_OVERFLOW, 215},
      {EXCEPTION_ACCESS_VIOLATION, 216},
      {CONTROL_C_EXIT, 217},
      {EXCEPTION_PRIV_INSTRUCTION, 218},
      {EXCEPTION_ILLEGAL_INSTRUCTION, 255},
      {0x00000010, 255},
  };
  for (const auto& c : cases) EXPECT_EQ(RunErrorForFault(c.code), c.number) << std::hex << c.code;
}

}  // namespace
