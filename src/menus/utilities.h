#pragma once

// The small utility routines the rest of the add-in builds on.

#include <string>
#include <string_view>
#include <vector>

namespace tw::addin {

// True when `target` is one whole element of `values` (exact, case-sensitive comparison).
bool ArrayContains(const std::vector<std::string>& values, std::string_view target);

}  // namespace tw::addin
