// Splitting field codes into keyword, arguments and switches as Word reads them.

#include <gtest/gtest.h>

#include "engine/mailmerge/field_code.h"

namespace tw::engine::mailmerge {
namespace {

struct CodeCase {
  const char* code;
  const char* keyword;
  std::vector<std::string> arguments;
  std::vector<std::pair<char, std::string>> switches;
};

class FieldCodeTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(FieldCodeTest, SplitsAsWordDoes) {
  FieldCode code = parseFieldCode(GetParam().code);
  EXPECT_EQ(code.keyword, GetParam().keyword);
  std::vector<std::string> arguments;
  for (const auto& a : code.arguments) arguments.push_back(a.text);
  EXPECT_EQ(arguments, GetParam().arguments);
  std::vector<std::pair<char, std::string>> switches;
  for (const auto& s : code.switches) switches.emplace_back(s.kind, s.argument);
  EXPECT_EQ(switches, GetParam().switches);
  // The keyword alone reads the same.
  EXPECT_EQ(parseFieldKeyword(GetParam().code), GetParam().keyword);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, FieldCodeTest,
    ::testing::Values(
        CodeCase{" MERGEFIELD bedrag \\# \"#.##0,00\" ", "MERGEFIELD", {"bedrag"}, {{'#', "#.##0,00"}}},
        CodeCase{" mergefield Naam \\* MERGEFORMAT ", "MERGEFIELD", {"Naam"}, {{'*', "MERGEFORMAT"}}},
        CodeCase{" MERGEFIELD \"Last Name\" \\m ", "MERGEFIELD", {"Last Name"}, {{'m', ""}}},
        // Unquoted picture, switch glued to its argument, upper-case switch letter.
        CodeCase{" MERGEFIELD  yournumber \\# $#,###,### \\*Upper \\B x",
                 "MERGEFIELD",
                 {"yournumber"},
                 {{'#', "$#,###,###"}, {'*', "Upper"}, {'b', "x"}}},
        CodeCase{" MERGEFIELD  yourdate \\@ \"dddd, MMMM dd, yyyy\" ",
                 "MERGEFIELD",
                 {"yourdate"},
                 {{'@', "dddd, MMMM dd, yyyy"}}},
        // Doubled backslashes and an escaped quote inside quotes; \d takes no argument.
        CodeCase{" INCLUDEPICTURE \"C:\\\\Temp\\\\twdoc\\\\logo.jpg\" \\d ",
                 "INCLUDEPICTURE",
                 {"C:\\Temp\\twdoc\\logo.jpg"},
                 {{'d', ""}}},
        CodeCase{" IF x = \"a \\\"b\\\"\" \"yes\" \"\" ", "IF", {"x", "=", "a \"b\"", "yes", ""}, {}},
        CodeCase{" MERGEFIELD naam \\b \"Dhr. \" \\f \", \" \\v ",
                 "MERGEFIELD",
                 {"naam"},
                 {{'b', "Dhr. "}, {'f', ", "}, {'v', ""}}},
        // A switch at the end without its argument; tabs and line breaks separate words.
        CodeCase{"MERGEFIELD\ta\r\n\\#", "MERGEFIELD", {"a"}, {{'#', ""}}}, CodeCase{"", "", {}, {}},
        CodeCase{" \"unterminated", "UNTERMINATED", {}, {}},
        // A formula's "=" glued to its expression, a switch glued to the keyword.
        CodeCase{" =1+2 \\# 0,00 ", "=", {"1+2"}, {{'#', "0,00"}}}, CodeCase{" = 3 ", "=", {"3"}, {}},
        CodeCase{" PAGE\\* roman ", "PAGE", {}, {{'*', "roman"}}},
        // A quoted keyword, a code that starts with a switch.
        CodeCase{" \"merge\\\"field\" x ", "MERGE\"FIELD", {"x"}, {}},
        CodeCase{" \\* MERGEFORMAT ", "", {}, {{'*', "MERGEFORMAT"}}}));

TEST(FieldCodePiecesTest, NestedResultsAreOneWordEvenWithBlanksOrEmpty) {
  std::vector<CodePiece> pieces = {{" IF ", false},   {"Jan de Vries", true}, {" = \"Jan*\" ", false},
                                   {"", true},        {" \"", false},         {"C:\\x", true},
                                   {".jpg\" ", false}};
  FieldCode code = parseFieldCode(pieces);
  ASSERT_EQ(code.arguments.size(), 5u);
  EXPECT_EQ(code.arguments[0].text, "Jan de Vries");
  EXPECT_EQ(code.arguments[2].text, "Jan*");
  EXPECT_TRUE(code.arguments[2].quoted);
  EXPECT_EQ(code.arguments[3].text, "");           // an empty nested result still is an operand
  EXPECT_EQ(code.arguments[4].text, "C:\\x.jpg");  // no escape processing in a nested result
}

TEST(FieldCodePiecesTest, FormatsCompareWithoutCase) {
  FieldCode code = parseFieldCode(" MERGEFIELD x \\* upper \\* MergeFormat ");
  EXPECT_TRUE(code.hasFormat("MERGEFORMAT"));
  EXPECT_TRUE(code.hasFormat("Upper"));
  EXPECT_FALSE(code.hasFormat("CHARFORMAT"));
  EXPECT_EQ(code.firstArgument(), "x");
}

}  // namespace
}  // namespace tw::engine::mailmerge
