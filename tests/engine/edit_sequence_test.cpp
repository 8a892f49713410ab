// Many edits in a row on real documents: after each one the text and the positions agree, and the
// saved document reads back exactly as the engine showed it.

#include <random>

#include "engine/engine_fixture.h"

namespace tw::testing {
namespace {

long positions(const std::string& text) {
  return static_cast<long>(text.size()) - static_cast<long>(std::count(text.begin(), text.end(), '\a'));
}

class EditSequenceTest : public EngineTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(EditSequenceTest, SavedDocumentReadsBackAsShown) {
  std::mt19937 random(20240601);
  const std::vector<std::string> inserts = {"x", "", "twee woorden", "a\tb", "regel\rnieuw", " "};
  for (int round = 0; round < 4; ++round) {
    auto doc = app->Documents()->Open(fixture(GetParam()));
    doc->ActiveWindow()->View()->SetShowFieldCodes(true);
    for (int step = 0; step < 12; ++step) {
      long end = doc->Content()->End();
      std::uniform_int_distribution<long> at(0, end - 1);
      long a = at(random), b = at(random);
      const std::string& text = inserts[random() % inserts.size()];
      try {
        if (random() % 3 == 0 && doc->Fields()->Count() > 0) {
          auto fields = doc->Fields();
          fields->Add(doc->Range(std::min(a, b), std::min(a, b)), word::wdFieldMergeField,
                      std::string("veld"));
        } else {
          doc->Range(std::min(a, b), std::max(a, b))->SetText(text);
        }
      } catch (const runtime::Error& e) {
        // Some places take no text (the end of a table row); the document must stay intact anyway.
        EXPECT_EQ(e.number(), 4605) << e.description();
      }
      std::string shown = doc->Content()->Text();
      ASSERT_EQ(positions(shown), doc->Content()->End()) << "round " << round << " step " << step;
    }
    std::string shown = doc->Content()->Text();
    doc->SaveAs(pathOf("sequence.docx"));
    doc->Close();
    auto again = app->Documents()->Open(pathOf("sequence.docx"));
    again->ActiveWindow()->View()->SetShowFieldCodes(true);
    EXPECT_EQ(again->Content()->Text(), shown) << "round " << round;
    again->Close();
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EditSequenceTest,
                         ::testing::Values("fields.docx", "table.docx", "textbox.docx", "header_footer.docx"),
                         [](const auto& p) {
                           return std::string(p.param).substr(0, std::string(p.param).find('.'));
                         });

}  // namespace
}  // namespace tw::testing
