#pragma once

#include <string>
#include <string_view>

#include "runtime/error.h"

namespace tw::addin {

// Connector-file text that becomes part of a path must stay inside its folder. These return why a text
// would leave it, or "" when it is safe. An empty text is safe (it names the folder itself).

// A single file name: no path separators, no drive or stream colon, no name made only of dots and
// blanks, no control characters.
std::string unsafeFileNameReason(std::string_view name);

// A relative sub-path of folders (backslashes or slashes between its parts): not rooted, no drive, no
// part made only of dots and blanks, no control characters.
std::string unsafeSubPathReason(std::string_view path);

class AddinContext;

// A name from a job that would leave its folder: error 64, "Bad file name"; the reason is in the debug
// log.
class UnsafeNameError : public runtime::Error {
 public:
  UnsafeNameError() : runtime::Error(Error::fromNumber(runtime::kBadFileName)) {}
};

// Throws UnsafeNameError, after logging why, when `name` (from `source`) is not a plain file name.
void refuseUnsafeFileName(const AddinContext& ctx, std::string_view source, std::string_view name);
// The same for a relative sub-path of folders.
void refuseUnsafeSubPath(const AddinContext& ctx, std::string_view source, std::string_view path);

}  // namespace tw::addin
