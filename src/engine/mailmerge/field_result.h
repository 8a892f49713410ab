#pragma once

// The text Word shows for a merged field: a merge field's value under its switches, and IF fields whose
// nested fields are merged already.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mailmerge/data_table.h"
#include "engine/mailmerge/field_code.h"
#include "runtime/locale.h"

namespace tw::engine::mailmerge {

// `value` (Windows-1252) under the switches of `code`: \# when the value reads as a number in the locale,
// \@ when it reads as a date (a value that does not read keeps its text), every \* format in order (a
// number format only where the text reads as a number), then \b before and \f after a result that is not
// empty. `language` is the locale of the language the field's text is marked with: \@ shows its month and
// day names; null means `locale`.
std::string formatFieldResult(std::string_view value, const FieldCode& code, const runtime::Locale& locale,
                              const runtime::Locale* language = nullptr);

// The result of IF: `IF left op right "true text" "false text"` with op one of = <> < <= > >=. Both sides
// numbers: compared as numbers; else as text, case-sensitive, where = and <> let * and ? in the right side
// stand for any run of characters and any one character. Without an operator, the one operand counts as
// true when it is a non-zero number or a text that is not empty. The chosen text gets the field's switches.
std::string evaluateIf(const FieldCode& code, const runtime::Locale& locale,
                       const runtime::Locale* language = nullptr);

// Whether the condition of NEXTIF or SKIPIF (`left op right`, compared as IF compares) holds.
bool conditionHolds(const FieldCode& code, const runtime::Locale& locale);

// The pieces of a code that holds nested fields as Range.Text shows codes: a nested field is its begin
// mark (19), its code, an optional separator (20) and old result, and its end mark (21). Each nested field
// is replaced by `resolve` of its code, innermost first; old results are dropped. Marks without their
// partner are dropped.
std::vector<CodePiece> resolveNestedFields(std::string_view code,
                                           const std::function<std::string(const FieldCode&)>& resolve);

// The keyword of a code as Range.Text shows it, nested fields counting as one word each whatever their
// results: code text without nested fields is read only as far as its first word.
std::string keywordOf(std::string_view code);

// What a field becomes when `record` of `table` is merged: MERGEFIELD its column's value under its
// switches (no such column, or a picture cell: ""), IF its chosen text, MERGEREC the record's number, NEXT,
// NEXTIF and SKIPIF nothing (moving to the next record or skipping one is up to the caller).
// nullopt for fields a merge leaves in place (PAGE, DATE, ...).
std::optional<std::string> mergedText(const FieldCode& code, const DataTable& table, size_t record,
                                      const runtime::Locale& locale,
                                      const runtime::Locale* language = nullptr);

// A code as Range.Text shows it, its nested fields merged with `record` (innermost first), parsed.
FieldCode mergedCode(std::string_view code, const DataTable& table, size_t record,
                     const runtime::Locale& locale, const runtime::Locale* language = nullptr);

// Matches `text` against `pattern` with * (any run) and ? (any one character).
bool wildcardMatch(std::string_view text, std::string_view pattern);

}  // namespace tw::engine::mailmerge
