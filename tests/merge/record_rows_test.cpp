#include "merge/record_rows.h"

#include <gtest/gtest.h>

#include "engine/ooxml/package.h"
#include "merge/merge_test_fixture.h"

namespace tw::addin {
namespace {

class RecordRowsTest : public MergeTest {
 protected:
  // Declares a record group with `count` entries and its fields.
  void group(const std::string& name, const std::string& count, const std::vector<std::string>& fields) {
    addin.module().recordCounts.add(name, count);
    for (const auto& field : fields) addin.module().recordOfField.add(field, name);
  }

  void expand() {
    expandRecordRows(addin.context(),
                     [this](const runtime::Error& error) { errors.push_back(error.description()); });
  }

  std::shared_ptr<word::Table> tableAt(long i) { return word->ActiveDocument()->Tables()->Item(i); }
  long rowCount(long i) { return tableAt(i)->Rows()->Count(); }
  // The codes of the fields in cell (r, k) of table i, without their outer blanks, joined by "|".
  std::string cell(long i, long r, long k) {
    auto fields = tableAt(i)->Cell(r, k)->Range()->Fields();
    std::string joined;
    for (long f = 1; f <= fields->Count(); ++f) {
      std::string code = fields->Item(f)->Code()->Text();
      size_t first = code.find_first_not_of(' ');
      size_t last = code.find_last_not_of(' ');
      joined += (f > 1 ? "|" : "") + (first == std::string::npos ? "" : code.substr(first, last - first + 1));
    }
    return joined;
  }
  std::string cellText(long i, long r, long k) {
    word->ActiveDocument()->ActiveWindow()->View()->SetShowFieldCodes(false);
    return tableAt(i)->Cell(r, k)->Range()->Text();
  }

  std::vector<std::string> errors;
};

TEST_F(RecordRowsTest, ARowBecomesOneRowPerEntry) {
  group("regels", "3", {"a", "bedrag"});
  open(table({row({run("Kop"), run("Kop"), run("Kop")}),
              row({mergefield("a"), mergefield("bedrag \\# \"#.##0,00\""), run("tekst")})},
             3));
  expand();

  EXPECT_TRUE(errors.empty());
  ASSERT_EQ(rowCount(1), 4);
  for (long m = 0; m < 3; ++m) {
    EXPECT_EQ(cell(1, 2 + m, 1), "MERGEFIELD a_" + std::to_string(m));
    EXPECT_EQ(cell(1, 2 + m, 2), "MERGEFIELD bedrag_" + std::to_string(m) + "  \\# \"#.##0,00\"");
  }
  // Every entry's row is a copy of the template row, which becomes the last entry.
  EXPECT_EQ(cellText(1, 4, 3), "tekst\r\a");
  EXPECT_EQ(cellText(1, 2, 3), "tekst\r\a");
  EXPECT_EQ(cellText(1, 1, 1), "Kop\r\a");
}

TEST_F(RecordRowsTest, TwoGroupsInOneTableAndTheSecondTableUntouchedByTheFirst) {
  group("regels", "2", {"a"});
  group("btw", "3", {"b"});
  open(table({row({mergefield("a")}), row({run("midden")}), row({mergefield("b")})}, 1) +
       paragraph(run("tussen")) + table({row({mergefield("naam")}), row({run("onder")})}, 1));
  expand();

  ASSERT_EQ(rowCount(1), 6);
  EXPECT_EQ(cell(1, 1, 1), "MERGEFIELD a_0");
  EXPECT_EQ(cell(1, 2, 1), "MERGEFIELD a_1");
  EXPECT_EQ(cellText(1, 3, 1), "midden\r\a");
  EXPECT_EQ(cell(1, 4, 1), "MERGEFIELD b_0");
  EXPECT_EQ(cell(1, 6, 1), "MERGEFIELD b_2");
  // A field of no group is left as it is; the second table keeps its rows.
  EXPECT_EQ(rowCount(2), 2);
  EXPECT_EQ(cell(2, 1, 1), "MERGEFIELD naam");
}

// A later row or table using a group that was expanded already gets rows of its own, so no entry is
// written over the rows below it.
TEST_F(RecordRowsTest, EveryTemplateRowGetsRowsOfItsOwn) {
  group("regels", "2", {"a", "b", "c"});
  open(table({row({mergefield("a")}), row({mergefield("c")})}, 1) + paragraph(run("tussen")) +
       table({row({mergefield("b")}), row({run("onder")})}, 1));
  expand();
  ASSERT_EQ(rowCount(1), 4);
  EXPECT_EQ(cell(1, 1, 1), "MERGEFIELD a_0");
  EXPECT_EQ(cell(1, 2, 1), "MERGEFIELD a_1");
  EXPECT_EQ(cell(1, 3, 1), "MERGEFIELD c_0");
  EXPECT_EQ(cell(1, 4, 1), "MERGEFIELD c_1");
  ASSERT_EQ(rowCount(2), 3);
  EXPECT_EQ(cell(2, 1, 1), "MERGEFIELD b_0");
  EXPECT_EQ(cell(2, 2, 1), "MERGEFIELD b_1");
  EXPECT_EQ(cellText(2, 3, 1), "onder\r\a");
}

// Two fields in one cell keep their order in every row, and in the template row their place in the text.
TEST_F(RecordRowsTest, FieldsKeepTheirOrderAndPlace) {
  group("regels", "3", {"aantal", "eenheid"});
  open(table({row({run("Aantal: ") + mergefield("aantal") + run(" x ") + mergefield("eenheid") + run(".")})},
             1));
  expand();
  ASSERT_EQ(rowCount(1), 3);
  for (long m = 0; m < 3; ++m) {
    const std::string n = std::to_string(m);
    EXPECT_EQ(cell(1, 1 + m, 1), "MERGEFIELD aantal_" + n + "|MERGEFIELD eenheid_" + n);
  }
  word->ActiveDocument()->ActiveWindow()->View()->SetShowFieldCodes(true);
  for (long m = 0; m < 3; ++m) {
    const std::string n = std::to_string(m);
    EXPECT_EQ(tableAt(1)->Cell(1 + m, 1)->Range()->Text(), "Aantal: \x13MERGEFIELD aantal_" + n +
                                                               " \x14x\x15 x \x13MERGEFIELD eenheid_" + n +
                                                               " \x14x\x15.\r\a");
  }
}

// Every row made for an entry is a copy of the template row: its text, runs and formatting, nested fields
// in their places; bookmarks stay with the template row.
TEST_F(RecordRowsTest, EntryRowsAreCopiesOfTheTemplateRow) {
  group("regels", "3", {"bedrag", "aantal", "img_foto"});
  const std::string picture = testing::fieldChar("begin") +
                              testing::instr(" INCLUDEPICTURE \"C:\\\\foto\\\\") + mergefield("img_foto") +
                              testing::instr(".jpg\" \\d ") + testing::fieldChar("separate") + run("p") +
                              testing::fieldChar("end");
  open(table({row({"<w:bookmarkStart w:id=\"7\" w:name=\"regel\"/><w:r><w:rPr><w:b/></w:rPr><w:t "
                   "xml:space=\"preserve\">€ </w:t></w:r>" +
                       mergefield("bedrag") + "<w:bookmarkEnd w:id=\"7\"/>",
                   run("x") + mergefield("aantal"), picture})},
             3));
  expand();

  EXPECT_TRUE(errors.empty());
  ASSERT_EQ(rowCount(1), 3);
  word->ActiveDocument()->ActiveWindow()->View()->SetShowFieldCodes(true);
  for (long m = 0; m < 3; ++m) {
    const std::string n = std::to_string(m);
    EXPECT_EQ(tableAt(1)->Cell(1 + m, 1)->Range()->Text(),
              "\x80 \x13MERGEFIELD bedrag_" + n + " \x14x\x15\r\a");
    EXPECT_EQ(tableAt(1)->Cell(1 + m, 2)->Range()->Text(), "x\x13MERGEFIELD aantal_" + n + " \x14x\x15\r\a");
    EXPECT_EQ(cell(1, 1 + m, 3), "INCLUDEPICTURE \"C:\\\\foto\\\\\x13MERGEFIELD img_foto_" + n +
                                     " \x14x\x15.jpg\" \\d|MERGEFIELD img_foto_" + n);
  }
  const std::string saved = addin.tempPath("regels.docx");
  word->ActiveDocument()->SaveAs(saved);
  engine::ooxml::Package package(readTemp("regels.docx"), "regels.docx");
  const std::string xml = package.readPart("word/document.xml");
  auto count = [&](const std::string& what) {
    size_t n = 0;
    for (size_t at = xml.find(what); at != std::string::npos; at = xml.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("<w:b/>"), 3u);
  EXPECT_EQ(count("<w:bookmarkStart "), 1u);
}

TEST_F(RecordRowsTest, AQuotedNameKeepsItsQuotes) {
  group("regels", "2", {"Naam klant"});
  open(table({row({field(" MERGEFIELD \"Naam klant\" \\* Upper ")})}, 1));
  expand();
  EXPECT_EQ(cell(1, 1, 1), "MERGEFIELD \"Naam klant_0\"  \\* Upper");
  EXPECT_EQ(cell(1, 2, 1), "MERGEFIELD \"Naam klant_1\"  \\* Upper");
}

TEST_F(RecordRowsTest, CountsOfOneZeroAndNoNumber) {
  struct Case {
    std::string count;
    long rows;
    std::string codes;
  };
  const Case cases[] = {
      {"1", 1, "MERGEFIELD a_0"}, {"0", 1, ""}, {"geen", 1, ""}, {" 2 regels", 2, "MERGEFIELD a_0"}};
  int n = 0;
  for (const Case& c : cases) {
    addin.module().recordCounts.clear();
    addin.module().recordOfField.clear();
    group("regels", c.count, {"a"});
    auto document = open(table({row({mergefield("a")})}, 1), "count" + std::to_string(++n) + ".docx");
    expand();
    EXPECT_EQ(rowCount(1), c.rows) << c.count;
    EXPECT_EQ(cell(1, 1, 1), c.codes) << c.count;
    document->Close(false);
  }
}

TEST_F(RecordRowsTest, KeysIgnoreCaseAndTheNewNamesKeepTheTemplatesSpelling) {
  group("regels", "2", {"bedrag"});
  open(table({row({mergefield("Bedrag")})}, 1));
  expand();
  EXPECT_EQ(cell(1, 1, 1), "MERGEFIELD Bedrag_0");
  EXPECT_EQ(cell(1, 2, 1), "MERGEFIELD Bedrag_1");
}

TEST_F(RecordRowsTest, GroupsSharingARowShareItsRows) {
  group("regels", "2", {"a"});
  group("btw", "3", {"b"});
  open(table({row({mergefield("a"), mergefield("b"), run("tekst")})}, 3));
  expand();
  ASSERT_EQ(rowCount(1), 3);
  EXPECT_EQ(cell(1, 1, 1), "MERGEFIELD a_0");
  EXPECT_EQ(cell(1, 2, 1), "MERGEFIELD a_1");
  EXPECT_EQ(cell(1, 3, 1), "");
  for (long m = 0; m < 3; ++m) EXPECT_EQ(cell(1, 1 + m, 2), "MERGEFIELD b_" + std::to_string(m));
  EXPECT_EQ(cellText(1, 3, 3), "tekst\r\a");
}

TEST_F(RecordRowsTest, AMissingCountIsReportedAndTheRestGoesOn) {
  addin.module().recordOfField.add("a", "weg");
  group("regels", "2", {"b"});
  open(table({row({mergefield("a"), mergefield("b")})}, 2));
  expand();
  EXPECT_FALSE(errors.empty());
  EXPECT_EQ(rowCount(1), 2);
  // The field without a count stays in the template row, now the last.
  EXPECT_EQ(cell(1, 2, 1), "MERGEFIELD a");
  EXPECT_EQ(cell(1, 1, 2), "MERGEFIELD b_0");
  EXPECT_EQ(cell(1, 2, 2), "MERGEFIELD b_1");
}

}  // namespace
}  // namespace tw::addin
