#include "console/stream.h"

#include <gtest/gtest.h>

#include <string>

#include "failure/exception.h"
#include "tests/platform/fake.h"
#include "tests/program.h"

namespace {

class StreamTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
  void TearDown() override { InOutResult = 0; }

  void OpenOn(platform::DWORD type) {
    fake::script.output_type = type;
    OpenOutput();
    ASSERT_EQ(InOutResult, 0);
  }
  std::vector<size_t> Sizes() {
    std::vector<size_t> sizes;
    for (const auto& w : fake::record.writes) sizes.push_back(w.bytes.size());
    return sizes;
  }
};

TEST_F(StreamTest, ConsoleLineGoesOutWholeAtItsEnd) {
  OpenOn(platform::FILE_TYPE_CHAR);
  WriteText("Legacy BIOS", 11);
  EXPECT_EQ(fake::record.write_calls, 0);
  WriteLineEnd();
  ASSERT_EQ(Sizes(), std::vector<size_t>{13});
  EXPECT_EQ(fake::WrittenTo(fake::OutputHandle()), "Legacy BIOS\r\n");
}

TEST_F(StreamTest, FileOrPipeSeesTheLineOnlyAtClosing) {
  for (platform::DWORD type : {platform::FILE_TYPE_DISK, platform::FILE_TYPE_PIPE}) {
    ResetProgram();
    OpenOn(type);
    WriteText("UEFI Mode", 9);
    WriteLineEnd();
    EXPECT_EQ(fake::record.write_calls, 0);
    CloseOutput();
    EXPECT_EQ(Sizes(), std::vector<size_t>{11});
    EXPECT_EQ(InOutResult, 0);
  }
}

TEST_F(StreamTest, BufferEdges) {
  struct Case {
    const char* name;
    std::vector<size_t> texts;  // lengths written in turn
    std::vector<size_t> writes;
    size_t left;
  } cases[] = {
      {"text that exactly fills the buffer", {100, 28}, {128}, 0},
      {"text one byte short of filling the buffer", {100, 27}, {}, 127},
      {"300 bytes into an empty buffer", {300}, {128, 128}, 44},
      {"empty text", {0}, {}, 0},
  };
  for (const Case& c : cases) {
    ResetProgram();
    OpenOn(platform::FILE_TYPE_DISK);
    for (size_t n : c.texts) WriteText(std::string(n, 'x').data(), n);
    EXPECT_EQ(Sizes(), c.writes) << c.name;
    EXPECT_EQ(StandardOutput.count, c.left) << c.name;
  }
}

TEST_F(StreamTest, CharacterThatFillsTheBufferWaitsForTheNextByte) {
  OpenOn(platform::FILE_TYPE_DISK);
  WriteText(std::string(127, 'x').data(), 127);
  WriteChar(' ');
  EXPECT_EQ(fake::record.write_calls, 0);
  EXPECT_EQ(StandardOutput.count, 128u);
  WriteChar('y');
  EXPECT_EQ(Sizes(), std::vector<size_t>{128});
  EXPECT_EQ(StandardOutput.count, 1u);
}

TEST_F(StreamTest, FailedWriteDropsTheRestAndLeavesTheCode) {
  OpenOn(platform::FILE_TYPE_DISK);
  fake::script.failing_writes = {1};
  fake::script.write_error = 112;
  WriteText(std::string(300, 'x').data(), 300);
  EXPECT_EQ(InOutResult, 112);
  EXPECT_EQ(StandardOutput.count, 0u);  // the rest of the text is dropped
  EXPECT_TRUE(fake::record.writes.empty());
  InOutResult = 0;
  CloseOutput();  // nothing left: no call
  EXPECT_EQ(fake::record.write_calls, 1);
  EXPECT_EQ(InOutResult, 0);
}

TEST_F(StreamTest, LineEndStillGoesOutAfterAFailureAndTheLastCodeWins) {
  OpenOn(platform::FILE_TYPE_CHAR);
  WriteText(std::string(126, 'x').data(), 126);
  fake::script.failing_writes = {1, 2};
  fake::script.write_error = 5;
  WriteText("abc", 3);  // "ab" fills the buffer, the write fails, "c" is dropped
  EXPECT_EQ(InOutResult, 5);
  fake::script.write_error = 232;
  WriteLineEnd();  // written out in its turn, and fails again
  EXPECT_EQ(fake::record.write_calls, 2);
  EXPECT_EQ(InOutResult, 232);
}

TEST_F(StreamTest, OpeningCodes) {
  struct Case {
    const char* name;
    platform::HANDLE handle;
    platform::DWORD type;
    int code;
    bool closed_handle;
  } cases[] = {
      {"refused handle", platform::InvalidHandleValue(), platform::FILE_TYPE_CHAR, 6, false},
      {"null handle", nullptr, platform::FILE_TYPE_CHAR, 105, true},
      {"unknown type", fake::OutputHandle(), platform::FILE_TYPE_UNKNOWN, 105, true},
  };
  for (const Case& c : cases) {
    ResetProgram();
    fake::script.std_handles[1] = c.handle;
    fake::script.output_type = c.type;
    fake::script.std_error = 6;
    OpenOutput();
    EXPECT_EQ(InOutResult, c.code) << c.name;
    EXPECT_EQ(StandardOutput.state, StreamState::kNotOpen) << c.name;
    EXPECT_EQ(fake::record.closed.size(), c.closed_handle ? 1u : 0u) << c.name;
    InOutResult = 0;
    WriteText("x", 1);  // tries to open again, fails again, drops the text
    EXPECT_EQ(InOutResult, 105) << c.name;
    InOutResult = 0;
    CloseOutput();
    EXPECT_EQ(InOutResult, 103) << c.name;
    EXPECT_EQ(fake::record.write_calls, 0) << c.name;
  }
}

TEST_F(StreamTest, InputAcceptsANullHandleAndClosingItNeverFails) {
  fake::script.std_handles[0] = nullptr;
  OpenInput();
  EXPECT_EQ(InOutResult, 0);
  CloseInput();
  CloseInput();
  EXPECT_EQ(InOutResult, 0);
  ResetProgram();
  CloseInput();  // not open: nothing either
  EXPECT_EQ(InOutResult, 0);
}

TEST_F(StreamTest, ClosingKeepsTheHandleAndTheStreamOpen) {
  OpenOn(platform::FILE_TYPE_DISK);
  WriteText("a", 1);
  CloseOutput();
  CloseOutput();
  EXPECT_EQ(InOutResult, 0);
  EXPECT_EQ(StandardOutput.state, StreamState::kWriting);
  EXPECT_TRUE(fake::record.closed.empty());
  EXPECT_EQ(fake::record.write_calls, 1);
}

TEST_F(StreamTest, WriteOutHandsOverWhateverTheTypeAndNothingWhenNotOpen) {
  WriteOut();
  EXPECT_EQ(InOutResult, 0);
  OpenOn(platform::FILE_TYPE_DISK);
  WriteText("ab", 2);
  WriteOut();
  EXPECT_EQ(fake::WrittenTo(fake::OutputHandle()), "ab");
}

TEST_F(StreamTest, CheckRaisesOnceAndTakesTheCode) {
  Check();  // nothing pending
  InOutResult = 232;
  try {
    Check();
    FAIL() << "no failure raised";
  } catch (Exception* failure) {
    EInOutError* io = dynamic_cast<EInOutError*>(failure);
    ASSERT_NE(io, nullptr);
    EXPECT_EQ(io->error_code, 232);
    EXPECT_EQ(InOutResult, 0);
    EXPECT_NE(failure->raise_address, nullptr);
    delete failure;
  }
  Check();
}

}  // namespace
