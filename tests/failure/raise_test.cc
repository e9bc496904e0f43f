#include "failure/raise.h"

#include <gtest/gtest.h>

#include <string>

#include "console/stream.h"
#include "failure/report.h"
#include "main/memory.h"
#include "main/startup.h"
#include "tests/program.h"

namespace {

using namespace platform;

class RaiseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    StartFailures();
  }
  void TearDown() override {
    AllocationsLeft = -1;
    StopFailures();
  }
};

std::string Message(const Exception& e) { return std::string(e.Message().data()); }

TEST_F(RaiseTest, InOutMessagesByCode) {
  struct {
    int code;
    const char* message;
  } cases[] = {
      {2, "Fichier introuvable"},
      {3, "Nom de fichier incorrect"},
      {4, "Trop de fichiers ouverts"},
      {5, "Acc\xE8s au fichier refus\xE9"},
      {100, "Lecture au-del\xE0 de la fin de fichier"},
      {101, "Disque plein"},
      {106, "Saisie num\xE9rique incorrecte"},
      {103, "Erreur E/S 103"},
      {105, "Erreur E/S 105"},
      {232, "Erreur E/S 232"},
      {-7, "Erreur E/S -7"},
  };
  for (const auto& c : cases) {
    InOutResult = c.code;
    try {
      Check();
      ADD_FAILURE() << c.code;
    } catch (Exception* failure) {
      EXPECT_STREQ(failure->ClassName(), "EInOutError");
      EXPECT_EQ(Message(*failure), c.message);
      EXPECT_EQ(static_cast<EInOutError*>(failure)->error_code, c.code);
      EXPECT_EQ(InOutResult, 0);
      ReleaseFailure(failure);
    }
  }
}

TEST_F(RaiseTest, ObjectsForSystemExceptions) {
  struct {
    DWORD code;
    const char* class_name;
    const char* message;
  } cases[] = {
      {EXCEPTION_INT_DIVIDE_BY_ZERO, "EDivByZero", "Division par z\xE9ro"},
      {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "ERangeError", "Erreur de v\xE9rification d'\xE9tendue"},
      {EXCEPTION_INT_OVERFLOW, "EIntOverflow",
       "D\xE9"
       "bordement d'entier"},
      {EXCEPTION_FLT_INEXACT_RESULT, "EInvalidOp", "Op\xE9ration en virgule flottante incorrecte"},
      {EXCEPTION_FLT_INVALID_OPERATION, "EInvalidOp",
       "Op\xE9ration en virgule flottante incorrecte"},
      {EXCEPTION_FLT_STACK_CHECK, "EInvalidOp", "Op\xE9ration en virgule flottante incorrecte"},
      {EXCEPTION_FLT_DIVIDE_BY_ZERO, "EZeroDivide", "Division par z\xE9ro en virgule flottante"},
      {EXCEPTION_FLT_OVERFLOW, "EOverflow",
       "D\xE9"
       "bordement en virgule flottante"},
      {EXCEPTION_FLT_DENORMAL_OPERAND, "EUnderflow",
       "D\xE9"
       "bordement inf\xE9rieur flottant"},
      {EXCEPTION_FLT_UNDERFLOW, "EUnderflow",
       "D\xE9"
       "bordement inf\xE9rieur flottant"},
      {EXCEPTION_PRIV_INSTRUCTION, "EPrivilege",
       "Instruction privil\xE9gi\xE9"
       "e"},
      {CONTROL_C_EXIT, "EControlC", "Frappe de Contr\xF4le-C"},
      {EXCEPTION_STACK_OVERFLOW, "EStackOverflow",
       "D\xE9"
       "bordement de pile"},
      {EXCEPTION_ILLEGAL_INSTRUCTION, "EExternalException", "Exception externe C000001D"},
      {0x00000010, "EExternalException", "Exception externe 10"},
  };
  for (const auto& c : cases) {
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = c.code;
    Exception* failure = MakeExternalFailure(record);
    EXPECT_STREQ(failure->ClassName(), c.class_name);
    EXPECT_EQ(Message(*failure), c.message) << c.class_name;
    EXPECT_EQ(static_cast<EExternal*>(failure)->exception_record.ExceptionCode, c.code);
    ReleaseFailure(failure);
  }
}

TEST_F(RaiseTest, AccessViolationNamesModuleKindAndAddresses) {
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
  record.ExceptionAddress = reinterpret_cast<void*>(0x00401234);
  record.NumberParameters = 2;
  record.ExceptionInformation[1] = 0;
  std::unique_ptr<Exception> read(MakeExternalFailure(record));
  EXPECT_STREQ(read->ClassName(), "EAccessViolation");
  EXPECT_EQ(Message(*read),
            "Violation d'acc\xE8s \xE0 l'adresse 00401234 dans le module 'fwpeek.exe'. "
            "Lecture de l'adresse 00000000");
  record.ExceptionInformation[0] = 1;
  record.ExceptionInformation[1] = 0x10;
  fake::script.in_module = false;
  std::unique_ptr<Exception> write(MakeExternalFailure(record));
  EXPECT_EQ(Message(*write),
            "Violation d'acc\xE8s \xE0 l'adresse 00401234. Ecriture de l'adresse 00000010");
}

TEST_F(RaiseTest, MemoryFailuresRaiseTheSameObjectEveryTime) {
  Exception* seen[2] = {};
  for (Exception*& s : seen) {
    AllocationsLeft = 0;
    try {
      Text t("x");
      ADD_FAILURE();
    } catch (Exception* failure) {
      s = failure;
      ReleaseFailure(failure);  // stays alive
    }
    AllocationsLeft = -1;
  }
  ASSERT_NE(seen[0], nullptr);
  EXPECT_EQ(seen[0], seen[1]);
  EXPECT_STREQ(seen[0]->ClassName(), "EOutOfMemory");
  EXPECT_EQ(Message(*seen[0]), "M\xE9moire insuffisante");
}

TEST_F(RaiseTest, ExhaustedWhileMakingTheFailureRaisesOutOfMemoryInstead) {
  InOutResult = 5;
  AllocationsLeft = 0;
  const char* raised = "(nothing)";
  try {
    Check();
  } catch (Exception* failure) {
    raised = failure->ClassName();
  }
  AllocationsLeft = -1;
  EXPECT_STREQ(raised, "EOutOfMemory");
  EXPECT_EQ(InOutResult, 0);  // the code is lost
}

TEST_F(RaiseTest, AccessViolationNamesTheFileAfterABackslashOrAColon) {
  struct {
    const char* path;
    const char* in_message;
    const char* in_report;
  } cases[] = {
      {"C:\\Programmes\\fwpeek\\fwpeek.exe", "fwpeek.exe", "fwpeek.exe"},
      {"C:fwpeek.exe", "fwpeek.exe", "C:fwpeek.exe"},
      {"fwpeek.exe", "fwpeek.exe", "fwpeek.exe"},
  };
  for (const auto& c : cases) {
    fake::script.module_path = c.path;
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    std::unique_ptr<Exception> failure(MakeExternalFailure(record));
    EXPECT_NE(Message(*failure).find(std::string("dans le module '") + c.in_message + "'."),
              std::string::npos)
        << c.path;
    fake::record = fake::Record();
    WriteFailureReport(*failure);
    EXPECT_EQ(fake::WrittenTo(fake::ErrorHandle())
                  .find(std::string("dans le module ") + c.in_report + " dans "),
              0u + sizeof "Exception EAccessViolation " - 1)
        << c.path;
  }
}

// A block memory management does not hold, wherever it is found; each run is a process of
// its own, since the run ends from inside the release.
void ReleaseNotHeld() {
  alignas(16) static char not_a_block[64] = {};
  void* volatile not_held = not_a_block + 16;
  operator delete(not_held);
}

TEST(MemoryTest, BlockNotHeldDuringTheRunIsReportedAsInvalidPointer) {
  EXPECT_EXIT(
      {
        ResetProgram();
        fake::script.for_real = true;
        fake::script.on_first_write = ReleaseNotHeld;
        RunProgram();
      },
      ::testing::ExitedWithCode(1),
      "Exception EInvalidPointer dans le module .*\r\nOp\x82ration de pointeur incorrecte[.]");
}

TEST(MemoryTest, BlockNotHeldLeavingTheStartUpIsRunError217) {
  EXPECT_EXIT(
      {
        ResetProgram();
        fake::script.for_real = true;
        StartUpTestUnit = ReleaseNotHeld;
        RunProgram();
      },
      ::testing::ExitedWithCode(217), "");
}

TEST(MemoryTest, BlockNotHeldBeforeTheMachineryIsRunError204) {
  EXPECT_EXIT(
      {
        ResetProgram();
        fake::script.for_real = true;
        ReleaseNotHeld();
      },
      ::testing::ExitedWithCode(204), "");
}

}  // namespace
