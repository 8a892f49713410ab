#pragma once

// A field code split the way Word reads it: the keyword, the arguments and the switches.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tw::engine::mailmerge {

struct FieldArgument {
  std::string text;     // quotes removed, escapes resolved
  bool quoted = false;  // written in double quotes
};

struct FieldSwitch {
  char kind = 0;         // '#', '@', '*', 'b', 'f', 'm', 'v', 'd', ... (letters lower-cased)
  std::string argument;  // empty for switches that take none
};

struct FieldCode {
  std::string keyword;  // upper-cased: "MERGEFIELD", "IF", "INCLUDEPICTURE"
  std::vector<FieldArgument> arguments;
  std::vector<FieldSwitch> switches;

  // The argument of the first switch of `kind`, or nullopt.
  std::optional<std::string> switchArgument(char kind) const;
  bool hasSwitch(char kind) const;
  // True when a \* switch names `format` (MERGEFORMAT, CHARFORMAT, Upper, ...), compared without case.
  bool hasFormat(std::string_view format) const;
  // The first argument's text, or "" (the column of a MERGEFIELD, the path of an INCLUDEPICTURE).
  std::string firstArgument() const;
};

// One stretch of a code as the document holds it: literal code text, or the result of a field nested in
// the code. A nested result is taken as it is (no quote or backslash processing) and never splits the
// word it stands in, even when it holds blanks or is empty.
struct CodePiece {
  std::string text;
  bool nestedResult = false;
};

// Splits a code. Blanks, tabs and line breaks separate words; "..." quotes a word, in which \\ is a
// backslash and \" a quote; a word starting with a backslash is a switch. \#, \@, \*, \b, \f and \c take
// the next word (or the rest of their own word, as in \*Upper) as argument; other switches take none.
FieldCode parseFieldCode(std::span<const CodePiece> pieces);
FieldCode parseFieldCode(std::string_view code);
// The keyword parseFieldCode gives for literal code text, without splitting the rest of the code.
std::string parseFieldKeyword(std::string_view code);

}  // namespace tw::engine::mailmerge
