#pragma once

#include <string>
#include <string_view>

namespace tw::runtime {

// Inside the system text is Windows-1252 bytes, as on Word's machine; the console, the .docx XML and
// HTTP speak UTF-8. These two convert at those edges.

// UTF-8 to Windows-1252. A character the code page lacks becomes '?'; a malformed UTF-8 sequence
// becomes '?' for each byte it spans.
std::string utf8ToCp1252(std::string_view utf8);

// Windows-1252 to UTF-8. The five bytes the code page leaves undefined map to the C1 controls of the
// same value, so every byte string survives a round trip.
std::string cp1252ToUtf8(std::string_view cp1252);

// Appends the UTF-8 form of `codePoint` (at most U+10FFFF) to `out`.
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace tw::runtime
