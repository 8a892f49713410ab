// Data sources: the add-in's HTML tables and CSV files, header + data, and files that are missing or bad.

#include <gtest/gtest.h>

#include "engine/errors.h"
#include "engine/mailmerge/data_source.h"
#include "posix/posix_system.h"
#include "support/test_services.h"

namespace tw::engine::mailmerge {
namespace {

std::vector<std::vector<std::string>> rowsOf(const DataTable& table) {
  std::vector<std::vector<std::string>> rows;
  for (size_t r = 0; r < table.recordCount(); ++r) {
    auto& row = rows.emplace_back();
    for (size_t c = 0; c < table.columns().size(); ++c) row.emplace_back(table.text(r, c));
  }
  return rows;
}

struct CsvCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

class CsvTest : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvTest, ReadsAsTheTextDriver) {
  DataTable table = readCsv(GetParam().bytes, "twDb.csv");
  EXPECT_EQ(table.columns(), GetParam().columns);
  EXPECT_EQ(rowsOf(table), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CsvTest,
    ::testing::Values(
        CsvCase{"CrLf",
                "naam,bedrag\r\nJansen,\"1.234,50\"\r\nDe Vries,12\r\n",
                {"naam", "bedrag"},
                {{"Jansen", "1.234,50"}, {"De Vries", "12"}}},
        CsvCase{"LfAndNoFinalLineEnd", "a,b\nx,y\nz,w", {"a", "b"}, {{"x", "y"}, {"z", "w"}}},
        CsvCase{"QuotesCommasAndLineBreaks",
                "a,b\n\"say \"\"hi\"\", then\",\"two\r\nlines\"\n",
                {"a", "b"},
                {{"say \"hi\", then", "two\r\nlines"}}},
        CsvCase{"ShortAndLongRows", "a,b,c\n1\n1,2,3,4\n", {"a", "b", "c"}, {{"1", "", ""}, {"1", "2", "3"}}},
        CsvCase{"BlanksEmptyLinesAndEmptyNames",
                " a , ,c\n\n  x ,\" y \",\r\n\r\n",
                {"a", "F2", "c"},
                {{"x", " y ", ""}}},
        CsvCase{"Windows1252KeptAsBytes", "naam\n\xC9mile \x80\n", {"naam"}, {{"\xC9mile \x80"}}},
        CsvCase{"HeaderOnly", "a,b\r\n", {"a", "b"}, {}}, CsvCase{"Empty", "", {}, {}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CsvErrorTest, UnterminatedQuoteSaysWhere) {
  try {
    readCsv("a,b\n1,2\n3,\"open\n4,5\n", "C:\\Temp\\twDb.csv");
    FAIL() << "no error";
  } catch (const runtime::Error& error) {
    EXPECT_EQ(error.number(), kWordDataSourceUnreadable);
    EXPECT_NE(error.description().find("C:\\Temp\\twDb.csv"), std::string::npos);
    EXPECT_NE(error.description().find("line 3"), std::string::npos) << error.description();
  }
}

struct HtmlCase {
  const char* name;
  std::string html;
  std::vector<std::vector<std::string>> rows;  // every row, the first included
};

class HtmlTest : public ::testing::TestWithParam<HtmlCase> {};

TEST_P(HtmlTest, ReadsTheFirstTable) {
  DataTable table = readHtmlTable(GetParam().html, "temp_dat_source.htm");
  std::vector<std::vector<std::string>> rows;
  for (size_t r = 0; r < table.recordCount(); ++r) {
    auto& row = rows.emplace_back();
    for (size_t c = 0; c < table.cellCount(r); ++c) row.emplace_back(table.text(r, c));
  }
  EXPECT_EQ(rows, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HtmlTest,
    ::testing::Values(
        HtmlCase{
            "AsTheAddInWritesIt",
            "<HTML>\r\n<BODY>\r\n<TABLE>\r\n<TR>\r\n<TD>naam</TD>\r\n<TD>bedrag</TD>\r\n</TR>\r\n</TABLE>\r\n"
            "</BODY>\r\n</HTML>",
            {{"naam", "bedrag"}}},
        HtmlCase{
            "EntitiesBlanksAndBreaks",
            "<table><tr><td>  Jan &amp;   Piet </td><td>a<br>b</td><td><p>x</p><p>y</p></td></tr></table>",
            {{"Jan & Piet", "a\vb", "x\ry"}}},
        HtmlCase{"BlanksBetweenInlineElements",
                 "<table><tr><td><b>Jan</b> <i>Jansen</i></td></tr></table>",
                 {{"Jan Jansen"}}},
        HtmlCase{"UnbalancedTagsAndMarkupInValues",
                 "<TABLE><TR><TD>een<TD>twee <b>vet</TD><TR><TD>drie</TABLE><TABLE><TR><TD>later</TD></TR>",
                 {{"een", "twee vet"}, {"drie"}}},
        HtmlCase{"NestedTableRowsAreNotRecords",
                 "<table><tr><td>a<table><tr><td>in</td></tr></table></td><td>b</td></tr></table>",
                 {{"a\rin", "b"}}},
        HtmlCase{"Windows1252Text", "<table><tr><td>\xC9\xE9n \x80</td></tr></table>", {{"\xC9\xE9n \x80"}}},
        HtmlCase{"MetaCharsetIsIgnored",
                 "<html><head><meta charset=utf-8></head><table><tr><td>caf\xE9</td></tr></table>",
                 {{"caf\xE9"}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(HtmlPictureTest, ImgCellsArePictures) {
  DataTable table = readHtmlTable(
      "<TABLE><TR><TD><IMG width='120' height='80' SRC='C:\\Temp\\document_image_1.jpg'></TD>"
      "<TD><IMG  SRC=C:\\Temp\\b.jpg></TD><td>tekst</td></TR></TABLE>",
      "source.htm");
  ASSERT_EQ(table.recordCount(), 1u);
  ASSERT_NE(table.picture(0, 0), nullptr);
  EXPECT_EQ(*table.picture(0, 0), (PictureValue{"C:\\Temp\\document_image_1.jpg", 120, 80}));
  ASSERT_NE(table.picture(0, 1), nullptr);
  EXPECT_EQ(*table.picture(0, 1), (PictureValue{"C:\\Temp\\b.jpg", std::nullopt, std::nullopt}));
  EXPECT_EQ(table.picture(0, 2), nullptr);
  EXPECT_EQ(table.picture(0, 7), nullptr);
}

TEST(HtmlErrorTest, PageWithoutTableIsUnreadable) {
  for (std::string bytes : {std::string("<html><body>geen tabel</body></html>"), std::string(""),
                            std::string("\x00\xFF<<<>>>&&&", 10)}) {
    EXPECT_THROW(readHtmlTable(bytes, "x.htm"), runtime::Error);
  }
}

class AttachTest : public ::testing::Test {
 protected:
  std::string put(const std::string& name, const std::string& bytes) {
    temp.write(name, bytes);
    return (temp / name).string();
  }
  testing::TempFolder temp;
  posix::PosixSystem system;
  MergeSources sources;
};

TEST_F(AttachTest, HeaderNamesTheColumnsAndEveryDataRowIsARecord) {
  std::string header =
      put("temp_dat_header.htm", "<TABLE><TR><TD>naam</TD><TD>bedrag</TD><TD>extra</TD></TR></TABLE>");
  std::string data = put("temp_dat_source.htm", "<TABLE><TR><TD>Jansen</TD><TD>12,50</TD></TR></TABLE>");
  sources.openHeaderSource(system, {header, 7, false, std::nullopt});
  sources.openDataSource(system, {data, 7, false, std::nullopt});
  const DataTable& table = sources.table();
  EXPECT_EQ(table.columns(), (std::vector<std::string>{"naam", "bedrag", "extra"}));
  EXPECT_EQ(rowsOf(table), (std::vector<std::vector<std::string>>{{"Jansen", "12,50", ""}}));
  EXPECT_EQ(table.columnIndex("NAAM"), 0u);
  EXPECT_FALSE(table.columnIndex("onbekend"));
}

TEST_F(AttachTest, DataSourceAloneTakesItsFirstRowAsNames) {
  std::string html = put("alone.htm", "<table><tr><td>a</td></tr><tr><td>1</td></tr></table>");
  sources.openDataSource(system, {html, 7, false, std::nullopt});
  EXPECT_EQ(sources.table().columns(), std::vector<std::string>{"a"});
  EXPECT_EQ(sources.table().recordCount(), 1u);

  std::string csv = put("twDb.csv", "a,b\r\n1,2\r\n3,4\r\n5,6\r\n");
  sources.openDataSource(
      system, {csv, std::nullopt, std::nullopt, "Provider=MSDASQL;Driver={Microsoft Text Driver (*.csv)}"});
  EXPECT_EQ(sources.table().recordCount(), 3u);
  EXPECT_EQ(sources.dataSourceName(), csv);
}

TEST_F(AttachTest, MissingAndUnreadableSourcesNameTheFile) {
  std::string missing = (temp / "nergens.htm").string();
  try {
    sources.openDataSource(system, {missing, 7, false, std::nullopt});
    FAIL() << "no error";
  } catch (const runtime::Error& error) {
    EXPECT_EQ(error.number(), kWordFileNotFound);
    EXPECT_NE(error.description().find(missing), std::string::npos);
  }
  std::string folder = (temp / "map.htm").string();
  std::filesystem::create_directory(folder);
  try {
    sources.openDataSource(system, {folder, 7, false, std::nullopt});
    FAIL() << "no error";
  } catch (const runtime::Error& error) {
    EXPECT_EQ(error.number(), kWordDataSourceUnreadable);
    EXPECT_NE(error.description().find(folder), std::string::npos);
  }
  EXPECT_FALSE(sources.attached());
  EXPECT_THROW(sources.table(), runtime::Error);
}

TEST(DataTableTest, ManyRecordsAreReadInFull) {
  std::string csv = "a,b,c,d,e\n";
  for (int i = 0; i < 200000; ++i) csv += "1,22,333,4444,55555\n";
  DataTable table = readCsv(csv, "big.csv");
  EXPECT_EQ(table.recordCount(), 200000u);
  EXPECT_EQ(table.text(199999, 4), "55555");
}

}  // namespace
}  // namespace tw::engine::mailmerge
