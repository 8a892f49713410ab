#pragma once

// The \* number formats of a field: a number shown as Roman numerals, letters, an ordinal, words, or hex.

#include <optional>
#include <string>
#include <string_view>

#include "engine/mailmerge/merge_values.h"

namespace tw::engine::mailmerge {

// True for the \* formats that turn a number into text (compared without case): Arabic, Roman, alphabetic,
// Ordinal, CardText, OrdText, Hex, DollarText.
bool isNumberFormat(std::string_view format);

// `value` in a number format, or nullopt when `format` is none or the number lies outside what the format
// can show. All but DollarText round to a whole number, half away from zero:
//   Arabic 12; Roman XII (roman: xii; 1..32767); ALPHABETIC L (alphabetic: l; 1..780, 27 is AA);
//   Ordinal 12th; CardText twelve; OrdText twelfth (0..999999); Hex C (0..4294967295);
//   DollarText twelve and 34/100 (cents rounded, 0..999999.99).
// The words are English. Roman and alphabetic take the case of the format's first letter.
std::optional<std::string> applyNumberFormat(const DecimalNumber& value, std::string_view format);

}  // namespace tw::engine::mailmerge
