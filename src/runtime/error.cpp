#include "runtime/error.h"

#include <new>
#include <utility>

namespace tw::runtime {

Error::Error(long number, std::string description, std::string source)
    : number_(number), description_(std::move(description)), source_(std::move(source)) {}

Error Error::fromNumber(long number, std::string source) {
  return Error(number, errorDescription(number), std::move(source));
}

Error currentError() {
  try {
    throw;
  } catch (const Error& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return Error::fromNumber(kOutOfMemory);
  } catch (const std::exception& error) {
    return Error(kInternalError, error.what());
  } catch (...) {
    return Error::fromNumber(kInternalError);
  }
}

std::string Error::messageText() const {
  return source_ + " " + description_ + " (" + std::to_string(number_) + ")";
}

std::string Error::logText() const {
  return description_ + " " + std::to_string(number_) + " " + source_;
}

const char* errorDescription(long number) {
  switch (number) {
    case 3:
      return "Return without GoSub";
    case 5:
      return "Invalid procedure call or argument";
    case 6:
      return "Overflow";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript out of range";
    case 10:
      return "This array is fixed or temporarily locked";
    case 11:
      return "Division by zero";
    case 13:
      return "Type mismatch";
    case 14:
      return "Out of string space";
    case 28:
      return "Out of stack space";
    case 35:
      return "Sub or Function not defined";
    case 48:
      return "Error in loading DLL";
    case 51:
      return "Internal error";
    case 52:
      return "Bad file name or number";
    case 53:
      return "File not found";
    case 54:
      return "Bad file mode";
    case 55:
      return "File already open";
    case 57:
      return "Device I/O error";
    case 58:
      return "File already exists";
    case 61:
      return "Disk full";
    case 62:
      return "Input past end of file";
    case 63:
      return "Bad record number";
    case 67:
      return "Too many files";
    case 68:
      return "Device unavailable";
    case 70:
      return "Permission denied";
    case 71:
      return "Disk not ready";
    case 74:
      return "Can't rename with different drive";
    case 75:
      return "Path/File access error";
    case 76:
      return "Path not found";
    case 91:
      return "Object variable or With block variable not set";
    case 92:
      return "For loop not initialized";
    case 93:
      return "Invalid pattern string";
    case 94:
      return "Invalid use of Null";
    case 424:
      return "Object required";
    case 429:
      return "ActiveX component can't create object";
    case 438:
      return "Object doesn't support this property or method";
    case 440:
      return "Automation error";
    case 449:
      return "Argument not optional";
    case 457:
      return "This key is already associated with an element of this collection";
    default:
      return "Application-defined or object-defined error";
  }
}

}  // namespace tw::runtime
