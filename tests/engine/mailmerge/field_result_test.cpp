// What merged fields show: numeric and date pictures in nl-NL and en-US, text formats, \b and \f, IF.

#include <gtest/gtest.h>

#include "engine/mailmerge/data_source.h"
#include "engine/mailmerge/field_result.h"
#include "engine/mailmerge/merge_values.h"
#include "runtime/locale.h"

namespace tw::engine::mailmerge {
namespace {

struct ResultCase {
  const char* locale;
  const char* value;
  const char* code;
  const char* expected;
};

class FieldResultTest : public ::testing::TestWithParam<ResultCase> {};

TEST_P(FieldResultTest, ShowsWhatWordShows) {
  const ResultCase& c = GetParam();
  const runtime::Locale& locale = runtime::localeByName(c.locale);
  FieldCode code = parseFieldCode(c.code);
  std::string result =
      code.keyword == "IF" ? evaluateIf(code, locale) : formatFieldResult(c.value, code, locale);
  EXPECT_EQ(result, c.expected) << c.locale << " [" << c.value << "] " << c.code;
}

INSTANTIATE_TEST_SUITE_P(
    NumericPictures, FieldResultTest,
    ::testing::Values(
        // Pictures arrive localised: the same amount in both locales.
        ResultCase{"nl-NL", "1234,5", " MERGEFIELD b \\# \"#.##0,00\" ", "1.234,50"},
        ResultCase{"en-US", "1234.5", " MERGEFIELD b \\# \"#,##0.00\" ", "1,234.50"},
        ResultCase{"nl-NL", "1.234.567,891", " MERGEFIELD b \\# \"#.##0,00\" ", "1.234.567,89"},
        ResultCase{"en-US", "-1234.5", " MERGEFIELD b \\# \"#,##0.00\" ", "-1,234.50"},
        // Half away from zero, also where binary fractions would round down.
        ResultCase{"en-US", "2.675", " MERGEFIELD b \\# 0.00 ", "2.68"},
        ResultCase{"en-US", "-2.5", " MERGEFIELD b \\# 0 ", "-3"},
        ResultCase{"en-US", "9.995", " MERGEFIELD b \\# 0.00 ", "10.00"},
        ResultCase{"en-US", "-0.001", " MERGEFIELD b \\# 0.00 ", "0.00"},
        // # leaves a blank where the number has no digit; 0 a zero.
        ResultCase{"en-US", "15", " MERGEFIELD b \\# $### ", "$ 15"},
        ResultCase{"en-US", "9", " MERGEFIELD b \\# 00.00 ", "09.00"},
        ResultCase{"en-US", "5", " MERGEFIELD b \\# \"#,##0.00\" ", "    5.00"},
        ResultCase{"en-US", "123456", " MERGEFIELD b \\# 0 ", "123456"},  // more digits than places
        ResultCase{"en-US", "1234567", " MERGEFIELD b \\# \",0\" ", "1,234,567"},
        // x drops digits on the left and rounds on the right.
        ResultCase{"en-US", "222492", " MERGEFIELD b \\# x## ", "492"},
        ResultCase{"en-US", "0.125678", " MERGEFIELD b \\# 0.00x ", "0.126"},
        ResultCase{"en-US", "0.75", " MERGEFIELD b \\# .x ", ".8"},
        // Sign places and sections.
        ResultCase{"en-US", "-10", " MERGEFIELD b \\# -## ", "-10"},
        ResultCase{"en-US", "10", " MERGEFIELD b \\# -## ", " 10"},
        ResultCase{"en-US", "10", " MERGEFIELD b \\# +## ", "+10"},
        ResultCase{"en-US", "-1245.65", " MERGEFIELD b \\# \"$#,##0.00;($#,##0.00)\" ", "($1,245.65)"},
        ResultCase{"nl-NL", "0", " MERGEFIELD b \\# \"0,00;-0,00;'nihil'\" ", "nihil"},
        // A '-' in the negative section prints, once; the positive section stays unsigned.
        ResultCase{"nl-NL", "-1234,5", " MERGEFIELD b \\# \"#.##0,00;-#.##0,00\" ", "-1.234,50"},
        ResultCase{"nl-NL", "1234,5", " MERGEFIELD b \\# \"#.##0,00;-#.##0,00\" ", "1.234,50"},
        ResultCase{"nl-NL", "-7", " MERGEFIELD b \\# \"0;-0;'nul'\" ", "-7"},
        ResultCase{"en-US", "-7", " MERGEFIELD b \\# \"0;0 'CR'\" ", "7 CR"},
        ResultCase{"en-US", "-7", " MERGEFIELD b \\# \"+0;+0\" ", "-7"},
        // Literal text in apostrophes keeps its placeholders; other characters stay.
        ResultCase{"en-US", "3.89", " MERGEFIELD b \\# \"$##0.00 'is the ##.00 tax'\" ",
                   "$  3.89 is the ##.00 tax"},
        ResultCase{"en-US", "5551234567", " MERGEFIELD b \\# \"(000)'-'000'-'0000\" ", "(555)-123-4567"},
        ResultCase{"en-US", "33", " MERGEFIELD b \\# ##% ", "33%"},
        // Numbers are read in the locale: a Dutch amount is not an English one.
        ResultCase{"nl-NL", "1.234", " MERGEFIELD b \\# 0,00 ", "1234,00"},
        ResultCase{"en-US", "1.5E3", " MERGEFIELD b \\# 0 ", "1500"},
        // A value that is not a number keeps its text; an empty one stays empty.
        ResultCase{"nl-NL", "n.v.t.", " MERGEFIELD b \\# \"#.##0,00\" ", "n.v.t."},
        ResultCase{"nl-NL", "12abc", " MERGEFIELD b \\# 0 ", "12abc"},
        ResultCase{"nl-NL", "", " MERGEFIELD b \\# 0,00 ", ""}));

INSTANTIATE_TEST_SUITE_P(
    DatePictures, FieldResultTest,
    ::testing::Values(
        ResultCase{"nl-NL", "3-2-2025", " MERGEFIELD d \\@ \"d MMMM yyyy\" ", "3 februari 2025"},
        ResultCase{"nl-NL", "31-12-2024", " MERGEFIELD d \\@ \"dddd d MMMM yyyy\" ",
                   "dinsdag 31 december 2024"},
        ResultCase{"nl-NL", "2025-03-01", " MERGEFIELD d \\@ \"ddd d MMM yy\" ", "za 1 mrt 25"},
        ResultCase{"en-US", "12/31/2024", " MERGEFIELD d \\@ \"dddd, MMMM dd, yyyy\" ",
                   "Tuesday, December 31, 2024"},
        ResultCase{"en-US", "2/3/2025 2:05 PM", " MERGEFIELD d \\@ \"M/d/yy h:mm AM/PM\" ", "2/3/25 2:05 PM"},
        ResultCase{"nl-NL", "3-2-2025 14:05:09", " MERGEFIELD d \\@ \"dd-MM-yyyy HH:mm:ss\" ",
                   "03-02-2025 14:05:09"},
        ResultCase{"nl-NL", "2025-02-03T08:30", " MERGEFIELD d \\@ \"H 'uur' m\" ", "8 uur 30"},
        // Upper-case D and Y read as their lower-case letters; quoted text keeps them.
        ResultCase{"nl-NL", "3-2-2025", " MERGEFIELD d \\@ \"DD-MM-YYYY\" ", "03-02-2025"},
        ResultCase{"nl-NL", "3-2-2025", " MERGEFIELD d \\@ \"DDDD D MMMM YY\" ", "maandag 3 februari 25"},
        ResultCase{"nl-NL", "3-2-2025", " MERGEFIELD d \\@ \"'Dag' D\" ", "Dag 3"},
        // The order is the locale's: 3-2-2025 is 3 February in Dutch, 2/3/2025 is 3 February in English.
        ResultCase{"en-US", "2/3/2025", " MERGEFIELD d \\@ \"d MMMM\" ", "3 February"},
        // Month names in the locale or in English, with or without the weekday.
        ResultCase{"nl-NL", "3 februari 2025", " MERGEFIELD d \\@ \"dd-MM-yyyy\" ", "03-02-2025"},
        ResultCase{"nl-NL", "dinsdag 31 december 2024", " MERGEFIELD d \\@ \"d-M-yy\" ", "31-12-24"},
        ResultCase{"en-US", "February 3, 2025", " MERGEFIELD d \\@ \"d MMMM yyyy\" ", "3 February 2025"},
        ResultCase{"nl-NL", "3 mrt. 2025 9:15", " MERGEFIELD d \\@ \"d MMMM yyyy H:mm\" ",
                   "3 maart 2025 9:15"},
        // Not a date: the text stays.
        ResultCase{"nl-NL", "31-2-2025", " MERGEFIELD d \\@ \"d MMMM yyyy\" ", "31-2-2025"},
        ResultCase{"nl-NL", "morgen", " MERGEFIELD d \\@ \"d MMMM yyyy\" ", "morgen"},
        ResultCase{"nl-NL", "3 februari", " MERGEFIELD d \\@ \"d MMMM yyyy\" ", "3 februari"},
        ResultCase{"nl-NL", "huisnummer 12", " MERGEFIELD d \\@ \"d MMMM yyyy\" ", "huisnummer 12"}));

INSTANTIATE_TEST_SUITE_P(
    TextFormatsAndAffixes, FieldResultTest,
    ::testing::Values(
        ResultCase{"nl-NL", "jan de vries", " MERGEFIELD n \\* Upper ", "JAN DE VRIES"},
        ResultCase{"nl-NL", "\xC9\xE9N \xC9N", " MERGEFIELD n \\* Lower ", "\xE9\xE9n \xE9n"},
        ResultCase{"nl-NL", "jAN DE vries", " MERGEFIELD n \\* FirstCap ", "Jan de vries"},
        ResultCase{"nl-NL", "JAN-PIETER DE VRIES", " MERGEFIELD n \\* Caps ", "Jan-Pieter De Vries"},
        ResultCase{"nl-NL", "\xE9\x9Ar\xFF", " MERGEFIELD n \\* Upper \\* MERGEFORMAT ", "\xC9\x8AR\x9F"},
        ResultCase{"nl-NL", "tekst", " MERGEFIELD n \\* CHARFORMAT ", "tekst"},
        ResultCase{"nl-NL", "Jansen", " MERGEFIELD n \\b \"Dhr. \" \\f \",\" ", "Dhr. Jansen,"},
        ResultCase{"nl-NL", "", " MERGEFIELD n \\b \"Dhr. \" \\f \",\" ", ""},
        ResultCase{"nl-NL", "12,5", " MERGEFIELD n \\# 0,00 \\b \"EUR \" ", "EUR 12,50"}));

INSTANTIATE_TEST_SUITE_P(
    NumberFormats, FieldResultTest,
    ::testing::Values(
        ResultCase{"en-US", "12", " MERGEFIELD n \\* Roman ", "XII"},
        ResultCase{"en-US", "1994", " MERGEFIELD n \\* roman ", "mcmxciv"},
        ResultCase{"en-US", "3999", " MERGEFIELD n \\* ROMAN ", "MMMCMXCIX"},
        ResultCase{"nl-NL", "2,5", " MERGEFIELD n \\* Roman ", "III"},  // whole numbers, half away from zero
        ResultCase{"en-US", "3", " MERGEFIELD n \\* alphabetic ", "c"},
        ResultCase{"en-US", "27", " MERGEFIELD n \\* ALPHABETIC ", "AA"},  // the letter repeats
        ResultCase{"en-US", "54", " MERGEFIELD n \\* ALPHABETIC ", "BBB"},
        ResultCase{"en-US", "-4.6", " MERGEFIELD n \\* Arabic ", "-5"},
        ResultCase{"en-US", "1", " MERGEFIELD n \\* Ordinal ", "1st"},
        ResultCase{"en-US", "12", " MERGEFIELD n \\* Ordinal ", "12th"},
        ResultCase{"en-US", "113", " MERGEFIELD n \\* Ordinal ", "113th"},
        ResultCase{"en-US", "22", " MERGEFIELD n \\* Ordinal ", "22nd"},
        ResultCase{"en-US", "0", " MERGEFIELD n \\* CardText ", "zero"},
        ResultCase{"en-US", "790", " MERGEFIELD n \\* CardText ", "seven hundred ninety"},
        ResultCase{"en-US", "1015", " MERGEFIELD n \\* CardText ", "one thousand fifteen"},
        ResultCase{"en-US", "999999", " MERGEFIELD n \\* CardText \\* FirstCap ",
                   "Nine hundred ninety-nine thousand nine hundred ninety-nine"},
        ResultCase{"en-US", "21", " MERGEFIELD n \\* OrdText ", "twenty-first"},
        ResultCase{"en-US", "40", " MERGEFIELD n \\* OrdText ", "fortieth"},
        ResultCase{"en-US", "112", " MERGEFIELD n \\* OrdText ", "one hundred twelfth"},
        ResultCase{"en-US", "2000", " MERGEFIELD n \\* OrdText ", "two thousandth"},
        ResultCase{"en-US", "458", " MERGEFIELD n \\* Hex ", "1CA"},
        ResultCase{"en-US", "14.55", " MERGEFIELD n \\* DollarText \\* Upper ", "FOURTEEN AND 55/100"},
        ResultCase{"nl-NL", "1234,5", " MERGEFIELD n \\* DollarText ",
                   "one thousand two hundred thirty-four and 50/100"},
        ResultCase{"en-US", "0.999", " MERGEFIELD n \\* DollarText ", "one and 00/100"},
        // What a format cannot show, and text that is no number, stay as they are.
        ResultCase{"en-US", "0", " MERGEFIELD n \\* Roman ", "0"},
        ResultCase{"en-US", "-3", " MERGEFIELD n \\* Ordinal ", "-3"},
        ResultCase{"en-US", "1000000", " MERGEFIELD n \\* CardText ", "1000000"},
        ResultCase{"en-US", "zeven", " MERGEFIELD n \\* CardText ", "zeven"},
        // A picture first, then the number format of what it shows.
        ResultCase{"en-US", "7.4", " MERGEFIELD n \\# 0.0 \\* Ordinal ", "7th"}));

INSTANTIATE_TEST_SUITE_P(
    IfFields, FieldResultTest,
    ::testing::Values(
        ResultCase{"nl-NL", "", " IF 12,5 > 0 \"positief\" \"niet\" ", "positief"},
        ResultCase{"nl-NL", "", " IF 9 < 10 \"kleiner\" \"groter\" ", "kleiner"},  // numbers, not text
        ResultCase{"nl-NL", "", " IF \"9a\" < \"10a\" \"kleiner\" \"groter\" ", "groter"},  // text
        ResultCase{"nl-NL", "", " IF 1.000 = 1000 \"gelijk\" \"anders\" ", "gelijk"},
        ResultCase{"nl-NL", "", " IF Jansen = \"Jan*\" \"J\" \"-\" ", "J"},
        ResultCase{"nl-NL", "", " IF Jansen = \"Jans?n\" \"J\" \"-\" ", "J"},
        ResultCase{"nl-NL", "", " IF Jansen = \"jansen\" \"J\" \"-\" ", "-"},  // case counts
        ResultCase{"nl-NL", "", " IF Jansen <> \"Jan*\" \"anders\" \"J\" ", "J"},
        ResultCase{"nl-NL", "", " IF x >= x \"ja\" ", "ja"},
        ResultCase{"nl-NL", "", " IF a >= b \"ja\" ", ""},                   // no false text
        ResultCase{"nl-NL", "", " IF = \"\" \"leeg\" \"gevuld\" ", "leeg"},  // empty left operand
        ResultCase{"nl-NL", "", " IF x=\"x\" \"ja\" \"nee\" ", "ja"},        // operator glued to operands
        ResultCase{"nl-NL", "", " IF 3>2 \"ja\" \"nee\" ", "ja"},
        ResultCase{"nl-NL", "", " IF 100 >=30 \"ja\" \"nee\" ", "ja"},  // glued to the right operand
        ResultCase{"nl-NL", "", " IF 100 <>\"100\" \"ja\" \"nee\" ", "nee"},
        ResultCase{"nl-NL", "", " IF 0 \"ja\" \"nee\" ", "nee"},  // a lone operand
        ResultCase{"nl-NL", "", " IF 1 = 1 \"ja\" \"nee\" \\* Upper ", "JA"}));

TEST(MergeValuesTest, DecimalRoundingIsExact) {
  const runtime::Locale& en = runtime::localeByName("en-US");
  auto number = parseNumber("  -0001234.50000 ", en);
  ASSERT_TRUE(number);
  EXPECT_TRUE(number->negative);
  EXPECT_EQ(number->integerDigits, "1234");
  EXPECT_EQ(number->fractionDigits, "5");
  EXPECT_EQ(number->rounded(0).integerDigits, "1235");
  EXPECT_DOUBLE_EQ(number->toDouble(), -1234.5);
  EXPECT_FALSE(parseNumber("1,2,", en));
  EXPECT_FALSE(parseNumber("E5", en));
  EXPECT_FALSE(parseNumber("1E99999", en));
  // A doubled sign is not an exponent (it once read as a huge positive one).
  EXPECT_FALSE(parseNumber("30E--22022109", en));
  EXPECT_FALSE(parseNumber("3E+-2", en));
  ASSERT_TRUE(parseNumber("3E-2", en));
  EXPECT_EQ(parseNumber("3E-2", en)->fractionDigits, "03");
}

TEST(MergeValuesTest, WildcardsMatchRunsAndSingleCharacters) {
  EXPECT_TRUE(wildcardMatch("abcabd", "*abd"));
  EXPECT_TRUE(wildcardMatch("", "*"));
  EXPECT_FALSE(wildcardMatch("abc", "a?"));
  EXPECT_TRUE(wildcardMatch("a*c", "a*c"));
}

}  // namespace
}  // namespace tw::engine::mailmerge

namespace tw::engine::mailmerge {
namespace {

// Codes as Word stored them in the documents of ../shared/fixtures/word (read with field codes shown:
// nested fields between marks 19 and 21, their old results after mark 20), merged with a CSV record.
struct WordCodeCase {
  const char* name;
  const char* locale;
  std::string csv;
  std::string code;
  std::string expected;
};

class WordCodeTest : public ::testing::TestWithParam<WordCodeCase> {};

TEST_P(WordCodeTest, MergesAsWordDoes) {
  const WordCodeCase& c = GetParam();
  const runtime::Locale& locale = runtime::localeByName(c.locale);
  DataTable table = readCsv(c.csv, "record.csv");
  ASSERT_EQ(table.recordCount(), 1u);
  auto resolve = [&](const FieldCode& nested) { return mergedText(nested, table, 0, locale).value_or(""); };
  FieldCode code = parseFieldCode(resolveNestedFields(c.code, resolve));
  EXPECT_EQ(mergedText(code, table, 0, locale), c.expected);
}

const std::string kNestedIf =
    " IF \x13 MERGEFIELD fieldname \\* MERGEFORMAT \x14\xAB"
    "fieldname\xBB\x15 <> \"one\" \"\x13 IF \x13 MERGEFIELD fieldname \\* MERGEFORMAT \x14\xAB"
    "fieldname\xBB\x15 = \"two\" \"two\" \"more: \x13 MERGEFIELD fieldname \\* MERGEFORMAT \x14\xAB"
    "fieldname\xBB\x15\" \\* MERGEFORMAT \x14more: \x13 MERGEFIELD fieldname \\* MERGEFORMAT \x14\xAB"
    "fieldname\xBB\x15\x15\" \"- one -\" \\* MERGEFORMAT ";
const std::string kIfWithAffix =
    " IF \x13 MERGEFIELD NetIncome \x15 > 0 \" (surplus of \x13 MERGEFIELD  NetIncome \\f $ \x15) \" \"\" ";

INSTANTIATE_TEST_SUITE_P(
    SavedByWord, WordCodeTest,
    ::testing::Values(
        WordCodeCase{"NestedIfOne", "en-US", "fieldname\none\n", kNestedIf, "- one -"},
        WordCodeCase{"NestedIfTwo", "en-US", "fieldname\ntwo\n", kNestedIf, "two"},
        WordCodeCase{"NestedIfMore", "en-US", "fieldname\nthree\n", kNestedIf, "more: three"},
        WordCodeCase{"IfWithAffixPositive", "en-US", "NetIncome\n1500\n", kIfWithAffix,
                     " (surplus of 1500$) "},
        WordCodeCase{"IfWithAffixZero", "en-US", "NetIncome\n0\n", kIfWithAffix, ""},
        WordCodeCase{"UnquotedNumberPicture", "en-US", "yournumber\n2456800\n",
                     " MERGEFIELD  yournumber \\# $#,###,### ", "$2,456,800"},
        WordCodeCase{"DatePicture", "en-US", "yourdate\n12/31/2024\n",
                     " MERGEFIELD  yourdate \\@ \"dddd, MMMM dd, yyyy\" ", "Tuesday, December 31, 2024"},
        WordCodeCase{"NamesDifferingInCase", "nl-NL", "kundenname\nmax MUSTERMANN\n",
                     " MERGEFIELD  KUNDENNAME  \\* Upper MERGEFORMAT ", "MAX MUSTERMANN"},
        WordCodeCase{"FirstCap", "nl-NL", "kundenname\nmax MUSTERMANN\n",
                     " MERGEFIELD  Kundenname  \\* FirstCap MERGEFORMAT ", "Max mustermann"},
        WordCodeCase{"UnquotedTextBefore", "nl-NL", "htmlField1\nx\n",
                     " MERGEFIELD  htmlField1 \\b Content \\* MERGEFORMAT ", "Contentx"},
        WordCodeCase{"QuotedNameMapped", "nl-NL", "Nickname\nJW\n", " MERGEFIELD \"Nickname\" \\m ", "JW"},
        WordCodeCase{"UnknownColumnIsEmpty", "nl-NL", "a\n1\n", " MERGEFIELD onbekend ", ""},
        WordCodeCase{"RecordNumber", "nl-NL", "a\n1\n", " MERGEREC ", "1"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(WordCodeFieldsTest, FieldsAMergeDoesNotTouchStay) {
  DataTable table = readCsv("a\n1\n", "x.csv");
  const runtime::Locale& nl = runtime::localeByName("nl-NL");
  EXPECT_FALSE(mergedText(parseFieldCode(" PAGE "), table, 0, nl));
  EXPECT_FALSE(mergedText(parseFieldCode(" DATE \\@ \"d MMMM yyyy\" "), table, 0, nl));
}

TEST(WordCodeFieldsTest, DamagedNestingDoesNotHang) {
  std::string deep(10000, '\x13');
  deep += " MERGEFIELD a " + std::string(10000, '\x15') + "\x14\x15 tail";
  int calls = 0;
  auto pieces = resolveNestedFields(deep, [&](const FieldCode&) {
    ++calls;
    return std::string("x");
  });
  EXPECT_LE(calls, 33);
  EXPECT_FALSE(pieces.empty());
}

// The keyword read from the first word alone must be the one the whole code gives with its nested fields
// resolved to nothing.
TEST(KeywordOf, IsTheKeywordOfTheWholeCode) {
  const struct {
    std::string code;
    const char* keyword;
  } cases[] = {
      {" nextif a = 1", "NEXTIF"},
      {"\tSKIPIF \"a b\" <> x", "SKIPIF"},
      {"NEXTIF \x13 MERGEFIELD a \x15 = 1", "NEXTIF"},
      {"NEXT\x15", "NEXT"},
      {"NE\x14XT", "NEXT"},
      {"\x13 MERGEFIELD k \x14old\x15 NEXT", ""},
      {"", ""},
      {kNestedIf, "IF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const std::string whole =
        parseFieldCode(resolveNestedFields(c.code, [](const FieldCode&) { return std::string(); })).keyword;
    EXPECT_EQ(keywordOf(c.code), whole);
    EXPECT_EQ(keywordOf(c.code), c.keyword);
  }
}

}  // namespace
}  // namespace tw::engine::mailmerge
