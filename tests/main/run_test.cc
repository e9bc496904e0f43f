#include "main/run.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "failure/raise.h"
#include "main/memory.h"
#include "main/startup.h"
#include "tests/program.h"

namespace {

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
};

std::string SecondLine(const std::string& report) {
  size_t first = report.find("\r\n");
  if (first == std::string::npos) return "(no report)";
  return report.substr(first + 2, report.find("\r\n", first + 2) - first - 2);
}

std::string Address(const std::string& report) {
  std::smatch m;
  std::regex pattern(" dans ([0-9A-F]{8,16})\\.\r\n");
  return std::regex_search(report, m, pattern) ? m[1].str() : "(none)";
}

TEST_F(RunTest, ResultLineAndNothingElse) {
  for (platform::DWORD type : {platform::FILE_TYPE_CHAR, platform::FILE_TYPE_DISK}) {
    ResetProgram();
    fake::script.output_type = type;
    RunResult run = RunProgram();
    EXPECT_EQ(run.status, 0u);
    EXPECT_EQ(run.out, "Legacy BIOS\r\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(fake::record.write_calls, 1);
    EXPECT_TRUE(FirmwareType.Equals("Legacy BIOS", 11));
  }
  ResetProgram();
  fake::script.probe_error = 0;
  EXPECT_EQ(RunProgram().out, "UEFI Mode\r\n");
}

TEST_F(RunTest, FailedProbeIsWrittenLikeAnAnswerInTheOemCodePage) {
  fake::script.probe_action = [] { RaiseInOutError(5, nullptr); };
  RunResult run = RunProgram();
  EXPECT_EQ(run.status, 0u);
  EXPECT_EQ(run.out, "EInOutError : Acc\x8As au fichier refus\x82\r\n");
}

TEST_F(RunTest, NoOutputHandleReportsTheClosingsCode) {
  for (platform::HANDLE input : {fake::InputHandle(), platform::InvalidHandleValue()}) {
    ResetProgram();
    fake::script.std_handles[0] = input;
    fake::script.std_handles[1] = input == fake::InputHandle() ? nullptr : fake::OutputHandle();
    RunResult run = RunProgram();
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(SecondLine(run.err), "Erreur E/S 103.");
    EXPECT_EQ(fake::record.probe_calls, 0);
  }
}

TEST_F(RunTest, WriteFailureOnAConsoleAndIntoAFile) {
  struct {
    platform::DWORD type;
  } cases[] = {{platform::FILE_TYPE_CHAR}, {platform::FILE_TYPE_DISK}};
  std::string addresses[2];
  for (int i = 0; i < 2; ++i) {
    ResetProgram();
    fake::script.output_type = cases[i].type;
    fake::script.failing_writes = {1};
    fake::script.write_error = 232;
    RunResult run = RunProgram();
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(SecondLine(run.err), "Erreur E/S 232.");
    EXPECT_EQ(run.err.substr(0, 49), "Exception EInOutError dans le module fwpeek.exe d");
    EXPECT_EQ(run.err.substr(run.err.size() - 4), "\r\n\r\n");
    addresses[i] = Address(run.err);
  }
  // The result line's check on a console, the closing's check into a file.
  EXPECT_NE(addresses[0], addresses[1]);
}

TEST_F(RunTest, SameCheckSameAddressWhetherOrNotAFailurePassesThrough) {
  // Into a file, the closing reports; with no output handle, the closing reports too,
  // while the opening's failure passes through.
  fake::script.output_type = platform::FILE_TYPE_DISK;
  fake::script.failing_writes = {1};
  std::string quiet = Address(RunProgram().err);
  ResetProgram();
  fake::script.std_handles[1] = nullptr;
  std::string passing = Address(RunProgram().err);
  EXPECT_EQ(quiet, passing);
  EXPECT_NE(quiet, "(none)");
}

TEST_F(RunTest, EveryFailingWriteIsReportedNeverLost) {
  for (bool help : {false, true}) {
    for (platform::DWORD type : {platform::FILE_TYPE_CHAR, platform::FILE_TYPE_DISK}) {
      ResetProgram();
      fake::script.command_line = help ? "fwpeek /?" : "fwpeek";
      fake::script.output_type = type;
      std::string whole = RunProgram().out;
      int calls = fake::record.write_calls;
      for (int n = 1; n <= calls; ++n) {
        ResetProgram();
        fake::script.command_line = help ? "fwpeek /?" : "fwpeek";
        fake::script.output_type = type;
        fake::script.failing_writes = {n};
        RunResult run = RunProgram();
        EXPECT_EQ(run.status, 1u) << "write " << n;
        EXPECT_NE(run.out, whole) << "write " << n;
        EXPECT_EQ(SecondLine(run.err), "Erreur E/S 112.") << "write " << n;
      }
    }
  }
}

// Bytes wait in the buffer of a file-type output when the help screen runs out of memory
// part way; with a debugger attached the closing must not hand them over.
TEST_F(RunTest, DebuggerAttachedGetsTheFailureBackUntouched) {
  auto start = [](long allowed) {
    ResetProgram();
    fake::script.command_line = "fwpeek /?";
    fake::script.output_type = platform::FILE_TYPE_DISK;
    static long budget;
    budget = allowed;
    StartUpTestUnit = [] { AllocationsLeft = budget; };
  };
  long allowed = 0;
  for (; allowed < 40; ++allowed) {
    start(allowed);
    RunResult run = RunProgram();
    if (run.status == 1 && !run.out.empty()) break;
  }
  ASSERT_LT(allowed, 40) << "no run failed with bytes buffered";
  start(allowed);
  fake::script.debugger = true;
  EXPECT_THROW(RunProgram(), fake::GivenBack);
  AllocationsLeft = -1;
  EXPECT_EQ(fake::record.filter_calls, 1);
  EXPECT_TRUE(fake::record.writes.empty());
  EXPECT_EQ(fake::record.write_calls, 0);
}

TEST_F(RunTest, FilterAskedAgainForTheFailureThatTakesThePlace) {
  fake::script.std_handles[1] = nullptr;
  RunResult run = RunProgram();
  EXPECT_EQ(run.status, 1u);
  EXPECT_EQ(fake::record.filter_calls, 2);    // 105 at opening, then 103 at closing
  EXPECT_EQ(fake::record.writes.size(), 2u);  // a single report
}

TEST_F(RunTest, FailureLeavingTheStartUpIsRunError217) {
  StartUpTestUnit = [] { RaiseInOutError(5, reinterpret_cast<void*>(0x401234)); };
  RunResult run = RunProgram();
  EXPECT_EQ(run.status, 217u);
  EXPECT_EQ(run.out, std::string("Runtime error 217 at 00401234") + '\0' + "\r\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(RunTest, ExhaustedMemoryLeavingTheStartUpIsRunError217) {
  // The object raised is one the start-up's own undoing destroys.
  StartUpTestUnit = [] {
    AllocationsLeft = 0;
    Text exhausted("x");
  };
  RunResult run = RunProgram();
  EXPECT_EQ(run.status, 217u);
  EXPECT_EQ(run.out.substr(0, 21), "Runtime error 217 at ");
  EXPECT_EQ(fake::record.filter_calls, 1);
}

TEST_F(RunTest, StartUpFailureTakesTheUnitsDownBeforeTheSystemIsAsked) {
  StartUpTestUnit = [] { RaiseInOutError(5, nullptr); };
  fake::script.debugger = true;
  EXPECT_THROW(RunProgram(), fake::GivenBack);
  EXPECT_FALSE(FailuresReady());
}

TEST_F(RunTest, MemoryExhaustedBeforeTheMachineryIsRunError203) {
  AllocationsLeft = 0;
  RunResult run = RunProgram();
  EXPECT_EQ(run.status, 203u);
  EXPECT_TRUE(std::regex_match(run.out, std::regex(std::string("Runtime error 203 at "
                                                               "([0-9A-F]{8}){1,2}") +
                                                   '\0' + "\r\n")))
      << run.out;
}

TEST_F(RunTest, MemoryExhaustedDuringTheRunIsReported) {
  // Let the start-up through, then fail everything after it.
  StartUpTestUnit = [] { AllocationsLeft = 0; };
  RunResult run = RunProgram();
  EXPECT_EQ(run.status, 1u);
  EXPECT_EQ(SecondLine(run.err), "M\x82moire insuffisante.");
}

}  // namespace
