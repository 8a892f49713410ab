// Word's character positions over paragraphs, fields, tables and objects, and edits through ranges.

#include "engine/engine_fixture.h"
#include "engine/ooxml/package.h"

namespace tw::testing {
namespace {

const std::string kDrawing =
    "<w:r><w:drawing><wp:inline><a:graphic><a:graphicData><a:blip "
    "r:embed=\"rId9\"/></a:graphicData></a:graphic>"
    "</wp:inline></w:drawing></w:r>";

struct TextCase {
  const char* name;
  std::string body;
  std::string withCodes;
  std::string withResults;
};

class ContentTextTest : public EngineTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(ContentTextTest, MatchesWordConventions) {
  auto doc = openBody(GetParam().body);
  auto content = doc->Content();
  EXPECT_EQ(content->Text(), GetParam().withResults);
  doc->ActiveWindow()->View()->SetShowFieldCodes(true);
  EXPECT_EQ(content->Text(), GetParam().withCodes);
  EXPECT_EQ(content->End(), static_cast<long>(GetParam().withCodes.size()) -
                                static_cast<long>(std::count(GetParam().withCodes.begin(),
                                                             GetParam().withCodes.end(), '\a')));
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, ContentTextTest,
    ::testing::Values(
        TextCase{"Paragraphs", paragraph(run("ab")) + paragraph(run("c")), "ab\rc\r", "ab\rc\r"},
        TextCase{"TabsAndBreaks",
                 paragraph("<w:r><w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/><w:br w:type=\"page\"/></w:r>"),
                 "a\tb\v\f\r", "a\tb\v\f\r"},
        TextCase{"MarkersHaveNoPosition",
                 paragraph("<w:bookmarkStart w:id=\"0\" w:name=\"b\"/>" + run("a") +
                           "<w:proofErr w:type=\"spellStart\"/><w:bookmarkEnd w:id=\"0\"/>" + run("b")),
                 "ab\r", "ab\r"},
        TextCase{"ComplexField", paragraph(run("x") + field(" PAGE ", "1")),
                 "x\x13 PAGE \x14"
                 "1\x15\r",
                 "x1\r"},
        TextCase{"FieldWithoutResult", paragraph(fieldChar("begin") + instr(" PAGE ") + fieldChar("end")),
                 "\x13 PAGE \x15\r", "\r"},
        TextCase{"SimpleField",
                 paragraph("<w:fldSimple w:instr=\" MERGEFIELD naam "
                           "\"><w:r><w:t>\xC2\xABnaam\xC2\xBB</w:t></w:r></w:fldSimple>"),
                 "\x13 MERGEFIELD naam \x14\xABnaam\xBB\x15\r", "\xABnaam\xBB\r"},
        TextCase{"NestedField",
                 paragraph(fieldChar("begin") + instr(" IF ") + field(" MERGEFIELD a ", "1") +
                           instr(" > 0 \"ja\" ") + fieldChar("separate") + run("ja") + fieldChar("end")),
                 "\x13 IF \x13 MERGEFIELD a \x14"
                 "1\x15 > 0 \"ja\" \x14ja\x15\r",
                 "ja\r"},
        TextCase{"Table",
                 "<w:tbl><w:tr><w:tc>" + paragraph(run("a")) + "</w:tc><w:tc>" + paragraph(run("b")) +
                     "</w:tc></w:tr><w:tr><w:tc>" + paragraph("") + paragraph(run("c")) + "</w:tc><w:tc>" +
                     paragraph("") + "</w:tc></w:tr></w:tbl>" + paragraph(""),
                 "a\r\ab\r\a\r\a\rc\r\a\r\a\r\a\r", "a\r\ab\r\a\r\a\rc\r\a\r\a\r\a\r"},
        TextCase{"InlinePicture", paragraph(run("a") + kDrawing + run("b")),
                 "a\x01"
                 "b\r",
                 "a\x01"
                 "b\r"},
        TextCase{"Hyperlink",
                 paragraph("<w:hyperlink r:id=\"rId3\">" + run("link") + "</w:hyperlink>" + run("!")),
                 "link!\r", "link!\r"},
        TextCase{"Utf8ToCodePage", paragraph(run("\xE2\x82\xAC 5, caf\xC3\xA9")), "\x80 5, caf\xE9\r",
                 "\x80 5, caf\xE9\r"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(EngineTest, RangesAddressPositionsAndSetTextCoversTheNewText) {
  auto doc = openBody(paragraph(run("Hello world")) + paragraph(run("Second")));
  auto range = doc->Range(6, 11);
  EXPECT_EQ(range->Text(), "world");
  range->SetText("there, friend");
  EXPECT_EQ(range->Start(), 6);
  EXPECT_EQ(range->End(), 19);
  EXPECT_EQ(doc->Content()->Text(), "Hello there, friend\rSecond\r");
  range->Collapse(word::wdCollapseEnd);
  EXPECT_EQ(range->Start(), 19);
  range->SetText("!");
  EXPECT_EQ(doc->Content()->Text(), "Hello there, friend!\rSecond\r");
}

struct EditCase {
  const char* name;
  long start;
  long end;
  std::string text;
  std::string expected;
};

class EditTest : public EngineTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(EditTest, KeepsTheDocumentValid) {
  auto doc = openBody(paragraph(run("ab") + "<w:r><w:tab/></w:r>" + run("cd")) + paragraph(run("ef")) +
                      paragraph(run("g") + field(" PAGE ", "1") + run("h")));
  doc->Range(GetParam().start, GetParam().end)->SetText(GetParam().text);
  doc->ActiveWindow()->View()->SetShowFieldCodes(true);
  EXPECT_EQ(doc->Content()->Text(), GetParam().expected);
  doc->SaveAs(pathOf("edited.docx"));
  doc->Close();
  auto again = app->Documents()->Open(pathOf("edited.docx"));
  again->ActiveWindow()->View()->SetShowFieldCodes(true);
  EXPECT_EQ(again->Content()->Text(), GetParam().expected);
}

// Positions: a0 b1 TAB2 c3 d4 CR5 e6 f7 CR8 g9 {10 PAGE 11-16 |17 1 18 }19 h20 CR21
INSTANTIATE_TEST_SUITE_P(Edits, EditTest,
                         ::testing::Values(EditCase{"InsertInsideText", 1, 1, "X",
                                                    "aXb\tcd\ref\rg\x13 PAGE \x14"
                                                    "1\x15h\r"},
                                           EditCase{"InsertAtParagraphStart", 6, 6, "X",
                                                    "ab\tcd\rXef\rg\x13 PAGE \x14"
                                                    "1\x15h\r"},
                                           EditCase{"InsertAfterTab", 3, 3, "X",
                                                    "ab\tXcd\ref\rg\x13 PAGE \x14"
                                                    "1\x15h\r"},
                                           EditCase{"DeleteTab", 2, 3, "",
                                                    "abcd\ref\rg\x13 PAGE \x14"
                                                    "1\x15h\r"},
                                           EditCase{"JoinParagraphs", 4, 7, "",
                                                    "ab\tcf\rg\x13 PAGE \x14"
                                                    "1\x15h\r"},
                                           EditCase{"SplitParagraph", 1, 1, "1\r2",
                                                    "a1\r2b\tcd\ref\rg\x13 PAGE \x14"
                                                    "1\x15h\r"},
                                           EditCase{"PartOfAFieldTakesTheWholeField", 9, 12, "",
                                                    "ab\tcd\ref\rh\r"},
                                           EditCase{"InsideTheResult", 18, 19, "42",
                                                    "ab\tcd\ref\rg\x13 PAGE \x14"
                                                    "42\x15h\r"},
                                           EditCase{"TextAfterAField", 20, 20, "<",
                                                    "ab\tcd\ref\rg\x13 PAGE \x14"
                                                    "1\x15<h\r"},
                                           EditCase{"FinalMarkStays", 0, 22, "new", "new\r"},
                                           EditCase{"AfterTheFinalMark", 22, 22, "!",
                                                    "ab\tcd\ref\rg\x13 PAGE \x14"
                                                    "1\x15h!\r"}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(EngineTest, DeletingEveryCellMarkOfATableRemovesItWholeAndPartOfItOnlyItsText) {
  std::string table = "<w:tbl><w:tr><w:tc>" + paragraph(run("a")) + "</w:tc><w:tc>" + paragraph(run("b")) +
                      "</w:tc></w:tr></w:tbl>";
  auto doc = openBody(paragraph(run("x")) + table + paragraph(run("y")));
  doc->Range(2, 5)->SetText("");  // "a", its cell mark, "b"
  EXPECT_EQ(doc->Content()->Text(), "x\r\r\a\r\a\r\ay\r");
  doc->Range(2, 5)->SetText("");
  EXPECT_EQ(doc->Content()->Text(), "x\ry\r");
  EXPECT_EQ(doc->Tables()->Count(), 0);
}

struct WordsCase {
  const char* name;
  std::string code;
  std::vector<std::string> words;
};

class WordsTest : public EngineTest, public ::testing::WithParamInterface<WordsCase> {};

TEST_P(WordsTest, SplitsAsWordDoes) {
  auto doc = openBody(paragraph(field(GetParam().code, "x")));
  auto words = doc->Fields()->Item(1)->Code()->Words();
  std::vector<std::string> got;
  for (long i = 1; i <= words->Count(); ++i) got.push_back(words->Item(i)->Text());
  EXPECT_EQ(got, GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, WordsTest,
    ::testing::Values(WordsCase{"MergeFieldWithPicture",
                                " MERGEFIELD bedrag \\# \"#.##0,00\" ",
                                {" ", "MERGEFIELD ", "bedrag ", "\\", "# ", "\"", "#", ".", "#", "#", "0,00",
                                 "\" "}},
                      WordsCase{"IncludePicturePath",
                                " INCLUDEPICTURE \"C:\\\\Temp\\\\twdoc\\\\TWTAG.jpg\" \\d ",
                                {" ", "INCLUDEPICTURE ", "\"", "C", ":", "\\", "\\", "Temp", "\\", "\\",
                                 "twdoc", "\\", "\\", "TWTAG", ".", "jpg", "\" ", "\\", "d "}},
                      WordsCase{"UnderscoresAndNumbers",
                                " MERGEFIELD img_logo_2 1.234,5 ",
                                {" ", "MERGEFIELD ", "img_logo_2 ", "1.234,5 "}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(EngineTest, SelectionTypesSetRangeDeleteAndTypeText) {
  auto doc = openBody(paragraph(run("abc def")));
  auto selection = app->Selection();
  EXPECT_EQ(selection->Type(), word::wdSelectionIP);
  selection->SetRange(4, 7);
  EXPECT_EQ(selection->Type(), word::wdSelectionNormal);
  EXPECT_EQ(selection->Range()->Text(), "def");
  selection->Delete();
  EXPECT_EQ(selection->Type(), word::wdSelectionIP);
  selection->TypeText("xyz");
  EXPECT_EQ(doc->Content()->Text(), "abc xyz\r");
  EXPECT_EQ(selection->Range()->Start(), 7);
  doc->Close(false);
  EXPECT_EQ(app->Selection()->Type(), word::wdNoSelection);
}

}  // namespace
}  // namespace tw::testing

namespace tw::testing {
namespace {

TEST_F(EngineTest, EditsInAHeaderReachItsPartOnly) {
  auto doc = app->Documents()->Open(fixture("header_footer.docx"));
  auto header = doc->StoryRanges()->Item(3);
  ASSERT_EQ(header->Text(),
            "Kop \xAB"
            "bedrijf\xBB\r");
  header->Fields()->Item(1)->Code()->SetText(" MERGEFIELD firma ");
  header->Fields()->Item(1)->Update();
  EXPECT_EQ(doc->StoryRanges()->Item(3)->Text(),
            "Kop \xAB"
            "firma\xBB\r");
  doc->SaveAs(pathOf("header.docx"));
  engine::ooxml::Package before(posix::PosixSystem().ReadFile(fixture("header_footer.docx")), "before");
  engine::ooxml::Package after(temp.read("header.docx"), "after");
  for (const auto& name : before.partNames()) {
    if (name == "word/header1.xml") {
      EXPECT_NE(after.readPart(name).find(" MERGEFIELD firma "), std::string::npos);
    } else {
      EXPECT_EQ(before.readPart(name), after.readPart(name)) << name;
    }
  }
}

TEST_F(EngineTest, DeleteAtAnInsertionPointTakesTheNextCharacter) {
  auto doc = openBody(paragraph(run("ab")) + paragraph(run("cd")) +
                      paragraph("<w:fldSimple w:instr=\" PAGE \"><w:r><w:t>1</w:t></w:r></w:fldSimple>"));
  auto selection = app->Selection();
  selection->SetRange(1, 1);
  selection->Delete();
  EXPECT_EQ(doc->Content()->Text(), "a\rcd\r1\r");
  selection->Delete();  // the paragraph mark: the paragraphs join
  EXPECT_EQ(doc->Content()->Text(), "acd\r1\r");
  doc->Fields()->Item(1)->Result()->SetText("7");
  EXPECT_EQ(doc->Content()->Text(), "acd\r7\r");
  selection->SetRange(4, 4);
  selection->Delete();  // a field mark stays
  EXPECT_EQ(doc->Fields()->Count(), 1);
}

}  // namespace
}  // namespace tw::testing
