// A document the engine edited and saved reads the same in another word processor. Runs where
// LibreOffice is installed (Debian libreoffice-writer-nogui) and is skipped elsewhere.

#include <cstdlib>

#include "engine/engine_fixture.h"
#include "support/word97.h"

namespace tw::testing {
namespace {

TEST_F(EngineTest, LibreOfficeReadsAnEditedDocumentAsTheEngineShowsIt) {
  TW_SKIP_WITHOUT_LIBREOFFICE();
  auto doc = app->Documents()->Open(fixture("table.docx"));
  doc->Content()->Words()->Item(1)->SetText("Rekening");
  auto rows = doc->Tables()->Item(1)->Rows();
  rows->Add(rows->Item(2));
  auto range = doc->Tables()->Item(1)->Cell(2, 1)->Range();
  range->Collapse(word::wdCollapseStart);
  doc->Fields()->Add(range, word::wdFieldMergeField, std::string("regel"), false);
  doc->SaveAs(pathOf("edited.docx"));
  std::string command = "cd '" + temp.path().string() + "' && HOME='" + temp.path().string() +
                        "' soffice --headless --convert-to txt:Text edited.docx >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::string text = temp.read("edited.txt");
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text = text.substr(3);  // byte-order mark
  // LibreOffice writes one paragraph (or cell) per line and the field results as they are stored.
  EXPECT_EQ(text.substr(0, text.find('\n')), "Rekening");
  EXPECT_NE(text.find("\xC2\xABregel\xC2\xBB"), std::string::npos) << text;
  EXPECT_NE(text.find("\xC2\xABomschrijving\xC2\xBB"), std::string::npos) << text;
  EXPECT_NE(text.find("binnen"), std::string::npos) << text;
}

}  // namespace
}  // namespace tw::testing
