#pragma once

#include <string>
#include <string_view>

#include "platform/word/word.h"

namespace tw::addin {

class plugin;

// Every occurrence of `from` in `text` replaced by `to`; an empty `from` leaves the text as it is.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// The column name in a merge-field code, or "" when the code does not follow the name syntax.
std::string mergefieldNameOf(const std::string& code);

// Turns the img_ merge field `field` into a picture field whose path holds a nested merge field of the
// same code, adding the new fields through `fields` (the fields of the story that holds it).
void insertPictureField(plugin& self, word::Field& field, word::Fields& fields);

}  // namespace tw::addin
