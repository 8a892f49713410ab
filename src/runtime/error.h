#pragma once

#include <exception>
#include <string>

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

}  // namespace tw::runtime
