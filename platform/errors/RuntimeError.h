#pragma once
// The one run-time error type of the system.
//
// Every stand-in of a platform service raises failures as a RuntimeError
// carrying the legacy error number and its description (and, optionally, the
// name of the component that raised it). Procedures either trap the error
// (OnErrorGoTo) or pass over it and go on with their next step (ResumeNext),
// exactly as the legacy code did; no error ever crosses a deliverable's
// public surface.

#include <QString>

#include <exception>
#include <string>
#include <utility>

namespace vb {

// Numbers of the legacy run-time errors the system raises or tests for.
enum ErrorNumber : long {
  errInvalidProcedureCall = 5,
  errOverflow = 6,
  errOutOfMemory = 7,
  errSubscriptOutOfRange = 9,
  errDivisionByZero = 11,
  errTypeMismatch = 13,
  errBadFileNameOrNumber = 52,
  errFileNotFound = 53,
  errBadFileMode = 54,
  errFileAlreadyOpen = 55,
  errDeviceIOError = 57,
  errFileAlreadyExists = 58,
  errDiskFull = 61,
  errInputPastEndOfFile = 62,
  errTooManyFiles = 67,
  errDeviceUnavailable = 68,
  errPermissionDenied = 70,
  errDiskNotReady = 71,
  errCantRenameWithDifferentDrive = 74,
  errPathFileAccessError = 75,
  errPathNotFound = 76,
  errObjectVariableNotSet = 91,
  errInvalidPatternString = 93,
  errInvalidUseOfNull = 94,
  errObjectRequired = 424,
  errCantCreateObject = 429,
  errObjectDoesntSupport = 438,
  errAutomationError = 440,
  errArgumentNotOptional = 449,
  errWrongNumberOfArguments = 450,
  errDuplicateKey = 457,
  errRemoteServerUnavailable = 462,
};

// The runtime's own description of a legacy error number; "Application-defined
// or object-defined error" for numbers it has no text for.
[[nodiscard]] QString ErrorText(long number);

class RuntimeError : public std::exception {
 public:
  explicit RuntimeError(long number, QString description = {}, QString source = {});

  [[nodiscard]] long Number() const noexcept { return number_; }
  [[nodiscard]] const QString& Description() const noexcept { return description_; }
  [[nodiscard]] const QString& Source() const noexcept { return source_; }
  [[nodiscard]] const char* what() const noexcept override { return what_.c_str(); }

 private:
  long number_;
  QString description_;
  QString source_;
  std::string what_;
};

// Raises error `number`; an empty description takes the runtime's own text.
[[noreturn]] void Raise(long number, const QString& source = {}, const QString& description = {});

// What a failed step left behind: the legacy Err object's number, description
// and source. Number 0 means no error.
struct ErrorInfo {
  long number = 0;
  QString description;
  QString source;

  [[nodiscard]] bool Failed() const noexcept { return number != 0; }
  static ErrorInfo From(const RuntimeError& e);
  static ErrorInfo FromCurrentException();  // call only inside a catch block
};

// "On Error GoTo handler": runs `body`; if it raises, runs `handler` with the
// error and answers what the handler answers (usually the result so far).
// Standard exceptions reaching here are turned into run-time errors (out of
// memory into 7, anything else into 440), so nothing escapes.
template <typename Body, typename Handler>
auto OnErrorGoTo(Body&& body, Handler&& handler) -> decltype(body()) {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return std::forward<Handler>(handler)(ErrorInfo::FromCurrentException());
  }
}

// "On Error Resume Next": each step that raises is abandoned, the error is
// remembered (the last one wins, as Err does) and the caller goes on.
//
//   vb::ResumeNext next;
//   next([&] { step1(); });
//   next([&] { step2(); });
//   if (next.Err().Failed()) ...
class ResumeNext {
 public:
  template <typename Step>
  bool operator()(Step&& step) {
    try {
      std::forward<Step>(step)();
      return true;
    } catch (...) {
      err_ = ErrorInfo::FromCurrentException();
      return false;
    }
  }

  [[nodiscard]] const ErrorInfo& Err() const noexcept { return err_; }
  void Clear() { err_ = {}; }

 private:
  ErrorInfo err_;
};

// Where a procedure lives, for the trace line of a trapped error.
enum class OwnerKind { Form, ClassModule, Module };

// The trace line of a trapped error: "Error Reason :" description
// "in procedure " name " of Class Module " owner (or " of Form " / " of Module ").
[[nodiscard]] QString ErrorReasonLine(const QString& description, const QString& procedure, OwnerKind kind,
                                      const QString& owner);

}  // namespace vb
