// Tables with rows added before a row, text boxes kept in step with their fallback copy, inline shapes.

#include "engine/engine_fixture.h"
#include "engine/ooxml/package.h"

namespace tw::testing {
namespace {

TEST_F(EngineTest, TablesRowsAndCellsAddressTheMainText) {
  auto doc = app->Documents()->Open(fixture("table.docx"));
  auto tables = doc->Tables();
  ASSERT_EQ(tables->Count(), 1);  // the nested table is not one of the document's tables
  auto table = tables->Item(1);
  EXPECT_EQ(table->Rows()->Count(), 3);
  EXPECT_EQ(table->Rows()->Item(1)->Range()->Text(), "Omschrijving\r\aAantal\r\aBedrag\r\a\r\a");
  EXPECT_EQ(table->Rows()->Item(2)->Cells()->Count(), 3);
  EXPECT_EQ(table->Cell(1, 2)->Range()->Text(), "Aantal\r\a");
  EXPECT_EQ(table->Cell(2, 3)->Range()->Fields()->Count(), 1);
  EXPECT_EQ(table->Cell(3, 2)->Range()->Text(), "binnen\r\a\r\a\r\a");
  EXPECT_THROW(table->Cell(4, 1), runtime::Error);
  EXPECT_THROW(table->Cell(1, 4), runtime::Error);
}

// The record-row expansion: rows added before the template row, then one field per new row.
TEST_F(EngineTest, RowsAddBeforeARowCopiesItsCellStructureWithEmptyParagraphs) {
  auto doc = app->Documents()->Open(fixture("table.docx"));
  auto table = [&] { return doc->Tables()->Item(1); };
  for (long m = 0; m < 2; ++m) table()->Rows()->Add(table()->Rows()->Item(2 + m));
  ASSERT_EQ(table()->Rows()->Count(), 5);
  for (long r = 2; r <= 3; ++r) {
    EXPECT_EQ(table()->Rows()->Item(r)->Cells()->Count(), 3);
    for (long k = 1; k <= 3; ++k) EXPECT_EQ(table()->Cell(r, k)->Range()->Text(), "\r\a") << r << "," << k;
  }
  EXPECT_EQ(table()->Cell(4, 3)->Range()->Fields()->Count(), 1);  // the template row moved down
  for (long m = 0; m < 3; ++m) {
    auto range = table()->Cell(2 + m, 3)->Range();
    range->Collapse(word::wdCollapseStart);
    auto field = doc->Fields()->Add(range, word::wdFieldMergeField, std::nullopt, true);
    field->Code()->SetText("MERGEFIELD bedrag_" + std::to_string(m) + "  \\# \"#.##0,00\"");
  }
  doc->ActiveWindow()->View()->SetShowFieldCodes(true);
  EXPECT_EQ(table()->Cell(3, 3)->Range()->Fields()->Item(1)->Code()->Text(),
            "MERGEFIELD bedrag_1  \\# \"#.##0,00\"");
  doc->SaveAs(pathOf("rows.docx"));
  std::string xml = engine::ooxml::Package(temp.read("rows.docx"), "rows").readPart("word/document.xml");
  // Cell and paragraph properties of the model row are copied.
  auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (auto at = xml.find(what); at != std::string::npos; at = xml.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("<w:jc w:val=\"right\"/>"), 3u);
  EXPECT_EQ(count("<w:tcW w:w=\"3000\" w:type=\"dxa\"/>"), 15u);
  auto again = app->Documents()->Open(pathOf("rows.docx"));
  EXPECT_EQ(again->Tables()->Item(1)->Rows()->Count(), 5);
}

// A row's FormattedText set at the start of a row: a whole copy of the row goes in before it.
TEST_F(EngineTest, FormattedTextCopiesARowBeforeARow) {
  auto doc = app->Documents()->Open(fixture("table.docx"));
  auto table = [&] { return doc->Tables()->Item(1); };
  const std::string model = table()->Rows()->Item(2)->Range()->Text();
  for (long m = 0; m < 2; ++m) {
    auto at = table()->Rows()->Item(2 + m)->Range();
    at->Collapse(word::wdCollapseStart);
    at->SetFormattedText(table()->Rows()->Item(2 + m)->Range());
    EXPECT_EQ(at->Text(), model);  // the range covers the copy
  }
  ASSERT_EQ(table()->Rows()->Count(), 5);
  for (long r = 2; r <= 4; ++r) {
    EXPECT_EQ(table()->Rows()->Item(r)->Range()->Text(), model) << r;
    EXPECT_EQ(table()->Cell(r, 3)->Range()->Fields()->Count(), 1) << r;
  }

  // Anything but a whole row to the start of a row is not Word's row copy.
  const std::pair<std::shared_ptr<word::Range>, std::shared_ptr<word::Range>> refused[] = {
      {table()->Cell(2, 1)->Range(), table()->Rows()->Item(2)->Range()},
      {table()->Rows()->Item(2)->Range(), table()->Cell(2, 1)->Range()},
  };
  for (const auto& [target, source] : refused) {
    try {
      target->SetFormattedText(source);
      ADD_FAILURE() << "copied";
    } catch (const runtime::Error& error) {
      EXPECT_EQ(error.number(), 4605);
    }
  }
  EXPECT_EQ(table()->Rows()->Count(), 5);
}

TEST_F(EngineTest, RowsAddWithoutARowAppendsACopyOfTheLastRow) {
  auto doc = app->Documents()->Open(fixture("table.docx"));
  auto rows = doc->Tables()->Item(1)->Rows();
  rows->Add();
  EXPECT_EQ(rows->Count(), 4);
  EXPECT_EQ(rows->Item(4)->Range()->Text(), "\r\a\r\a\r\a\r\a");  // the nested table is not copied
}

// The copy keeps the row's properties, content controls and custom XML around its cells, the cells'
// properties and their first paragraph's properties; the content and Word 2010's identifiers go.
TEST_F(EngineTest, RowsAddCopiesWrappedCellsEmptyWithoutIdentifiers) {
  const std::string row =
      "<w:tr w14:paraId=\"1A2B3C4D\" w:rsidR=\"00AB\"><w:trPr><w:cantSplit/></w:trPr>"
      "<w:sdt><w:sdtPr><w:alias w:val=\"c\"/></w:sdtPr><w:sdtContent><w:tc><w:tcPr><w:tcW "
      "w:w=\"100\"/></w:tcPr>"
      "<w:p w14:paraId=\"11111111\" w:rsidR=\"01\"><w:pPr><w:jc "
      "w:val=\"right\"/></w:pPr><w:r><w:t>a</w:t></w:r></w:p>"
      "<w:p><w:r><w:t>b</w:t></w:r></w:p></w:tc></w:sdtContent></w:sdt>"
      "<w:customXml w:element=\"x\"><w:tc><w:tcPr><w:tcW w:w=\"200\"/></w:tcPr></w:tc></w:customXml></w:tr>";
  auto doc = openBody("<w:tbl><w:tblGrid><w:gridCol/><w:gridCol/></w:tblGrid>" + row + "</w:tbl><w:p/>");
  auto rows = doc->Tables()->Item(1)->Rows();
  rows->Add(rows->Item(1));
  ASSERT_EQ(rows->Count(), 2);
  EXPECT_EQ(rows->Item(1)->Range()->Text(), "\r\a\r\a\r\a");
  EXPECT_EQ(rows->Item(2)->Range()->Text(), "a\rb\r\a\r\a");  // a cell without a paragraph has no mark
  doc->SaveAs(pathOf("rows.docx"));
  std::string xml = engine::ooxml::Package(temp.read("rows.docx"), "rows").readPart("word/document.xml");
  std::size_t start = xml.find("<w:tr");
  std::string copy = xml.substr(start, xml.find("</w:tr>", start) + 7 - start);
  EXPECT_EQ(
      copy,
      "<w:tr w:rsidR=\"00AB\"><w:trPr><w:cantSplit/></w:trPr><w:sdt><w:sdtPr><w:alias w:val=\"c\"/></w:sdtPr>"
      "<w:sdtContent><w:tc><w:tcPr><w:tcW w:w=\"100\"/></w:tcPr><w:p w:rsidR=\"01\"><w:pPr><w:jc "
      "w:val=\"right\"/></w:pPr></w:p></w:tc></w:sdtContent></w:sdt><w:customXml "
      "w:element=\"x\"><w:tc><w:tcPr>"
      "<w:tcW w:w=\"200\"/></w:tcPr><w:p/></w:tc></w:customXml></w:tr>");
  EXPECT_NE(xml.find(row), std::string::npos);  // the model row stays as it was
}

TEST_F(EngineTest, TextBoxIsAShapeWhoseEditsReachBothCopies) {
  auto doc = app->Documents()->Open(fixture("textbox.docx"));
  auto shapes = doc->Shapes();
  ASSERT_EQ(shapes->Count(), 1);
  auto frame = shapes->Item(1)->TextFrame();
  EXPECT_TRUE(frame->HasText());
  EXPECT_EQ(frame->TextRange()->Text(), "Aan \xABnaam\xBB\r");
  EXPECT_EQ(doc->Content()->Text(), "Voor na\rTweede\r");
  auto fields = frame->TextRange()->Fields();
  ASSERT_EQ(fields->Count(), 1);
  EXPECT_EQ(doc->Fields()->Count(), 0);  // main text only
  fields->Item(1)->Code()->SetText(" MERGEFIELD klant ");
  doc->SaveAs(pathOf("box.docx"));
  std::string xml = engine::ooxml::Package(temp.read("box.docx"), "box").readPart("word/document.xml");
  std::size_t first = xml.find(" MERGEFIELD klant ");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(xml.find(" MERGEFIELD klant ", first + 1), std::string::npos);
  EXPECT_EQ(xml.find(" MERGEFIELD naam "), std::string::npos);
  auto stories = doc->StoryRanges();
  ASSERT_EQ(stories->Count(), 2);
  EXPECT_EQ(stories->Item(2)->Fields()->Item(1)->Code()->Text(), " MERGEFIELD klant ");
}

TEST_F(EngineTest, StoryRangesHoldHeadersFootersAndFootnotes) {
  auto doc = app->Documents()->Open(fixture("header_footer.docx"));
  auto stories = doc->StoryRanges();
  ASSERT_EQ(stories->Count(), 4);
  std::vector<std::string> codes;
  for (long i = 1; i <= stories->Count(); ++i) {
    auto fields = stories->Item(i)->Fields();
    for (long f = 1; f <= fields->Count(); ++f) codes.push_back(fields->Item(f)->Code()->Text());
  }
  EXPECT_EQ(codes, (std::vector<std::string>{" MERGEFIELD noot ", " MERGEFIELD bedrijf ", " PAGE ",
                                             " MERGEFIELD plaats "}));
  EXPECT_EQ(stories->Item(2)->Text(), "\x02 Voetnoot \xABnoot\xBB\r");
}

TEST_F(EngineTest, InlineShapesKnowLinkedPicturesAndEmbedThemOnRequest) {
  put("pic.png", "\x89PNG fake");
  std::string rels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/"
      "relationships\"><Relationship Id=\"rIdLink\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships/image\" Target=\"file:///" +
      temp.path().string() + "/pic.png\" TargetMode=\"External\"/></Relationships>";
  std::string picture =
      "<w:r><w:drawing><wp:inline><a:graphic><a:graphicData><a:blip r:link=\"rIdLink\"/>"
      "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
  auto doc = app->Documents()->Open(
      put("linked.docx", buildDocx(paragraph(run("a") + picture), {{"word/_rels/document.xml.rels", rels}})));
  auto shapes = doc->InlineShapes();
  ASSERT_EQ(shapes->Count(), 1);
  EXPECT_EQ(shapes->Item(1)->Type(), word::wdInlineShapeLinkedPicture);
  auto link = shapes->Item(1)->LinkFormat();
  EXPECT_FALSE(link->SavePictureWithDocument());
  link->SetSavePictureWithDocument(true);
  EXPECT_TRUE(link->SavePictureWithDocument());
  doc->SaveAs(pathOf("embedded.docx"));
  engine::ooxml::Package saved(temp.read("embedded.docx"), "embedded");
  EXPECT_EQ(saved.readPart("word/media/image_linked1.png"), "\x89PNG fake");
  EXPECT_NE(saved.readPart("word/_rels/document.xml.rels").find("media/image_linked1.png"),
            std::string::npos);
  EXPECT_NE(saved.readPart("[Content_Types].xml").find("Extension=\"png\""), std::string::npos);

  auto fixtureDoc = app->Documents()->Open(fixture("image.docx"));
  ASSERT_EQ(fixtureDoc->InlineShapes()->Count(), 2);
  EXPECT_EQ(fixtureDoc->InlineShapes()->Item(1)->Type(), word::wdInlineShapePicture);
  EXPECT_EQ(fixtureDoc->InlineShapes()->Item(2)->Type(), word::wdInlineShapeLinkedPicture);
  EXPECT_EQ(fixtureDoc->Content()->Text(), "Logo \x01 eind\r\x01\r");
}

}  // namespace
}  // namespace tw::testing

namespace tw::testing {
namespace {

// A table of a heading row, a row of three merge fields and a closing row.
struct RecordRowTable {
  const char* name;
  const char* file;
  bool savedByWord;          // read from the shared Word documents, else from our fixtures
  const char* secondColumn;  // the field code of the record row's second cell: its name ...
  const char* switches;      // ... and what follows the name
  const char* closingCell;   // text of the first cell of the closing row
};

class RecordRowsTest : public EngineTest, public ::testing::WithParamInterface<RecordRowTable> {};

// The record-row expansion: three entries of the row of merge fields.
TEST_P(RecordRowsTest, ExpandIntoOneRowPerEntry) {
  if (GetParam().savedByWord) TW_SKIP_WITHOUT_SHARED_WORD_FILES();
  auto doc = app->Documents()->Open(GetParam().savedByWord ? sharedWordFile(GetParam().file)
                                                           : fixture(GetParam().file));
  auto table = [&] { return doc->Tables()->Item(1); };
  const long top = 2, entries = 3;
  for (long k = 1; k <= 3; ++k) {
    auto field = table()->Cell(top + (k == 1 ? 0 : entries - 1), k)->Range()->Fields()->Item(1);
    std::string code = field->Code()->Text();
    std::string name = code.substr(12, code.find(' ', 12) - 12);
    std::string rest = code.substr(12 + name.size());
    if (k == 1) {
      for (long m = 0; m < entries - 1; ++m) table()->Rows()->Add(table()->Rows()->Item(top + m));
      field = table()->Cell(top + entries - 1, k)->Range()->Fields()->Item(1);
    }
    field->Delete();
    for (long m = 0; m < entries; ++m) {
      auto range = table()->Cell(top + m, k)->Range();
      range->Collapse(word::wdCollapseStart);
      doc->Fields()
          ->Add(range, word::wdFieldMergeField, std::nullopt, true)
          ->Code()
          ->SetText("MERGEFIELD " + name + "_" + std::to_string(m) + rest);
    }
  }
  doc->SaveAs(pathOf("expanded.docx"));
  doc->Close();
  auto again = app->Documents()->Open(pathOf("expanded.docx"));
  auto expanded = again->Tables()->Item(1);
  EXPECT_EQ(expanded->Rows()->Count(), 5);
  for (long m = 0; m < entries; ++m) {
    auto fields = expanded->Rows()->Item(top + m)->Range()->Fields();
    ASSERT_EQ(fields->Count(), 3) << m;
    EXPECT_EQ(fields->Item(2)->Code()->Text(), "MERGEFIELD " + std::string(GetParam().secondColumn) + "_" +
                                                   std::to_string(m) + GetParam().switches);
  }
  EXPECT_EQ(expanded->Cell(5, 1)->Range()->Text(), std::string(GetParam().closingCell) + "\r\a");
}

INSTANTIATE_TEST_SUITE_P(
    Tables, RecordRowsTest,
    ::testing::Values(RecordRowTable{"Ours", "table.docx", false, "aantal", " ", "Totaal"},
                      RecordRowTable{"SavedByWord", "13_docxmailmerge_table_rows_macword.docx", true,
                                     "class_name", " \\* MERGEFORMAT ", "THESIS"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tw::testing
