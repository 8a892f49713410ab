#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/locale.h"

namespace tw::runtime {

// The 16-bit whole number of the add-in's settings.
using Integer = std::int16_t;
// The 32-bit whole number of internal counts that a 16-bit one would cut short (fields of a long job).
using Long = std::int32_t;

// Boolean as stored in 16 bits: True has all bits set.
constexpr Integer kTrue = -1;
constexpr Integer kFalse = 0;
constexpr Integer toVbBoolean(bool value) {
  return value ? kTrue : kFalse;
}

// Text to Integer as an assignment to an Integer property converts it: blanks around the number are
// allowed, the locale's decimal separator (and thousands separators) are read, &H/&O prefixes read hex
// and octal, the value is rounded half to even (2.5 -> 2, 3.5 -> 4). Error 6 beyond -32768..32767,
// error 13 for text that is not a number (the empty text included).
Integer toInteger(std::string_view text, const Locale& locale);
// A number to Integer: rounded half to even, error 6 beyond -32768..32767.
Integer toInteger(double value);
// A number to Long: rounded half to even, error 6 beyond -2147483648..2147483647.
Long toLong(double value);

// Text to Boolean: the words True or False in any case (blanks around allowed), or a number as
// toInteger reads it where 0 is False. Any other text is error 13.
bool toBoolean(std::string_view text, const Locale& locale);

// The classic Val: the leading number of the text. Blanks, tabs and line feeds are skipped wherever they
// stand (" 1 2" is 12), "." is always the decimal point, an exponent (E or D) is read, &H and &O read hex
// and octal, reading stops at the first character that cannot continue the number; 0 when there is none.
double Val(std::string_view text);

}  // namespace tw::runtime
