#pragma once

#include <string>
#include <string_view>

namespace tw::addin {

// Connector-file text that becomes part of a path must stay inside its folder. These return why a text
// would leave it, or "" when it is safe. An empty text is safe (it names the folder itself).

// A single file name: no path separators, no drive or stream colon, no name made only of dots and
// blanks, no control characters.
std::string unsafeFileNameReason(std::string_view name);

// A relative sub-path of folders (backslashes or slashes between its parts): not rooted, no drive, no
// part made only of dots and blanks, no control characters.
std::string unsafeSubPathReason(std::string_view path);

}  // namespace tw::addin
