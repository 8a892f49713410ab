#pragma once

// Text across the COM boundary: COM speaks UTF-16 (BSTR), the add-in's core Windows-1252 bytes.

#include "win32/windows_api.h"

#include <string>
#include <string_view>

namespace tw::win32 {

std::wstring toWide(std::string_view cp1252);
std::string fromWide(std::wstring_view wide);

// A new BSTR for the caller to own; null for the empty text, as COM treats the two alike.
BSTR newBstr(std::string_view cp1252);
// A BSTR's text; a null BSTR is the empty text.
std::string fromBstr(BSTR text);

}  // namespace tw::win32
