// Ranges, fields, rows, cells and collections taken before an edit follow it: an edit before them
// shifts them, one inside grows or shrinks them, deleting what they cover collapses them.

#include <functional>

#include "engine/engine_fixture.h"

namespace tw::testing {
namespace {

// Positions with codes shown:
//   Hello_ 0-5, {6 " MERGEFIELD a " 7-20 |21 "1" 22 }23, " world" 24-29, CR 30,
//   {31 " MERGEFIELD b " 32-45 |46 "2" 47 }48, CR 49, CR 50.
std::string twoFields() {
  return paragraph(run("Hello ") + field(" MERGEFIELD a ", "1") + run(" world")) +
         paragraph(field(" MERGEFIELD b ", "2")) + paragraph("");
}

using Edit = std::function<void(word::Document&)>;

struct Tracked {
  long start;
  long end;
};

struct LiveCase {
  const char* name;
  Edit edit;
  // The ranges held across the edit: "world", the code of field a, an insertion point at the end of the
  // first paragraph, and a stretch from inside "Hello" into " world".
  Tracked world, code, point, across;
  std::string worldText;
};

constexpr Tracked kWorld{25, 30}, kCode{7, 21}, kPoint{30, 30}, kAcross{3, 26};

class LiveRangeTest : public EngineTest, public ::testing::WithParamInterface<LiveCase> {};

TEST_P(LiveRangeTest, FollowsTheEdit) {
  auto doc = openBody(twoFields());
  doc->ActiveWindow()->View()->SetShowFieldCodes(true);
  auto world = doc->Range(kWorld.start, kWorld.end);
  auto code = doc->Range(kCode.start, kCode.end);
  auto point = doc->Range(kPoint.start, kPoint.end);
  auto across = doc->Range(kAcross.start, kAcross.end);
  ASSERT_EQ(world->Text(), "world");
  ASSERT_EQ(code->Text(), " MERGEFIELD a ");

  GetParam().edit(*doc);

  auto expect = [](const char* what, word::Range& range, Tracked want) {
    EXPECT_EQ(range.Start(), want.start) << what;
    EXPECT_EQ(range.End(), want.end) << what;
  };
  expect("world", *world, GetParam().world);
  expect("code", *code, GetParam().code);
  expect("point", *point, GetParam().point);
  expect("across", *across, GetParam().across);
  EXPECT_EQ(world->Text(), GetParam().worldText);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, LiveRangeTest,
    ::testing::Values(
        LiveCase{"InsertBeforeShifts",
                 [](word::Document& d) { d.Range(0, 0)->SetText("XY"); },
                 {27, 32},
                 {9, 23},
                 {32, 32},
                 {5, 28},
                 "world"},
        LiveCase{"InsertInsideGrows",
                 [](word::Document& d) { d.Range(27, 27)->SetText("QQ"); },
                 {25, 32},
                 kCode,
                 {32, 32},
                 kAcross,
                 "woQQrld"},
        LiveCase{"InsertAfterLeavesAlone", [](word::Document& d) { d.Range(40, 40)->SetText("QQ"); }, kWorld,
                 kCode, kPoint, kAcross, "world"},
        LiveCase{"InsertAtTheStartLandsBefore",
                 [](word::Document& d) { d.Range(25, 25)->SetText(">"); },
                 {26, 31},
                 kCode,
                 {31, 31},
                 {3, 27},
                 "world"},
        LiveCase{"InsertAtTheEndLandsAfter",
                 [](word::Document& d) { d.Range(30, 30)->SetText("!"); },
                 kWorld,
                 kCode,
                 {31, 31},
                 kAcross,
                 "world"},
        LiveCase{"DeleteBeforeShifts",
                 [](word::Document& d) { d.Range(0, 6)->SetText(""); },
                 {19, 24},
                 {1, 15},
                 {24, 24},
                 {0, 20},
                 "world"},
        LiveCase{"DeleteInsideShrinks",
                 [](word::Document& d) { d.Range(26, 28)->SetText(""); },
                 {25, 28},
                 kCode,
                 {28, 28},
                 kAcross,
                 "wld"},
        LiveCase{"DeletingAFieldCollapsesItsCode",
                 [](word::Document& d) { d.Fields()->Item(1)->Delete(); },
                 {7, 12},
                 {6, 6},
                 {12, 12},
                 {3, 8},
                 "world"},
        LiveCase{"RewritingACode",
                 [](word::Document& d) { d.Fields()->Item(1)->Code()->SetText(" MERGEFIELD abc "); },
                 {27, 32},
                 {23, 23},
                 {32, 32},
                 {3, 28},
                 "world"},
        LiveCase{"AddingAFieldBefore",
                 [](word::Document& d) {
                   d.Fields()->Add(d.Range(0, 0), word::wdFieldMergeField, std::string("veld"));
                 },
                 // { " MERGEFIELD veld " | «veld» }: 3 marks, 17 code and 6 result characters.
                 {51, 56},
                 {33, 47},
                 {56, 56},
                 {29, 52},
                 "world"},
        LiveCase{"SplittingTheParagraphBefore",
                 [](word::Document& d) { d.Range(2, 2)->SetText("\r"); },
                 {26, 31},
                 {8, 22},
                 {31, 31},
                 {4, 27},
                 "world"},
        LiveCase{"ATabBefore",
                 [](word::Document& d) { d.Range(1, 1)->SetText("\t"); },
                 {26, 31},
                 {8, 22},
                 {31, 31},
                 {4, 27},
                 "world"},
        LiveCase{"DeletingAcrossParagraphs",
                 [](word::Document& d) { d.Range(28, 32)->SetText(""); },
                 // The partly covered field b goes as a whole: [28, 49) is deleted.
                 {25, 28},
                 kCode,
                 {28, 28},
                 kAcross,
                 "wor"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(EngineTest, FieldsFetchedBeforeALongerStoryStillFindTheFieldsAfterTheOldEnd) {
  auto doc = openBody(twoFields());
  auto fields = doc->Fields();
  auto firstParagraph = doc->Range(0, 31)->Fields();
  ASSERT_EQ(fields->Count(), 2);
  doc->Range(0, 0)->SetText(std::string(200, 'x') + "\r");
  EXPECT_EQ(fields->Count(), 2);
  EXPECT_EQ(fields->Item(2)->Code()->Text(), " MERGEFIELD b ");
  EXPECT_EQ(firstParagraph->Count(), 1);
  EXPECT_EQ(firstParagraph->Item(1)->Code()->Text(), " MERGEFIELD a ");
}

TEST_F(EngineTest, FieldsOfARangeCountFieldsAddedInsideAndLoseDeletedOnes) {
  auto doc = openBody(twoFields());
  auto fields = doc->Range(0, 31)->Fields();
  doc->Fields()->Add(doc->Range(27, 27), word::wdFieldEmpty, std::string("PAGE"));
  ASSERT_EQ(fields->Count(), 2);
  EXPECT_EQ(fields->Item(1)->Code()->Text(), " MERGEFIELD a ");
  EXPECT_EQ(fields->Item(2)->Code()->Text(), " PAGE ");
  fields->Item(1)->Delete();
  ASSERT_EQ(fields->Count(), 1);
  EXPECT_EQ(fields->Item(1)->Code()->Text(), " PAGE ");
  EXPECT_THROW(fields->Item(2), runtime::Error);
}

TEST_F(EngineTest, FieldsOfARangeLeaveOutFieldsRunningPastItsEnd) {
  // An IF field holding a merge field: a range ending inside the IF holds only the merge field.
  auto doc =
      openBody(paragraph(fieldChar("begin") + instr(" IF ") + field(" MERGEFIELD a ", "1") +
                         instr(" > 0 \"ja\" ") + fieldChar("separate") + run("ja") + fieldChar("end")));
  // {0 " IF " 1-4 {5 " MERGEFIELD a " 6-19 |20 1 21 }22 ...
  auto inner = doc->Range(1, 24)->Fields();
  ASSERT_EQ(inner->Count(), 1);
  EXPECT_EQ(inner->Item(1)->Code()->Text(), " MERGEFIELD a ");
  auto all = doc->Content()->Fields();
  ASSERT_EQ(all->Count(), 2);
  EXPECT_EQ(all->Item(2)->Code()->Text(), " MERGEFIELD a ");
  EXPECT_EQ(doc->Range(0, 24)->Fields()->Count(), 1);
}

TEST_F(EngineTest, WordsOfARangeFollowItsEdits) {
  auto doc = openBody(paragraph(run("one two three")));
  auto range = doc->Range(4, 13);
  auto words = range->Words();
  ASSERT_EQ(words->Count(), 2);
  doc->Range(0, 0)->SetText("zero ");
  EXPECT_EQ(words->Item(1)->Text(), "two ");
  EXPECT_EQ(words->Item(2)->Text(), "three");
}

TEST_F(EngineTest, SelectionFollowsEditsBeforeIt) {
  auto doc = openBody(twoFields());
  doc->Range(25, 30)->Select();
  doc->Range(0, 0)->SetText("abc");
  auto selection = app->Selection()->Range();
  EXPECT_EQ(selection->Start(), 28);
  EXPECT_EQ(selection->Text(), "world");
}

TEST_F(EngineTest, RowsAndCellsFollowRowsAddedBeforeThem) {
  auto cell = [](const std::string& text) { return "<w:tc>" + paragraph(run(text)) + "</w:tc>"; };
  auto doc = openBody(paragraph(run("T")) + "<w:tbl><w:tr>" + cell("a") + cell("b") + "</w:tr><w:tr>" +
                      cell("c") + cell("d") + "</w:tr></w:tbl>" + paragraph(run("after")));
  auto table = doc->Tables()->Item(1);
  auto rows = table->Rows();
  auto second = rows->Item(2);
  auto d = table->Cell(2, 2)->Range();
  auto after = doc->Range(doc->Content()->End() - 6, doc->Content()->End() - 1);
  ASSERT_EQ(d->Text(), "d\r\a");
  ASSERT_EQ(after->Text(), "after");

  auto added = rows->Add(second);
  auto start = table->Cell(3, 2)->Range();
  start->Collapse(word::wdCollapseStart);
  doc->Fields()->Add(start, word::wdFieldMergeField, std::string("veld"));

  EXPECT_EQ(rows->Count(), 3);
  EXPECT_EQ(table->Rows()->Item(3)->Range()->Start(), second->Range()->Start());
  EXPECT_EQ(added->Range()->Text(), "\r\a\r\a\r\a");
  EXPECT_EQ(table->Cell(3, 2)->Range()->Text(),
            "\xABveld\xBB"
            "d\r\a");
  // The held range of the cell's old content: the field came in at its start, so before it.
  EXPECT_EQ(d->Text(), "d\r\a");
  EXPECT_EQ(after->Text(), "after");
  EXPECT_EQ(table->Cell(3, 1)->Range()->Text(), "c\r\a");
  // Rows.Add without a row appends one after the last.
  rows->Add(nullptr);
  EXPECT_EQ(table->Rows()->Count(), 4);
  EXPECT_EQ(table->Cell(4, 1)->Range()->Text(), "\r\a");
  EXPECT_EQ(after->Text(), "after");
}

}  // namespace
}  // namespace tw::testing
