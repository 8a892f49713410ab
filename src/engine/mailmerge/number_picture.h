#pragma once

// The \# numeric picture of a field.

#include <string>
#include <string_view>

#include "engine/mailmerge/merge_values.h"
#include "runtime/locale.h"

namespace tw::engine::mailmerge {

// Formats `value` with a numeric picture written with the locale's separators:
//   0  a digit, 0 where the number has none;  #  a digit, a blank where it has none;
//   x  a digit; digits left of it are dropped, and in the fraction the number is rounded there;
//   the locale's decimal separator places the point; its thousands separator anywhere in the integer
//   part groups the digits by three;  -  a minus for a negative number, else a blank;
//   +  a plus, a minus, or a blank for zero;  'text' or "text" literal text; any other character as it is.
// "positive;negative" and "positive;negative;zero" choose a section by the sign; the negative section
// adds no sign of its own, only its '-' and '+' places show the minus (so "-#,##0" prints it once). Rounding
// is half away from zero. A negative number whose picture has no sign place gets a leading minus.
std::string formatNumber(const DecimalNumber& value, std::string_view picture, const runtime::Locale& locale);

}  // namespace tw::engine::mailmerge
