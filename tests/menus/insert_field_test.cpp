// The editor's main path on the embedded Word: the add-in's popup with a loaded template, a merge field
// inserted with its format, and the field limit.

#include <gtest/gtest.h>

#include "connector/job_fixture.h"

namespace tw::addin {
namespace {

const std::string kFormat = "\\# \"0,00\"";

class InsertFieldTest : public JobTest {
 protected:
  InsertFieldTest() {
    writeTemp("twDocTemplate.tmp", connectorFile(validTemplateEntries("factuur.docx")));
    connect();
  }

  // A handle of its own: the document object lives while the handle does.
  std::shared_ptr<word::Document> document() { return word->ActiveDocument(); }
  std::string text() { return document()->Content()->Text(); }
  std::vector<std::string> fieldCodes() {
    std::vector<std::string> codes;
    auto fields = document()->Fields();
    for (long i = 1; i <= fields->Count(); ++i) codes.push_back(fields->Item(i)->Code()->Text());
    return codes;
  }
};

TEST_F(InsertFieldTest, ALoadedTemplateShowsThePopupAndFinalRemovesIt) {
  ASSERT_TRUE(addin.templateLoaded());
  auto popup = word->CommandBars()->Item("Menu Bar")->FindControl("twMenucontrol");
  ASSERT_TRUE(popup);
  EXPECT_TRUE(popup->Visible());
  addin.AddinInstance_OnBeginShutdown();
  EXPECT_FALSE(word->CommandBars()->Item("Menu Bar")->FindControl("twMenucontrol"));
}

TEST_F(InsertFieldTest, AFieldGoesToTheCursorWithItsFormat) {
  word->Selection()->TypeText("Totaal: ");
  addin.insert_mergefield("totaal", kFormat);
  ASSERT_EQ(fieldCodes().size(), 1u);
  EXPECT_NE(fieldCodes()[0].find("MERGEFIELD totaal " + kFormat), std::string::npos) << fieldCodes()[0];
  EXPECT_EQ(text().rfind("Totaal: ", 0), 0u) << text();  // the field follows the typed text
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(InsertFieldTest, OverASelectionTheTextStaysAndTheFieldGoesToItsStart) {
  word->Selection()->TypeText("Beste klant");
  word->Selection()->SetRange(0, 5);  // "Beste"
  addin.insert_mergefield("klant_naam", "");
  ASSERT_EQ(fieldCodes().size(), 1u);
  EXPECT_NE(fieldCodes()[0].find("MERGEFIELD klant_naam"), std::string::npos);
  EXPECT_NE(text().find("Beste klant"), std::string::npos) << text();
}

TEST_F(InsertFieldTest, The256thNamedFieldIsTheLastThatFits) {
  for (int i = 0; i < 256; ++i) addin.insert_mergefield("veld" + std::to_string(i), "");
  EXPECT_EQ(document()->Fields()->Count(), 256);
  EXPECT_TRUE(ui.shown.empty());
  addin.insert_mergefield("een_te_veel", "");
  EXPECT_EQ(document()->Fields()->Count(), 256);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(
      ui.shown[0].prompt,
      "Veld toevoegen niet mogelijk:\r\nEr kunnen maximaal 255 velden in het sjabloon worden verwerkt.");
}

}  // namespace
}  // namespace tw::addin
