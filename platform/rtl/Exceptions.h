#pragma once
// The exception classes of the framework, in their classic tree, and the
// exception being handled (ExceptObject, ExceptAddr).
//
// Every class reports its own name through ClassName(), so handlers and logs
// can name the class without RTTI name mangling. Is-a tests are ordinary
// dynamic_casts.

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Export.h"

namespace RV_API rv {

class Exception : public std::exception {
 public:
  Exception() = default;
  explicit Exception(std::string message) : FMessage(std::move(message)) {}

  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  int HelpContext() const { return FHelpContext; }
  void SetHelpContext(int value) { FHelpContext = value; }

  const char* what() const noexcept override { return FMessage.c_str(); }
  virtual std::string ClassName() const { return "Exception"; }

 private:
  std::string FMessage;
  int FHelpContext = 0;
};

#define RV_DECLARE_EXCEPTION(Name, Base)                     \
  class Name : public Base {                                 \
   public:                                                   \
    using Base::Base;                                        \
    std::string ClassName() const override { return #Name; } \
  }

// An exception carrying an operating-system or I/O error code.
class EOSError : public Exception {
 public:
  EOSError() = default;
  explicit EOSError(std::string message, int errorCode = 0) : Exception(std::move(message)), FErrorCode(errorCode) {}
  int ErrorCode() const { return FErrorCode; }
  std::string ClassName() const override { return "EOSError"; }

 private:
  int FErrorCode = 0;
};
// The classic name of EOSError, kept as an alias: an EOSError is an EWin32Error.
using EWin32Error = EOSError;

class EInOutError : public Exception {
 public:
  EInOutError() = default;
  explicit EInOutError(std::string message, int errorCode = 0) : Exception(std::move(message)), FErrorCode(errorCode) {}
  int ErrorCode() const { return FErrorCode; }
  std::string ClassName() const override { return "EInOutError"; }

 private:
  int FErrorCode = 0;
};

// Runtime library.
RV_DECLARE_EXCEPTION(EAbort, Exception);
RV_DECLARE_EXCEPTION(EHeapException, Exception);
RV_DECLARE_EXCEPTION(EOutOfMemory, EHeapException);
RV_DECLARE_EXCEPTION(EInvalidPointer, EHeapException);
RV_DECLARE_EXCEPTION(EExternal, Exception);
RV_DECLARE_EXCEPTION(EIntError, EExternal);
RV_DECLARE_EXCEPTION(EDivByZero, EIntError);
RV_DECLARE_EXCEPTION(ERangeError, EIntError);
RV_DECLARE_EXCEPTION(EIntOverflow, EIntError);
RV_DECLARE_EXCEPTION(EMathError, EExternal);
RV_DECLARE_EXCEPTION(EInvalidOp, EMathError);
RV_DECLARE_EXCEPTION(EZeroDivide, EMathError);
RV_DECLARE_EXCEPTION(EOverflow, EMathError);
RV_DECLARE_EXCEPTION(EUnderflow, EMathError);
RV_DECLARE_EXCEPTION(EAccessViolation, EExternal);
RV_DECLARE_EXCEPTION(EPrivilege, EExternal);
RV_DECLARE_EXCEPTION(EStackOverflow, EExternal);
RV_DECLARE_EXCEPTION(EControlC, EExternal);
RV_DECLARE_EXCEPTION(EExternalException, EExternal);
RV_DECLARE_EXCEPTION(EInvalidCast, Exception);
RV_DECLARE_EXCEPTION(EConvertError, Exception);
RV_DECLARE_EXCEPTION(EVariantError, Exception);
RV_DECLARE_EXCEPTION(EPropReadOnly, Exception);
RV_DECLARE_EXCEPTION(EPropWriteOnly, Exception);
RV_DECLARE_EXCEPTION(EAssertionFailed, Exception);
RV_DECLARE_EXCEPTION(EAbstractError, Exception);
RV_DECLARE_EXCEPTION(EIntfCastError, Exception);
RV_DECLARE_EXCEPTION(EInvalidContainer, Exception);
RV_DECLARE_EXCEPTION(EInvalidInsert, Exception);
RV_DECLARE_EXCEPTION(EPackageError, Exception);
RV_DECLARE_EXCEPTION(EArgumentException, Exception);

// Streams and the component library.
RV_DECLARE_EXCEPTION(EStreamError, Exception);
RV_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
RV_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
RV_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
RV_DECLARE_EXCEPTION(EFilerError, EStreamError);
RV_DECLARE_EXCEPTION(EReadError, EFilerError);
RV_DECLARE_EXCEPTION(EWriteError, EFilerError);
RV_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
RV_DECLARE_EXCEPTION(EMethodNotFound, EFilerError);
RV_DECLARE_EXCEPTION(EInvalidImage, EFilerError);
RV_DECLARE_EXCEPTION(EResNotFound, Exception);
RV_DECLARE_EXCEPTION(EListError, Exception);
RV_DECLARE_EXCEPTION(EBitsError, Exception);
RV_DECLARE_EXCEPTION(EStringListError, Exception);
RV_DECLARE_EXCEPTION(EComponentError, Exception);
RV_DECLARE_EXCEPTION(EParserError, Exception);
RV_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory);
RV_DECLARE_EXCEPTION(EInvalidOperation, Exception);
RV_DECLARE_EXCEPTION(EThread, Exception);

// Graphics.
RV_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
RV_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

// A C++ exception that is not an Exception (a std::exception or anything
// else thrown), handed to the application's handler: its class name is the
// C++ type ("std::out_of_range"), its message what() where there is one.
class EStdException : public Exception {
 public:
  EStdException(std::string className, std::string message)
      : Exception(std::move(message)), FClassName(std::move(className)) {}
  std::string ClassName() const override { return FClassName; }

 private:
  std::string FClassName;
};

// ---- The exception being handled ----------------------------------------

// While a handler runs inside a TExceptionScope (the application's exception
// handling, a thread's fatal exception), the exception it handles; null
// otherwise. Scopes nest per thread.
Exception* ExceptObject();
// The address where the exception being handled was raised (the throw site,
// recorded for every C++ exception, also those thrown inside the standard
// library); null when no exception is being handled.
void* ExceptAddr();

// The address where the exception held by `error` was raised, or null when it
// was not recorded.
void* ThrowAddress(const std::exception_ptr& error);

// The code addresses of the call stack where the exception held by `error`
// was raised, innermost first; empty unless a TCallStackRequest existed at
// the throw.
std::vector<void*> ThrowCallStack(const std::exception_ptr& error);
// ThrowCallStack of the exception being handled.
std::vector<void*> ExceptCallStack();

// While one exists, every throw also records its call stack (addresses
// only; naming them is left to whoever writes them down).
class TCallStackRequest {
 public:
  TCallStackRequest();
  ~TCallStackRequest();
  TCallStackRequest(const TCallStackRequest&) = delete;
  TCallStackRequest& operator=(const TCallStackRequest&) = delete;
};

// The framework's standard description of an exception: its class name, the
// module and address where it was raised, and its message.
std::string ExceptionErrorMessage(const Exception& E, const void* address);

// Makes an exception the one being handled on this thread for the scope's
// lifetime. A C++ exception that is not an Exception is handed on as an
// EStdException (std::bad_alloc as EOutOfMemory), which the scope owns.
class TExceptionScope {
 public:
  explicit TExceptionScope(std::exception_ptr error);
  // For an exception that was never thrown (a fault that ends the process):
  // where it happened is given.
  TExceptionScope(std::exception_ptr error, void* address, std::vector<void*> callStack);
  ~TExceptionScope();
  TExceptionScope(const TExceptionScope&) = delete;
  TExceptionScope& operator=(const TExceptionScope&) = delete;

  Exception& Object() const { return *FObject; }
  void* Address() const { return FAddress; }
  const std::vector<void*>& CallStack() const { return FCallStack; }

 private:
  std::exception_ptr FError;
  std::unique_ptr<Exception> FConverted;
  Exception* FObject = nullptr;
  void* FAddress = nullptr;
  std::vector<void*> FCallStack;
  TExceptionScope* FOuter = nullptr;
};

// Converts any exception to an Exception that can be stored beyond the catch
// (a thread's fatal exception): an Exception is kept as thrown, anything else
// is converted as TExceptionScope does.
std::shared_ptr<Exception> AcquireException(const std::exception_ptr& error);

}  // namespace rv
