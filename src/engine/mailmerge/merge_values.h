#pragma once

// Reading merged text as a number or a date the way Word does before it applies a picture.

#include <optional>
#include <string>
#include <string_view>

#include "runtime/locale.h"

namespace tw::engine::mailmerge {

// An exact decimal number: the value is sign, integer digits, fraction digits, as written.
struct DecimalNumber {
  bool negative = false;
  std::string integerDigits;   // no leading zeros; "" when the integer part is 0
  std::string fractionDigits;  // no trailing zeros

  bool isZero() const { return integerDigits.empty() && fractionDigits.empty(); }
  // Rounded to `places` fraction digits, half away from zero.
  DecimalNumber rounded(size_t places) const;
  double toDouble() const;
};

// Reads `text` as a number in `locale`: blanks around it, a leading + or -, digits with the locale's
// thousands separator anywhere between them, the locale's decimal separator, an exponent (E+3). Anything
// else means the text is not a number.
std::optional<DecimalNumber> parseNumber(std::string_view text, const runtime::Locale& locale);

// Reads `text` as a date, a time or both: the locale's short date order (d-M-yyyy in nl-NL, M/d/yyyy in
// en-US) with "-", "/" or "." between the parts, ISO yyyy-MM-dd (also with "T" before the time), a
// two-digit year meaning 1930..2029; a month written as a name of the locale or of English with a day and
// a year ("3 februari 2025", "February 3, 2025"; a weekday name may stand before); a time H:mm or H:mm:ss
// with an optional AM/PM. Impossible dates are not dates.
std::optional<runtime::DateTime> parseDateTime(std::string_view text, const runtime::Locale& locale);

}  // namespace tw::engine::mailmerge
