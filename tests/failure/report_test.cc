#include "failure/report.h"

#include <gtest/gtest.h>

#include <string>

#include "console/stream.h"
#include "failure/last-resort.h"
#include "failure/raise.h"
#include "main/startup.h"
#include "tests/program.h"

namespace {

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
  std::string Report(const Exception& failure) {
    WriteFailureReport(failure);
    return fake::WrittenTo(fake::ErrorHandle());
  }
};

TEST_F(ReportTest, TwoLinesAndAnEmptyOneInTheOemCodePage) {
  EInOutError failure(Text("Acc\xE8s au fichier refus\xE9"), 5);
  fake::script.module_base = reinterpret_cast<void*>(0x400000);
  failure.raise_address = reinterpret_cast<void*>(0x401A2C);
  EXPECT_EQ(Report(failure),
            "Exception EInOutError dans le module fwpeek.exe dans 00001A2C.\r\n"
            "Acc\x8As au fichier refus\x82.\r\n\r\n");
  ASSERT_EQ(fake::record.writes.size(), 2u);
  EXPECT_EQ(fake::record.writes[1].bytes, "\r\n");
}

TEST_F(ReportTest, EndMark) {
  struct {
    const char* message;
    const char* second_line;
  } cases[] = {{"Disque plein", "Disque plein."}, {"Fin.", "Fin."}, {"", ""}};
  for (const auto& c : cases) {
    ResetProgram();
    Exception failure{Text(c.message)};
    std::string report = Report(failure);
    size_t first = report.find("\r\n") + 2;
    EXPECT_EQ(report.substr(first), std::string(c.second_line) + "\r\n\r\n") << c.message;
  }
}

TEST_F(ReportTest, OutsideAnyModuleTheProgramAndTheImageRule) {
  fake::script.in_module = false;
  fake::script.module_path = "fwpeek.exe";  // no backslash: the whole path
  Exception failure{Text("x")};
  failure.raise_address = reinterpret_cast<void*>(0x405000);
  EXPECT_EQ(Report(failure).substr(0, 60),
            "Exception Exception dans le module fwpeek.exe dans 00404000.");
  ResetProgram();
  fake::script.in_module = false;
  failure.raise_address = nullptr;
  EXPECT_NE(Report(failure).find("dans 00000000."), std::string::npos);
}

TEST_F(ReportTest, LongReportIsCutAt1023Characters) {
  Exception failure{Text(std::string(2000, 'm').c_str())};
  std::string report = Report(failure);
  EXPECT_EQ(report.size(), 1023u + 2u);
}

TEST_F(ReportTest, FailureOfTheReportsOwnWriteOutIsReportedInstead) {
  StartUp();
  fake::script.output_type = platform::FILE_TYPE_DISK;
  OpenOutput();
  WriteText("Legacy", 6);
  fake::script.failing_writes = {1};
  unsigned status = 0;
  try {
    ReportAndExit(new Exception(Text("d\xE9j\xE0 en cours")));
  } catch (const fake::Exited& exit) {
    status = exit.status;
  }
  EXPECT_EQ(status, 1u);
  std::string err = fake::WrittenTo(fake::ErrorHandle());
  EXPECT_EQ(err.substr(0, 22), "Exception EInOutError ");
  EXPECT_NE(err.find("\r\nErreur E/S 112.\r\n\r\n"), std::string::npos);
  EXPECT_EQ(err.find("en cours"), std::string::npos);  // only one report
  EXPECT_EQ(fake::record.filter_calls, 2);
}

TEST_F(ReportTest, FaultOutsideTheMachineryIsARunError) {
  struct {
    platform::DWORD code;
    unsigned number;
  } cases[] = {{platform::EXCEPTION_ACCESS_VIOLATION, 216},
               {platform::EXCEPTION_INT_DIVIDE_BY_ZERO, 200},
               {platform::EXCEPTION_STACK_OVERFLOW, 202},
               {platform::EXCEPTION_ILLEGAL_INSTRUCTION, 255}};
  for (const auto& c : cases) {
    ResetProgram();
    platform::EXCEPTION_RECORD record = {};
    record.ExceptionCode = c.code;
    record.ExceptionAddress = reinterpret_cast<void*>(0x40ABCD);
    unsigned status = 0;
    try {
      RaiseFault(&record);
    } catch (const fake::Exited& exit) {
      status = exit.status;
    }
    EXPECT_EQ(status, c.number);
    EXPECT_EQ(fake::WrittenTo(fake::OutputHandle()),
              "Runtime error " + std::to_string(c.number) + " at 0040ABCD" + '\0' + "\r\n");
  }
}

}  // namespace
