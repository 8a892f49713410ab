#pragma once

// The field codes of a Word 97-2003 document, read from its own text, to give back what LibreOffice's
// conversion drops: it keeps a merge field's column but writes its code without switches (\@, \#, \*,
// \b, \f), whatever the binary document held.

#include <string>
#include <string_view>
#include <vector>

namespace tw::engine::convert {

// The kinds of story a Word 97-2003 document keeps one after another in its text, in that order.
enum class Word97Story { Main, Footnotes, HeadersFooters, Comments, Endnotes, TextBoxes, HeaderTextBoxes };

struct Word97Field {
  std::string code;     // UTF-8, without the codes of fields nested in it
  bool nested = false;  // in the code of another field
  Word97Story story = Word97Story::Main;
  bool operator==(const Word97Field&) const = default;
};

// Every field of the binary document `file` (an OLE compound file holding a WordDocument stream), in the
// order of its text: main text, then notes, headers and the other stories, each with its story kind
// (all main text when the document's story lengths do not fit its text). Empty when the file cannot be
// read that way; damaged input never reads outside the bytes.
std::vector<Word97Field> word97Fields(std::string_view file);

// `docx` with each MERGEFIELD code replaced by the code of the original's merge field for the same
// column (compared without case): the n-th field of a column in a kind of story takes the code of the
// n-th one there, or, where the two hold a different number of them, the n-th of the column in the
// whole text. Merge fields nested in other fields do not count: LibreOffice keeps none of them. Returns
// `docx` as it is when it holds nothing to replace.
std::string restoreMergeFieldCodes(const std::string& docx, const std::vector<Word97Field>& fields);

}  // namespace tw::engine::convert
