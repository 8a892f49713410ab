#pragma once

// The directory-listing test behind plugin::FileExists.

#include <string>

#include "platform/sys/sys.h"

namespace tw::addin {

// True when the first listing of `pattern` (wildcards * and ? allowed in its last part) holds an ordinary
// file: not hidden, not a system file, not a folder. A read-only file counts.
bool anyNormalFileMatches(sys::System& system, const std::string& pattern);

}  // namespace tw::addin
