#pragma once

// Text rules of the add-in's language on Windows-1252 bytes.

#include <string>
#include <string_view>

namespace tw::runtime {

// Compares two Windows-1252 texts without regard to letter case (ASCII and Latin-1 letters).
bool equalsTextCompare(std::string_view a, std::string_view b);
// The key form used for comparisons: every letter folded to lower case.
std::string foldCase(std::string_view text);

// A caption as a person reads it, for comparing captions: without the ampersands that mark access keys,
// every letter folded to lower case (as Office finds a control by its caption).
std::string captionKey(std::string_view caption);

// The classic Trim: blanks (not tabs or line ends) removed at both ends.
std::string_view Trim(std::string_view text);

}  // namespace tw::runtime
