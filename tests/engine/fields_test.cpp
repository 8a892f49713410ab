// Fields: reading codes as Word shows them, writing codes, adding, updating and deleting fields.

#include "engine/engine_fixture.h"
#include "engine/model/document_model.h"

namespace tw::testing {
namespace {

std::vector<std::pair<int, std::string>> listFields(word::Fields& fields) {
  std::vector<std::pair<int, std::string>> out;
  for (long i = 1; i <= fields.Count(); ++i) {
    auto field = fields.Item(i);
    out.emplace_back(field->Type(), field->Code()->Text());
  }
  return out;
}

TEST_F(EngineTest, FieldsAreListedInDocumentOrderWithNestedFieldsAfterTheirParent) {
  auto doc = app->Documents()->Open(fixture("fields.docx"));
  auto fields = listFields(*doc->Fields());
  std::vector<std::pair<int, std::string>> expected = {
      {59, " MERGEFIELD naam \\* MERGEFORMAT "},
      {59, " MERGEFIELD bedrag \\# \"#.##0,00\" "},  // stored over five runs
      {7,
       " IF \x13 MERGEFIELD aantal \x14\xAB"
       "aantal\xBB\x15 > 0 \"veel\" \"geen\" "},
      {59, " MERGEFIELD aantal "},
      {33, " PAGE "},
      {31, " DATE \\@ \"d MMMM yyyy\" "},
  };
  EXPECT_EQ(fields, expected);
  EXPECT_EQ(doc->Fields()->Item(2)->Result()->Text(),
            "\xAB"
            "bedrag\xBB");
  EXPECT_THROW(doc->Fields()->Item(7), runtime::Error);
}

struct WordFile {
  const char* file;
  std::vector<std::pair<int, std::string>> firstFields;
  long count;
};

class WordFileFieldsTest : public EngineTest, public ::testing::WithParamInterface<WordFile> {};

TEST_P(WordFileFieldsTest, ListsTheCodesWordShows) {
  TW_SKIP_WITHOUT_SHARED_WORD_FILES();
  auto doc = app->Documents()->Open(sharedWordFile(GetParam().file));
  auto fields = listFields(*doc->Fields());
  EXPECT_EQ(static_cast<long>(fields.size()), GetParam().count);
  fields.resize(std::min(fields.size(), GetParam().firstFields.size()));
  EXPECT_EQ(fields, GetParam().firstFields);
}

INSTANTIATE_TEST_SUITE_P(
    SavedByWord, WordFileFieldsTest,
    ::testing::Values(WordFile{"01_docx4j_MERGEFIELD_switches.docx",
                               {{59, " MERGEFIELD  kundenname  \\* MERGEFORMAT "},
                                {59, " MERGEFIELD  kundenname  \\* Lower "}},
                               9},
                      WordFile{"04_aspose_IF_nested_mergefield.docx",
                               {{7,
                                 " IF \x13 MERGEFIELD NetIncome \x15 > 0 \" (surplus of "
                                 "\x13 MERGEFIELD  NetIncome \\f $ \x15) \" \"\" "},
                                {59, " MERGEFIELD NetIncome "},
                                {59, " MERGEFIELD  NetIncome \\f $ "}},
                               3},
                      WordFile{"14_docxmailmerge_nested_if.docx",
                               {{7,
                                 " IF \x13 MERGEFIELD fieldname \\* MERGEFORMAT \x14\xAB"
                                 "fieldname\xBB\x15 <> \"one\" \"\x13 IF "
                                 "\x13 MERGEFIELD fieldname \\* MERGEFORMAT \x14\xAB"
                                 "fieldname\xBB\x15 = \"two\" \"two\" \"more: "
                                 "\x13 MERGEFIELD fieldname \\* MERGEFORMAT \x14\xAB"
                                 "fieldname\xBB\x15\" \\* MERGEFORMAT \x14more: "
                                 "\x13 MERGEFIELD fieldname \\* MERGEFORMAT \x14\xAB"
                                 "fieldname\xBB\x15\x15\" \"- one -\" \\* MERGEFORMAT "},
                                {59, " MERGEFIELD fieldname \\* MERGEFORMAT "}},
                               7},
                      WordFile{"06_aspose_mergefield_b_switch.docx",
                               {{59, " MERGEFIELD  htmlField1  \\b Content  \\* MERGEFORMAT "}},
                               1},
                      WordFile{"07_aspose_odso_mapped_m.docx",
                               {{59, " MERGEFIELD \"Nickname\" \\m "}, {59, " MERGEFIELD \"Last\" "}},
                               2},
                      WordFile{"13_docxmailmerge_table_rows_macword.docx",
                               {{59, " MERGEFIELD student_name \\* MERGEFORMAT "},
                                {59, " MERGEFIELD study_name \\* MERGEFORMAT "}},
                               6},
                      WordFile{"15_docxmailmerge_NEXT_labels.docx",
                               {{59, " MERGEFIELD field "}, {59, " MERGEFIELD field "}, {41, " NEXT "}},
                               11}),
    [](const auto& p) { return "File" + std::string(p.param.file).substr(0, 2); });

TEST_F(EngineTest, WordFileWithFieldsInHeadersFootersAndFootnotes) {
  TW_SKIP_WITHOUT_SHARED_WORD_FILES();
  auto doc = app->Documents()->Open(sharedWordFile("12_docxmailmerge_headers_footers_footnote.docx"));
  std::vector<std::string> codes;
  auto stories = doc->StoryRanges();
  for (long i = 1; i <= stories->Count(); ++i) {
    auto fields = stories->Item(i)->Fields();
    for (long f = 1; f <= fields->Count(); ++f) codes.push_back(fields->Item(f)->Code()->Text());
  }
  EXPECT_EQ(codes, (std::vector<std::string>{
                       " MERGEFIELD fieldname \\* MERGEFORMAT ", " MERGEFIELD fieldname \\* MERGEFORMAT ",
                       " MERGEFIELD headereven ", " MERGEFIELD headerfield ", " MERGEFIELD footereven ",
                       " MERGEFIELD footerfield ", " MERGEFIELD headerfirst ", " MERGEFIELD footerfirst "}));
}

TEST_F(EngineTest, WritingACodeRewritesItInOneRun) {
  auto doc = app->Documents()->Open(fixture("fields.docx"));
  auto code = doc->Fields()->Item(2)->Code();
  code->SetText(" MERGEFIELD totaal ");
  EXPECT_EQ(doc->Fields()->Item(2)->Code()->Text(), " MERGEFIELD totaal ");
  auto story = app->modelOf(*doc).mainStory();
  int codeSpans = 0;
  for (const auto& span : story->spans()) {
    if (span.kind == engine::model::SpanKind::Code && span.start > code->Start() - 2 &&
        span.start < code->End())
      ++codeSpans;
  }
  EXPECT_EQ(codeSpans, 1);
  doc->SaveAs(pathOf("out.docx"));
  auto again = app->Documents()->Open(pathOf("out.docx"));
  EXPECT_EQ(again->Fields()->Item(2)->Code()->Text(), " MERGEFIELD totaal ");
}

TEST_F(EngineTest, WritingTheCodeOfASimpleFieldRewritesItsInstruction) {
  auto doc = app->Documents()->Open(fixture("fields.docx"));
  doc->Fields()->Item(1)->Code()->SetText(" MERGEFIELD klant ");
  EXPECT_EQ(doc->Fields()->Item(1)->Code()->Text(), " MERGEFIELD klant ");
  EXPECT_EQ(doc->Fields()->Item(1)->Type(), word::wdFieldMergeField);
}

struct AddCase {
  const char* name;
  long start;
  long end;
  int type;
  std::optional<std::string> text;
  std::optional<bool> preserve;
  std::string code;
  std::string content;  // with field codes shown
};

class FieldsAddTest : public EngineTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(FieldsAddTest, ReplacesTheRangeWithTheNewField) {
  auto doc = openBody(paragraph(run("Beste klant,")));
  const auto& c = GetParam();
  auto field = doc->Fields()->Add(doc->Range(c.start, c.end), c.type, c.text, c.preserve);
  EXPECT_EQ(field->Code()->Text(), c.code);
  doc->ActiveWindow()->View()->SetShowFieldCodes(true);
  EXPECT_EQ(doc->Content()->Text(), c.content);
  doc->SaveAs(pathOf("added.docx"));
  auto again = app->Documents()->Open(pathOf("added.docx"));
  EXPECT_EQ(again->Fields()->Item(1)->Code()->Text(), c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, FieldsAddTest,
    ::testing::Values(AddCase{"CollapsedRange", 6, 6, word::wdFieldMergeField, "naam", std::nullopt,
                              " MERGEFIELD naam ", "Beste \x13 MERGEFIELD naam \x14\xABnaam\xBB\x15klant,\r"},
                      AddCase{"SelectedWord", 6, 11, word::wdFieldMergeField, "naam", true,
                              " MERGEFIELD naam \\* MERGEFORMAT ",
                              "Beste \x13 MERGEFIELD naam \\* MERGEFORMAT \x14\xABnaam\xBB\x15,\r"},
                      AddCase{"EmptyField", 0, 0, word::wdFieldEmpty, std::string(), std::nullopt, " ",
                              "\x13 \x14\x15"
                              "Beste klant,\r"},
                      AddCase{"EmptyTypeTakesTheWholeCode", 12, 12, word::wdFieldEmpty, "PAGE", std::nullopt,
                              " PAGE ", "Beste klant,\x13 PAGE \x14\x15\r"},
                      AddCase{
                          "IncludePicture", 0, 5, word::wdFieldIncludePicture,
                          "\"C:\\\\Temp\\\\twdoc\\\\TWTAG.jpg\" \\d", std::nullopt,
                          " INCLUDEPICTURE \"C:\\\\Temp\\\\twdoc\\\\TWTAG.jpg\" \\d ",
                          "\x13 INCLUDEPICTURE \"C:\\\\Temp\\\\twdoc\\\\TWTAG.jpg\" \\d \x14\x15 klant,\r"}),
    [](const auto& p) { return std::string(p.param.name); });

// The steps by which the add-in turns a merge field into a picture field whose path holds the field.
TEST_F(EngineTest, PictureFieldWithANestedMergeField) {
  auto doc = openBody(paragraph(run("Logo: ") + field(" MERGEFIELD img_logo ", "x") + run(".")));
  doc->ActiveWindow()->View()->SetShowFieldCodes(true);
  auto fields = doc->Fields();
  auto field = fields->Item(1);
  std::string code = field->Code()->Text();
  field->Select();
  app->Selection()->Delete();
  auto picture = fields->Add(app->Selection()->Range(), word::wdFieldIncludePicture,
                             std::string("\"C:\\\\Temp\\\\twdoc\\\\TWTAG.jpg\" \\d"));
  auto words = picture->Code()->Words();
  bool found = false;
  for (long i = 1; i <= words->Count() && !found; ++i) {
    if (words->Item(i)->Text() == "TWTAG") {
      words->Item(i)->Select();
      found = true;
    }
  }
  ASSERT_TRUE(found);
  auto nested = fields->Add(app->Selection()->Range(), word::wdFieldEmpty, std::string());
  nested->Code()->Select();
  app->Selection()->Delete();
  nested->Code()->SetText(code);
  nested->Update();
  EXPECT_EQ(doc->Fields()->Item(1)->Code()->Text(),
            " INCLUDEPICTURE \"C:\\\\Temp\\\\twdoc\\\\\x13 MERGEFIELD img_logo "
            "\x14\xABimg_logo\xBB\x15.jpg\" \\d ");
  EXPECT_EQ(doc->Fields()->Count(), 2);
  EXPECT_EQ(doc->Fields()->Item(2)->Type(), word::wdFieldMergeField);
}

TEST_F(EngineTest, RewritingCodeWordsFromTheThirdOn) {
  auto doc = openBody(paragraph(field(" MERGEFIELD bedrag \\# \"#.##0,00\" ", "1")));
  auto field = doc->Fields()->Item(1);
  long count = field->Code()->Words()->Count();
  for (long i = 3; i <= count; ++i) {
    auto word = field->Code()->Words()->Item(i);
    std::string text = word->Text(), out;
    if (text.find_first_of(".,") == std::string::npos) continue;
    for (char c : text) out += c == ',' ? '.' : c == '.' ? ',' : c;
    word->SetText(out);
  }
  EXPECT_EQ(field->Code()->Text(), " MERGEFIELD bedrag \\# \"#,##0.00\" ");
}

TEST_F(EngineTest, MailMergeFieldsAddInsertsAMergeFieldAtTheSelection) {
  auto doc = openBody(paragraph(run("abc")));
  app->Selection()->SetRange(1, 1);
  doc->MailMerge()->Fields()->Add(app->Selection()->Range(), "bedrag \\# \"#.##0,00\"");
  EXPECT_EQ(doc->Fields()->Item(1)->Code()->Text(), " MERGEFIELD bedrag \\# \"#.##0,00\" ");
  EXPECT_EQ(doc->Fields()->Item(1)->Type(), word::wdFieldMergeField);
  EXPECT_EQ(doc->Content()->Text(),
            "a\xAB"
            "bedrag\xBB"
            "bc\r");
  // The insertion point moved behind the new field.
  EXPECT_EQ(app->Selection()->Range()->Start(), doc->Fields()->Item(1)->Result()->End() + 1);
}

TEST_F(EngineTest, DeletedFieldIsGoneAndItsHandleSaysSo) {
  auto doc = app->Documents()->Open(fixture("fields.docx"));
  auto ifField = doc->Fields()->Item(3);
  ifField->Delete();
  EXPECT_EQ(doc->Fields()->Count(), 4);  // the IF and the merge field inside it
  try {
    ifField->Code();
    FAIL();
  } catch (const runtime::Error& e) {
    EXPECT_EQ(e.number(), 5825);
  }
  doc->Fields()->Item(1)->Delete();
  EXPECT_EQ(doc->Content()->Text().substr(0, 8), "Beste ,\r");
}

TEST_F(EngineTest, RangeFieldsHoldTheFieldsInsideTheRange) {
  auto doc = app->Documents()->Open(fixture("fields.docx"));
  auto ifField = doc->Fields()->Item(3);
  auto inCode = ifField->Code()->Fields();
  ASSERT_EQ(inCode->Count(), 1);
  EXPECT_EQ(inCode->Item(1)->Code()->Text(), " MERGEFIELD aantal ");
  doc->Fields()->UpdateSource();
}

}  // namespace
}  // namespace tw::testing

namespace tw::testing {
namespace {

TEST_F(EngineTest, FieldTypeComesFromTheKeywordWhateverItsCase) {
  const std::vector<std::pair<std::string, int>> cases = {{" MERGEFIELD naam ", 59},
                                                          {" mergefield naam ", 59},
                                                          {" INCLUDEPICTURE \"x.jpg\" \\d ", 67},
                                                          {" IF 1 = 1 \"a\" ", 7},
                                                          {" PAGE ", 33},
                                                          {" NUMPAGES ", 26},
                                                          {" DATE \\@ \"d-M\" ", 31},
                                                          {" NEXT ", 41},
                                                          {" MERGEREC ", 44},
                                                          {" =2+3 ", 34},
                                                          {" NOSUCHFIELD ", -1},
                                                          {"  ", -1}};
  std::string body;
  for (const auto& [code, type] : cases) body += paragraph(field(code, "r"));
  auto doc = openBody(body);
  auto fields = doc->Fields();
  ASSERT_EQ(fields->Count(), static_cast<long>(cases.size()));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(fields->Item(static_cast<long>(i) + 1)->Type(), cases[i].second) << cases[i].first;
  }
}

}  // namespace
}  // namespace tw::testing
