#pragma once

// The field codes of a Word 97-2003 document, read from its own text, to give back what LibreOffice's
// conversion drops: it keeps a merge field's column but writes its code without switches (\@, \#, \*,
// \b, \f), whatever the binary document held.

#include <string>
#include <string_view>
#include <vector>

namespace tw::engine::convert {

// The code of every field of the binary document `file` (an OLE compound file holding a WordDocument
// stream), in the order of its text: main text, then notes, headers and the other stories. UTF-8.
// Empty when the file cannot be read that way; damaged input never reads outside the bytes.
std::vector<std::string> word97FieldCodes(std::string_view file);

// `docx` with each MERGEFIELD code replaced by the original's code for the same column (compared
// without case, the n-th field of a column taking the n-th code of that column). Returns `docx` as it is
// when it holds nothing to replace.
std::string restoreMergeFieldCodes(const std::string& docx, const std::vector<std::string>& codes);

}  // namespace tw::engine::convert
