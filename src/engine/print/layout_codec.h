#pragma once

// A print layout as one string of bytes, for the PDF printer's module (modules/module_entries.h), which
// reads it with a C++ runtime of its own and so cannot be handed the program's objects.

#include <string>
#include <string_view>

#include "engine/print/printer.h"

namespace tw::engine::print {

std::string encodeLayout(const PrintLayout& layout);

// The layout encodeLayout wrote. Bytes that are not such a layout (one written by another build of the
// program) throw runtime::Error.
PrintLayout decodeLayout(std::string_view bytes);

}  // namespace tw::engine::print
