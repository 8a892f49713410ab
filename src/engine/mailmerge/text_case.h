#pragma once

// Letter case of Windows-1252 text, and the \* text formats of a field.

#include <string>
#include <string_view>

namespace tw::engine::mailmerge {

char upperChar(char c);
char lowerChar(char c);
bool isLetter(char c);
std::string toUpper(std::string_view text);
std::string toLower(std::string_view text);

// Applies one \* format: Upper, Lower, FirstCap (first letter of the text up, the rest down), Caps (first
// letter of every word up, the rest down). Any other format (MERGEFORMAT, CHARFORMAT, number formats)
// leaves the text as it is.
std::string applyTextFormat(std::string_view text, std::string_view format);

}  // namespace tw::engine::mailmerge
