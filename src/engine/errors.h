#pragma once

// The errors the engine raises, with Word's numbers and descriptions.

#include <string>

#include "runtime/error.h"

namespace tw::engine {

constexpr long kWordNoDocument = 4248;
constexpr long kWordNoSuchMember = 5941;
constexpr long kWordObjectDeleted = 5825;
constexpr long kWordFileCorrupt = 5792;
constexpr long kWordFileNotFound = 5174;
constexpr long kWordBadFileName = 5152;
constexpr long kWordBadParameter = 5843;
constexpr long kWordNotAvailable = 4605;

inline runtime::Error wordError(long number, std::string description) {
  return runtime::Error(number, std::move(description), "Microsoft Word");
}
inline runtime::Error noSuchMember() {
  return wordError(kWordNoSuchMember, "The requested member of the collection does not exist.");
}
inline runtime::Error objectDeleted() {
  return wordError(kWordObjectDeleted, "Object has been deleted.");
}
inline runtime::Error noDocument() {
  return wordError(kWordNoDocument, "This command is not available because no document is open.");
}
inline runtime::Error notAvailable(const std::string& what) {
  return wordError(kWordNotAvailable, "This method or property is not available: " + what + ".");
}
// A file whose content cannot be read as a Word document; `reason` says what is wrong.
inline runtime::Error corruptFile(const std::string& fileName, const std::string& reason) {
  return wordError(kWordFileCorrupt, "Word cannot open " + fileName + ": " + reason + ".");
}

}  // namespace tw::engine
