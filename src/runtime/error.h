#pragma once

#include <exception>
#include <memory>
#include <string>
#include <utility>

namespace tw::runtime {

// The one failure type of the system. It carries what the Dutch messages and log lines print:
// the error number, its description and its source (the project name unless a platform call
// set another).
class Error : public std::exception {
 public:
  Error(long number, std::string description, std::string source = kProjectName);

  // An error with the classic run-time description of `number` (53 -> "File not found").
  static Error fromNumber(long number, std::string source = kProjectName);

  long number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& source() const { return source_; }
  const char* what() const noexcept override { return description_.c_str(); }

  // "<source> <description> (<number>)": how a message box shows the error after "Foutinformatie: ".
  std::string messageText() const;
  // "<description> <number> <source>": how a debug-log line shows the error.
  std::string logText() const;

  static constexpr const char* kProjectName = "Tallyweave";

 private:
  long number_;
  std::string description_;
  std::string source_;
};

// The classic run-time error numbers the add-in and its Word meet.
enum ErrorNumber : long {
  kInvalidProcedureCall = 5,
  kOverflow = 6,
  kOutOfMemory = 7,
  kSubscriptOutOfRange = 9,
  kTypeMismatch = 13,
  kInternalError = 51,
  kBadFileNameOrNumber = 52,
  kFileNotFound = 53,
  kBadFileMode = 54,
  kFileAlreadyOpen = 55,
  kDeviceIOError = 57,
  kFileAlreadyExists = 58,
  kDiskFull = 61,
  kInputPastEndOfFile = 62,
  kBadFileName = 64,
  kPermissionDenied = 70,
  kPathFileAccessError = 75,
  kPathNotFound = 76,
  kObjectVariableNotSet = 91,
  kObjectRequired = 424,
  kActiveXCannotCreateObject = 429,
  kObjectDoesNotSupportProperty = 438,
  kKeyAlreadyAssociated = 457,
};

// The classic description of a run-time error number, or "Application-defined or
// object-defined error" for numbers the table does not know.
const char* errorDescription(long number);

// The exception being handled, as an Error: an Error as it is, any other exception as error 51
// "Internal error" with its message, out of memory as error 7. Call only inside a catch block.
Error currentError();

// Runs one step; a failure is handed to `onError` and the caller goes on with its next step (the
// routines whose failures are "logged and skipped").
template <class Step, class Handler>
void resumeNext(Step&& step, Handler&& onError) {
  try {
    step();
  } catch (...) {
    onError(currentError());
  }
}

// Runs one step and ignores its failure.
template <class Step>
void resumeNext(Step&& step) {
  resumeNext(std::forward<Step>(step), [](const Error&) {});
}

// The object behind a reference that may be empty; error 91 when it is.
template <class T>
T& objectRef(const std::shared_ptr<T>& object) {
  if (!object) throw Error::fromNumber(kObjectVariableNotSet);
  return *object;
}

}  // namespace tw::runtime
