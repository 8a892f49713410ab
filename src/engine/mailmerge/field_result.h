#pragma once

// The text Word shows for a merged field: a merge field's value under its switches, and IF fields whose
// nested fields are merged already.

#include <string>
#include <string_view>

#include "engine/mailmerge/field_code.h"
#include "runtime/locale.h"

namespace tw::engine::mailmerge {

// `value` (Windows-1252) under the switches of `code`: \# when the value reads as a number in the locale,
// \@ when it reads as a date (a value that does not read keeps its text), every \* text format in order,
// then \b before and \f after a result that is not empty.
std::string formatFieldResult(std::string_view value, const FieldCode& code, const runtime::Locale& locale);

// The result of IF: `IF left op right "true text" "false text"` with op one of = <> < <= > >=. Both sides
// numbers: compared as numbers; else as text, case-sensitive, where = and <> let * and ? in the right side
// stand for any run of characters and any one character. Without an operator, the one operand counts as
// true when it is a non-zero number or a text that is not empty. The chosen text gets the field's switches.
std::string evaluateIf(const FieldCode& code, const runtime::Locale& locale);

// Matches `text` against `pattern` with * (any run) and ? (any one character).
bool wildcardMatch(std::string_view text, std::string_view pattern);

}  // namespace tw::engine::mailmerge
