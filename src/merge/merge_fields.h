#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/word/word.h"

namespace tw::addin {

class AddinContext;

// Every occurrence of `from` in `text` replaced by `to`; an empty `from` leaves the text as it is.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// The column name of a merge-field code as Word reads it, and where it ends in the code.
struct MergefieldName {
  std::string name;  // "" when the code names no column
  size_t end = 0;    // the offset in the code just after the name as written (after a closing quote)
};

// Reads the name the way the classic name pattern does (the keyword, one blank, letters, digits and
// "_"); a code that pattern cannot read is read as Word reads it: the keyword as the code's first word,
// any run of blanks (tabs and line breaks count as blanks), then a name in double quotes, in which a
// backslash escapes a quote or a backslash, or a word that ends at the first blank, quote or switch.
MergefieldName readMergefieldName(std::string_view code);
// The name alone.
std::string mergefieldNameOf(std::string_view code);

// The same as a public method: "" before the add-in is active or when the code cannot be read.
std::string getMergefieldName(const AddinContext& ctx, const std::string& code);

// Number pictures in templates use "." for thousands and "," for decimals: updateFormat rewrites a merge
// field's picture to the separators of the user's locale just before a merge, revertFormat back.
void updateFormat(const AddinContext& ctx, word::Field& mergefield);
void revertFormat(const AddinContext& ctx, word::Field& mergefield);
// revertFormat for every field of the main text and of the text boxes.
void revertFields(const AddinContext& ctx, word::Document& mergeDoc);

// Turns the img_ merge field `field` into a picture field whose path holds a nested merge field of the
// same code, adding the new fields through `fields` (the fields of the story that holds it).
void insertPictureField(AddinContext& ctx, word::Field& field, word::Fields& fields);

// ---- Walking fields ----------------------------------------------------------------------------------

// A fields collection, asked for anew whenever the walk needs it (a walk may edit the story).
using FieldsOf = std::function<std::shared_ptr<word::Fields>()>;
// Visits one field; true when the visit deleted it.
using FieldVisit = std::function<bool(word::Field& field, word::Fields& fields)>;
// Runs one step of a walk: to log a failure and go on, or to let it pass.
using Guard = std::function<void(const std::function<void()>& step)>;

// Runs a step as it is: a failure passes to the caller.
void runUnguarded(const std::function<void()>& step);

// Visits the fields of `fieldsOf()` in order, each visit run by `guard`. After a visit that deleted its
// field, the field that took its place is visited next.
void walkFields(const FieldsOf& fieldsOf, const FieldVisit& visit, const Guard& guard);

// Calls `walk` with the fields of every text box of `document` that has text, each call run by `guard`.
void forEachTextBox(word::Document& document, const Guard& guard,
                    const std::function<void(const FieldsOf&)>& walk);

}  // namespace tw::addin
