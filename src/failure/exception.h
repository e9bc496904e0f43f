// Failure objects: one class tree under Exception, each object with its own class name and
// a French message. Failures are raised as pointers (throw Exception*), so that the same
// object can be raised again and a handler decides when it is released.
#ifndef FWPEEK_FAILURE_EXCEPTION_H_
#define FWPEEK_FAILURE_EXCEPTION_H_

#include "base/text.h"
#include "platform/platform.h"

class Exception {
 public:
  explicit Exception(Text message) : message_(static_cast<Text&&>(message)) {}
  virtual ~Exception() = default;
  Exception(const Exception&) = delete;
  Exception& operator=(const Exception&) = delete;

  // The most derived class's name.
  virtual const char* ClassName() const { return "Exception"; }
  const Text& Message() const { return message_; }

  // Where it was raised: the code address the failure report shows.
  void* raise_address = nullptr;
  // The objects made in advance for memory failures are never released by a handler.
  bool single_instance = false;
  // The system's filter has already been asked about this failure.
  bool offered = false;

 private:
  Text message_;
};

#define FWPEEK_FAILURE_CLASS(Name, Parent)                   \
  class Name : public Parent {                               \
   public:                                                   \
    using Parent::Parent;                                    \
    const char* ClassName() const override { return #Name; } \
  }

FWPEEK_FAILURE_CLASS(EHeapException, Exception);
FWPEEK_FAILURE_CLASS(EOutOfMemory, EHeapException);
FWPEEK_FAILURE_CLASS(EInvalidPointer, EHeapException);

class EInOutError : public Exception {
 public:
  EInOutError(Text message, int code) : Exception(static_cast<Text&&>(message)), error_code(code) {}
  const char* ClassName() const override { return "EInOutError"; }
  int error_code;
};

// Faults that the processor or the system signals; they keep the system's record.
class EExternal : public Exception {
 public:
  EExternal(Text message, const platform::EXCEPTION_RECORD& record)
      : Exception(static_cast<Text&&>(message)), exception_record(record) {}
  const char* ClassName() const override { return "EExternal"; }
  platform::EXCEPTION_RECORD exception_record;
};

FWPEEK_FAILURE_CLASS(EExternalException, EExternal);
FWPEEK_FAILURE_CLASS(EIntError, EExternal);
FWPEEK_FAILURE_CLASS(EDivByZero, EIntError);
FWPEEK_FAILURE_CLASS(ERangeError, EIntError);
FWPEEK_FAILURE_CLASS(EIntOverflow, EIntError);
FWPEEK_FAILURE_CLASS(EMathError, EExternal);
FWPEEK_FAILURE_CLASS(EInvalidOp, EMathError);
FWPEEK_FAILURE_CLASS(EZeroDivide, EMathError);
FWPEEK_FAILURE_CLASS(EOverflow, EMathError);
FWPEEK_FAILURE_CLASS(EUnderflow, EMathError);
FWPEEK_FAILURE_CLASS(EAccessViolation, EExternal);
FWPEEK_FAILURE_CLASS(EPrivilege, EExternal);
FWPEEK_FAILURE_CLASS(EStackOverflow, EExternal);
FWPEEK_FAILURE_CLASS(EControlC, EExternal);

// Members of the tree that no path of the program raises.
FWPEEK_FAILURE_CLASS(EInvalidCast, Exception);
FWPEEK_FAILURE_CLASS(EConvertError, Exception);
FWPEEK_FAILURE_CLASS(EVariantError, Exception);
FWPEEK_FAILURE_CLASS(EAssertionFailed, Exception);
FWPEEK_FAILURE_CLASS(EAbstractError, Exception);
FWPEEK_FAILURE_CLASS(EIntfCastError, Exception);
FWPEEK_FAILURE_CLASS(ESafecallException, Exception);

#endif  // FWPEEK_FAILURE_EXCEPTION_H_
