#pragma once

// The field codes of a Word 97-2003 document, read from its own text, to give back what LibreOffice's
// conversion drops: it keeps a merge field's column but writes its code without switches (\@, \#, \*,
// \b, \f), whatever the binary document held.

#include <string>
#include <string_view>
#include <vector>

namespace tw::engine::convert {

struct Word97Field {
  std::string code;     // UTF-8, without the codes of fields nested in it
  bool nested = false;  // in the code of another field
  bool operator==(const Word97Field&) const = default;
};

// Every field of the binary document `file` (an OLE compound file holding a WordDocument stream), in the
// order of its text: main text, then notes, headers and the other stories. Empty when the file cannot
// be read that way; damaged input never reads outside the bytes.
std::vector<Word97Field> word97Fields(std::string_view file);

// `docx` with each MERGEFIELD code replaced by the code of the original's merge field for the same
// column (compared without case, the n-th field of a column taking the code of the n-th one). Merge
// fields nested in other fields do not count: LibreOffice keeps none of them. Returns `docx` as it is
// when it holds nothing to replace.
std::string restoreMergeFieldCodes(const std::string& docx, const std::vector<Word97Field>& fields);

}  // namespace tw::engine::convert
