// The application and its documents: opening, saving, closing, held files, events and errors.

#include <functional>
#include <utility>
#include <vector>

#include "engine/engine_fixture.h"

namespace tw::testing {
namespace {

long errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const runtime::Error& e) {
    return e.number();
  }
  return 0;
}

TEST_F(EngineTest, ObjectModelErrorsCarryWordNumbers) {
  EXPECT_EQ(errorOf([&] { app->ActiveDocument(); }), 4248);
  EXPECT_EQ(errorOf([&] { app->NewWindow(); }), 4248);
  EXPECT_EQ(errorOf([&] { app->Documents()->Open(pathOf("missing.docx")); }), 5174);
  auto doc = openBody(paragraph(run("x")));
  EXPECT_EQ(errorOf([&] { app->Documents()->Item(2); }), 5941);
  EXPECT_EQ(errorOf([&] { doc->Fields()->Item(1); }), 5941);
  EXPECT_EQ(errorOf([&] { doc->SaveAs(temp.path().string() + "\\nowhere\\x.docx"); }), 5152);
  auto content = doc->Content();
  doc->Close(false);
  EXPECT_EQ(errorOf([&] { doc->Name(); }), 5825);
  EXPECT_EQ(errorOf([&] { content->Text(); }), 5825);
}

// Closing frees the document's content while handles to it may live on: each of them reports "object has
// been deleted" (and never reaches freed memory), and the next document works as before.
TEST_F(EngineTest, HandlesOutliveTheirClosedDocument) {
  auto doc = openBody(paragraph(run("a") + mergefield("naam") + textBox(run("in box") + mergefield("vak"))) +
                      table({row({paragraph(run("c1")), paragraph(run("c2"))})}, 2) + paragraph(""));
  auto content = doc->Content();
  auto fields = doc->Fields();
  auto field = fields->Item(1);
  auto words = content->Words();
  auto tables = doc->Tables();
  auto table = tables->Item(1);
  auto rows = table->Rows();
  auto row = rows->Item(1);
  auto cells = row->Cells();
  auto cell = cells->Item(1);
  auto shapes = doc->Shapes();
  auto frame = shapes->Item(1)->TextFrame();
  auto boxRange = frame->TextRange();
  auto inlineShapes = doc->InlineShapes();
  auto stories = doc->StoryRanges();
  auto view = doc->ActiveWindow()->View();
  auto mailMerge = doc->MailMerge();
  doc->Close(false);

  const std::vector<std::pair<const char*, std::function<void()>>> calls = {
      {"Range.Text", [&] { content->Text(); }},
      {"Range.SetText", [&] { content->SetText("x"); }},
      {"Range.Select", [&] { content->Select(); }},
      {"Fields.Count", [&] { fields->Count(); }},
      {"Fields.Item", [&] { fields->Item(1); }},
      {"Field.Code", [&] { field->Code(); }},
      {"Field.Delete", [&] { field->Delete(); }},
      {"Words.Count", [&] { words->Count(); }},
      {"Tables.Count", [&] { tables->Count(); }},
      {"Rows.Count", [&] { rows->Count(); }},
      {"Rows.Add", [&] { rows->Add(nullptr); }},
      {"Row.Range", [&] { row->Range(); }},
      {"Cells.Item", [&] { cells->Item(1); }},
      {"Cell.Range", [&] { cell->Range(); }},
      {"Shapes.Count", [&] { shapes->Count(); }},
      {"TextFrame.HasText", [&] { frame->HasText(); }},
      {"text box Range.Text", [&] { boxRange->Text(); }},
      {"InlineShapes.Count", [&] { inlineShapes->Count(); }},
      {"StoryRanges.Item", [&] { stories->Item(1); }},
      {"View.ShowFieldCodes", [&] { view->ShowFieldCodes(); }},
      {"MailMerge.MainDocumentType", [&] { mailMerge->MainDocumentType(); }},
  };
  for (const auto& [name, call] : calls) EXPECT_EQ(errorOf(call), 5825) << name;

  auto next = openBody(paragraph(run("next")), "next.docx");
  app->Selection()->TypeText("x");
  EXPECT_EQ(next->Content()->Text(), "xnext\r");
}

TEST_F(EngineTest, DocumentsOpenSaveAndKnowTheirNames) {
  auto doc = openBody(paragraph(run("x")), "Sjabloon.doc");  // a .doc name with zip content
  EXPECT_EQ(doc->Name(), "Sjabloon.doc");
  EXPECT_EQ(doc->FullName(), pathOf("Sjabloon.doc"));
  EXPECT_TRUE(doc->Saved());
  EXPECT_TRUE(app->ActiveDocument()->Is(*doc));
  doc->Content()->SetText("y");
  EXPECT_FALSE(doc->Saved());
  put("result.doc", "old");
  doc->SaveAs(pathOf("result.doc"), word::wdFormatDocument);  // replaces the file
  EXPECT_TRUE(doc->Saved());
  EXPECT_EQ(doc->Name(), "result.doc");
  EXPECT_EQ(app->Documents()->Open(pathOf("result.doc"))->Content()->Text(), "y\r");
  EXPECT_EQ(app->Documents()->Count(), 1);  // opening an open document activates it
}

TEST_F(EngineTest, AnOpenDocumentHoldsItsFileUntilClosed) {
  auto doc = openBody(paragraph(run("x")));
  std::string path = doc->FullName();
  EXPECT_EQ(errorOf([&] { system.DeleteFile(path); }), 70);
  EXPECT_EQ(errorOf([&] { system.WriteFile(path, "other"); }), 70);
  doc->SaveAs(path);  // saving over its own file is allowed
  auto other = app->Documents()->Open(put("other.docx", buildDocx(paragraph(""))));
  EXPECT_EQ(errorOf([&] { other->SaveAs(path); }), 70);
  doc->Close();
  EXPECT_EQ(errorOf([&] { system.DeleteFile(path); }), 0);
}

TEST_F(EngineTest, CloseRaisesDocumentBeforeCloseWhichMayCancel) {
  auto doc = openBody(paragraph(run("x")));
  std::vector<std::string> closed;
  bool cancel = true;
  auto connection = app->OnDocumentBeforeClose([&](word::Document& d, bool& c) {
    closed.push_back(d.Name());
    d.AttachedTemplate()->SetSaved(true);
    c = cancel;
  });
  doc->Close(false);
  EXPECT_EQ(app->Documents()->Count(), 1);
  cancel = false;
  doc->Content()->SetText("changed");
  doc->Close(true);  // saves the change first
  EXPECT_EQ(closed, (std::vector<std::string>{"doc.docx", "doc.docx"}));
  EXPECT_EQ(app->Documents()->Count(), 0);
  EXPECT_EQ(app->Documents()->Open(pathOf("doc.docx"))->Content()->Text(), "changed\r");
}

TEST_F(EngineTest, QuitClosesEveryDocumentAndNewWindowKeepsTheDocument) {
  openBody(paragraph(run("a")), "a.docx");
  auto b = openBody(paragraph(run("b")), "b.docx");
  EXPECT_EQ(app->Documents()->Item(1)->Name(), "b.docx");  // newest first
  app->NewWindow();
  b->Close(false);
  EXPECT_EQ(app->ActiveDocument()->Name(), "a.docx");
  app->Quit(false);
  EXPECT_TRUE(app->quitRequested());
  EXPECT_EQ(app->Documents()->Count(), 0);
}

// Word tells its add-ins of a quit once its documents are closed: OnBeginShutdown, then OnDisconnection
// with the host-shutdown mode, once, also when an add-in quits again meanwhile.
TEST_F(EngineTest, QuitTellsTheAddInsOnce) {
  openBody(paragraph(run("a")), "a.docx");
  std::vector<std::string> told;
  auto loaded = app->loadAddIn(engine::AddInEvents{
      .onBeginShutdown =
          [&] {
            told.push_back("begin shutdown, documents: " + std::to_string(app->Documents()->Count()));
            app->Quit(false);
            throw runtime::Error::fromNumber(runtime::kInvalidProcedureCall);  // Word ignores it
          },
      .onDisconnection = [&](int mode) { told.push_back("disconnection " + std::to_string(mode)); },
  });
  app->Quit(false);
  app->Quit(false);
  EXPECT_EQ(told, (std::vector<std::string>{"begin shutdown, documents: 0", "disconnection 0"}));

  // An add-in no longer loaded is told nothing.
  auto other = engine::createApplication(system);
  bool called = false;
  other->loadAddIn(engine::AddInEvents{.onBeginShutdown = [&] { called = true; }, .onDisconnection = {}});
  other->Quit(false);
  EXPECT_FALSE(called);
}

TEST_F(EngineTest, MainDocumentTypeLivesInTheSettings) {
  auto doc = app->Documents()->Open(fixture("fields.docx"));
  auto merge = doc->MailMerge();
  EXPECT_EQ(merge->MainDocumentType(), word::wdNotAMergeDocument);
  merge->SetMainDocumentType(word::wdFormLetters);
  EXPECT_EQ(merge->MainDocumentType(), word::wdFormLetters);
  doc->SaveAs(pathOf("merge.docx"));
  doc->Close();
  auto again = app->Documents()->Open(pathOf("merge.docx"));
  EXPECT_EQ(again->MailMerge()->MainDocumentType(), word::wdFormLetters);
  again->MailMerge()->SetMainDocumentType(word::wdNotAMergeDocument);
  EXPECT_EQ(again->MailMerge()->MainDocumentType(), word::wdNotAMergeDocument);
}

TEST_F(EngineTest, ViewSettingsAndVersion) {
  EXPECT_EQ(app->Version(), "16.0");
  EXPECT_FALSE(app->Visible());
  app->SetVisible(true);
  EXPECT_TRUE(app->Visible());
  auto doc = openBody(paragraph(field(" PAGE ", "1")));
  auto window = doc->ActiveWindow();
  EXPECT_FALSE(window->View()->ShowFieldCodes());
  EXPECT_EQ(window->View()->SplitSpecial(), 0);
  window->ActivePane()->Close();
  EXPECT_TRUE(doc->AttachedTemplate()->Saved());
  doc->AttachedTemplate()->SetSaved(false);
  EXPECT_FALSE(doc->AttachedTemplate()->Saved());
}

}  // namespace
}  // namespace tw::testing
