// Keyed collections, code page conversion and line reading: the text rules at the system's edges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/codepage.h"
#include "runtime/error.h"
#include "runtime/keyed_collection.h"
#include "runtime/line_reader.h"

namespace tw::runtime {
namespace {

TEST(KeyedCollection, KeysCompareWithoutRegardToCase) {
  KeyedCollection<int> counts;
  counts.add("Klant", 1);
  counts.add("\xC9T\xC9", 2);  // "ÉTÉ"
  counts.add(
      "\x8A"
      "koda",
      3);  // "Škoda"
  EXPECT_EQ(counts.item("KLANT"), 1);
  EXPECT_EQ(counts.item("klant"), 1);
  EXPECT_EQ(counts.item("\xE9t\xE9"), 2);
  EXPECT_EQ(counts.item("\x9A"
                        "KODA"),
            3);
  EXPECT_TRUE(counts.contains("kLaNt"));
  EXPECT_FALSE(counts.contains("Klanten"));
  EXPECT_FALSE(counts.contains(""));
  counts.replace("KLANT", 10);
  EXPECT_EQ(counts.item("klant"), 10);
  EXPECT_EQ(counts.size(), 3u);
}

TEST(KeyedCollection, DuplicateAddIs457AndMissingKeyIs5) {
  KeyedCollection<std::string> names;
  names.add("naam", "a");
  try {
    names.add("NAAM", "b");
    FAIL() << "duplicate add accepted";
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), kKeyAlreadyAssociated);
    EXPECT_EQ(error.description(), "This key is already associated with an element of this collection");
  }
  EXPECT_EQ(names.item("naam"), "a");  // the failed add changed nothing
  EXPECT_EQ(names.size(), 1u);
  for (const char* missing : {"nam", "naam ", ""}) {
    try {
      names.item(missing);
      FAIL() << "missing key \"" << missing << "\" found";
    } catch (const Error& error) {
      EXPECT_EQ(error.number(), kInvalidProcedureCall);
    }
  }
  EXPECT_THROW(names.replace("other", "x"), Error);
}

TEST(TextCompare, FoldsAsciiAndWindows1252Letters) {
  const std::pair<std::string, std::string> equal[] = {
      {"ABC", "abc"}, {"\xC0\xDE", "\xE0\xFE"}, {"\x8C\x8E\x9F", "\x9C\x9E\xFF"}, {"", ""}, {"1-2", "1-2"}};
  for (const auto& [a, b] : equal) EXPECT_TRUE(equalsTextCompare(a, b)) << a << " / " << b;
  const std::pair<std::string, std::string> different[] = {
      {"\xD7", "\xF7"},  // multiplication and division signs are no letter pair
      {"\xDF", "ss"},
      {"a", "ab"},
      {"[", "{"},
      {"@", "`"}};
  for (const auto& [a, b] : different) EXPECT_FALSE(equalsTextCompare(a, b)) << a << " / " << b;
  EXPECT_EQ(foldCase("Mixed \xC4\xD6\xDC \x8A"), "mixed \xE4\xF6\xFC \x9A");
}

TEST(CodePage, Windows1252AndUtf8Convert) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"plain ASCII\r\n", "plain ASCII\r\n"},
      {"caf\xE9", "caf\xC3\xA9"},
      {"\x80", "\xE2\x82\xAC"},  // euro sign
      {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"\x9F\xFF", "\xC5\xB8\xC3\xBF"},
      {"\xA0", "\xC2\xA0"},
      {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // undefined: C1 controls
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& [cp1252, utf8] : cases) {
    EXPECT_EQ(cp1252ToUtf8(cp1252), utf8);
    EXPECT_EQ(utf8ToCp1252(utf8), cp1252);
  }
}

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(CodePage, MissingCharactersAndMalformedUtf8BecomeQuestionMarks) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xE4\xB8\xAD", "?"},         // a CJK character
      {"\xF0\x9F\x98\x80", "?"},     // an emoji outside the BMP
      {"\xC2\x85", "?"},             // a C1 control the code page uses for another character
      {"\xC3", "?"},                 // truncated at the end
      {"\xC3(", "?("},               // truncated by an ASCII byte
      {"\x80\xBF", "??"},            // stray continuation bytes
      {"\xC0\xAF", "??"},            // overlong slash
      {"\xE0\x80\xAF", "???"},       // overlong, three bytes
      {"\xED\xA0\x80", "???"},       // a surrogate
      {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
      {"\xFF\xFEx", "??x"},
      {"ok\xE2\x82", "ok??"},
  };
  for (const auto& [utf8, cp1252] : cases) EXPECT_EQ(utf8ToCp1252(utf8), cp1252) << cp1252;
}

std::vector<std::string> linesOf(std::string_view text) {
  LineReader reader(text);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.next(line)) lines.emplace_back(line);
  EXPECT_TRUE(reader.atEnd());
  EXPECT_FALSE(reader.next(line));
  return lines;
}

TEST(LineReader, EndsLinesAtCrOrCrLf) {
  using Lines = std::vector<std::string>;
  const std::pair<std::string, Lines> cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\rtwo\r", {"one", "two"}},
      {"one\r\ntwo", {"one", "two"}},  // the last line needs no end
      {"one\ntwo\r\n", {"one\ntwo"}},  // a lone LF belongs to the line
      {"\n", {"\n"}},
      {"\r\n", {""}},
      {"\r\r\n\r", {"", "", ""}},
      {"a\n\rb", {"a\n", "b"}},
      {std::string("x\0y\r", 4), {std::string("x\0y", 3)}},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(linesOf(text), expected) << text;
}

}  // namespace
}  // namespace tw::runtime
