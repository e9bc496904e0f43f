#include "main/probe.h"

#include <gtest/gtest.h>

#include <string>

#include "failure/exception.h"
#include "failure/raise.h"
#include "main/memory.h"
#include "main/startup.h"
#include "tests/program.h"

namespace {

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    StartUp();
  }
  void TearDown() override {
    AllocationsLeft = -1;
    try {
      Shutdown(0);
    } catch (const fake::Exited&) {
    }
  }
  std::string Probe(long allocations = -1) {
    Text r("held before");
    AllocationsLeft = allocations;
    GetFirmwareType(r);
    AllocationsLeft = -1;
    return std::string(r.data(), r.length());
  }
};

TEST_F(ProbeTest, OneRequestWithExactArguments) {
  EXPECT_EQ(Probe(), "Legacy BIOS");
  EXPECT_EQ(fake::record.probe_calls, 1);
  EXPECT_EQ(fake::record.probe_name, "");
  EXPECT_EQ(fake::record.probe_guid, "{00000000-0000-0000-0000-000000000000}");
  EXPECT_EQ(fake::record.probe_buffer, nullptr);
  EXPECT_EQ(fake::record.probe_size, 0u);
}

TEST_F(ProbeTest, OnlyCodeOneIsLegacyWhateverTheAnswer) {
  struct {
    platform::DWORD code, answer;
    const char* result;
  } cases[] = {{1, 0, "Legacy BIOS"}, {1, 4, "Legacy BIOS"}, {0, 0, "UEFI Mode"},
               {998, 0, "UEFI Mode"}, {5, 0, "UEFI Mode"},   {203, 0, "UEFI Mode"}};
  for (const auto& c : cases) {
    fake::script.probe_error = c.code;
    fake::script.probe_answer = c.answer;
    EXPECT_EQ(Probe(), c.result) << c.code;
  }
}

void ReadNull() { (void)*static_cast<volatile int*>(nullptr); }
void WriteNull() { *static_cast<volatile int*>(nullptr) = 1; }
volatile int zero = 0;
void DivideByZero() { zero = 1 / zero; }
void RaiseInOut() { RaiseInOutError(5, nullptr); }

TEST_F(ProbeTest, FailureDuringTheRequestBecomesTheResult) {
  struct {
    void (*action)();
    std::string prefix;
    std::string suffix;
  } cases[] = {
      {ReadNull, "EAccessViolation : Violation d'acc\xE8s \xE0 l'adresse ",
       ". Lecture de l'adresse 00000000"},
      {WriteNull, "EAccessViolation : Violation d'acc\xE8s \xE0 l'adresse ",
       ". Ecriture de l'adresse 00000000"},
      {DivideByZero, "EDivByZero : Division par z\xE9ro", ""},
      {RaiseInOut, "EInOutError : Acc\xE8s au fichier refus\xE9", ""},
  };
  for (const auto& c : cases) {
    fake::script.probe_action = c.action;
    std::string r = Probe();
    EXPECT_EQ(r.substr(0, c.prefix.size()), c.prefix) << r;
    ASSERT_GE(r.size(), c.suffix.size());
    EXPECT_EQ(r.substr(r.size() - c.suffix.size()), c.suffix) << r;
  }
}

TEST_F(ProbeTest, ExhaustedMemoryInTheRequestIsHandledButNotWhileBuildingTheText) {
  try {
    Probe(0);
    ADD_FAILURE() << "building the failure text needs memory";
  } catch (Exception* failure) {
    AllocationsLeft = -1;
    EXPECT_STREQ(failure->ClassName(), "EOutOfMemory");
  }
  fake::script.probe_action = [] {
    AllocationsLeft = 0;
    try {
      Text exhausted("x");
    } catch (...) {
      AllocationsLeft = -1;  // memory comes back for the failure text
      throw;
    }
  };
  EXPECT_EQ(Probe(), "EOutOfMemory : M\xE9moire insuffisante");
}

}  // namespace
