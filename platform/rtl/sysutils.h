// The runtime's exceptions and the string, number and date helpers every library uses.
//
// Exceptions carry the message texts the system shows; descendants exist so that callers can
// catch one kind of failure (a conversion, a file, a list index) and let the others pass.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
  explicit Exception(std::string msg) : FMessage(std::move(msg)) {}
  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string msg) { FMessage = std::move(msg); }
  const char* what() const noexcept override { return FMessage.c_str(); }
  // Name of the exception class, as shown by the default error box and by scripts.
  virtual const char* ClassName() const { return "Exception"; }

private:
  std::string FMessage;
};

// Declares an exception class with its class name; every descendant the libraries raise or
// catch is declared this way so ClassName() reports the right name.
#define ORV_EXCEPTION(Name, Base)                                   \
  class Name : public Base {                                        \
  public:                                                           \
    using Base::Base;                                               \
    const char* ClassName() const override { return #Name; }        \
  };

// Silent exception: ends an operation without an error box.
ORV_EXCEPTION(EAbort, Exception)
ORV_EXCEPTION(EConvertError, Exception)
ORV_EXCEPTION(EOutOfMemory, Exception)
ORV_EXCEPTION(EInOutError, Exception)
ORV_EXCEPTION(EExternal, Exception)
ORV_EXCEPTION(EAccessViolation, EExternal)
ORV_EXCEPTION(EIntError, EExternal)
ORV_EXCEPTION(EDivByZero, EIntError)
ORV_EXCEPTION(ERangeError, EIntError)
ORV_EXCEPTION(EIntOverflow, EIntError)
ORV_EXCEPTION(EMathError, EExternal)
ORV_EXCEPTION(EInvalidOp, EMathError)
ORV_EXCEPTION(EZeroDivide, EMathError)
ORV_EXCEPTION(EOverflow, EMathError)
ORV_EXCEPTION(EUnderflow, EMathError)
ORV_EXCEPTION(EInvalidPointer, Exception)
ORV_EXCEPTION(EInvalidCast, Exception)
ORV_EXCEPTION(EVariantError, Exception)
ORV_EXCEPTION(EPropReadOnly, Exception)
ORV_EXCEPTION(EPropWriteOnly, Exception)
ORV_EXCEPTION(EAssertionFailed, Exception)
ORV_EXCEPTION(EAbstractError, Exception)
ORV_EXCEPTION(ENotImplemented, Exception)
ORV_EXCEPTION(EOSError, Exception)
ORV_EXCEPTION(EThread, Exception)
ORV_EXCEPTION(EOleError, Exception)
ORV_EXCEPTION(EOleSysError, EOleError)
ORV_EXCEPTION(EOleException, EOleSysError)
// Class-library exceptions.
ORV_EXCEPTION(EListError, Exception)
ORV_EXCEPTION(EStringListError, Exception)
ORV_EXCEPTION(EStreamError, Exception)
ORV_EXCEPTION(EFCreateError, EStreamError)
ORV_EXCEPTION(EFOpenError, EStreamError)
ORV_EXCEPTION(EFilerError, EStreamError)
ORV_EXCEPTION(EReadError, EFilerError)
ORV_EXCEPTION(EWriteError, EFilerError)
ORV_EXCEPTION(EClassNotFound, EFilerError)
ORV_EXCEPTION(EMethodNotFound, EFilerError)
ORV_EXCEPTION(EInvalidImage, EFilerError)
ORV_EXCEPTION(EResNotFound, Exception)
ORV_EXCEPTION(EComponentError, Exception)
ORV_EXCEPTION(EParserError, Exception)
ORV_EXCEPTION(EOutOfResources, EOutOfMemory)
ORV_EXCEPTION(EInvalidOperation, Exception)
ORV_EXCEPTION(EInvalidGraphic, Exception)
ORV_EXCEPTION(EInvalidGraphicOperation, Exception)
ORV_EXCEPTION(EPrinter, Exception)
ORV_EXCEPTION(EMenuError, Exception)
ORV_EXCEPTION(EDatabaseError, Exception)
ORV_EXCEPTION(EIniFileException, Exception)
ORV_EXCEPTION(ERegistryException, Exception)

// Raises an EAbort: ends the current operation silently.
[[noreturn]] void Abort();
