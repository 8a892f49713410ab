#include <gtest/gtest.h>

#include <algorithm>

#include "connector/field_lists.h"
#include "engine/model/document_model.h"
#include "merge/merge_test_fixture.h"
#include "support/test_services.h"
#include "support/unique_ids.h"

namespace tw::addin {
namespace {

class MergeDriverTest : public MergeTest {
 protected:
  // Every merged result (and every other open document) holds its identifiers once.
  void TearDown() override {
    for (const auto& document : word->openDocuments()) {
      EXPECT_EQ(testing::repeatedIdentifiers(word->modelOf(*document).package().save()),
                std::vector<std::string>{})
          << document->Name();
    }
  }

  void fields(const std::vector<std::pair<std::string, std::string>>& columns) {
    for (const auto& [name, value] : columns) addField(addin.module(), name, value);
  }
  void merge(bool example = false) { addin.Domerge("0", addin.module().fieldCount - 1, "", {}, example); }

  // The text of the active document's main text and of its first text box, results shown.
  std::string mainText() {
    auto document = word->ActiveDocument();
    document->ActiveWindow()->View()->SetShowFieldCodes(false);
    return document->Content()->Text();
  }
  std::string boxText() {
    return word->ActiveDocument()->Shapes()->Item(1)->TextFrame()->TextRange()->Text();
  }
  bool logged(const std::string& message) {
    auto messages = logMessages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
  }
};

class NoAnswerRibbon : public office::RibbonControl {
 public:
  std::string Id() override { return "mergeDoc"; }
};

TEST_F(MergeDriverTest, UnknownNamesGoEverywhereBadSyntaxOnlyInTheMainText) {
  fields({{"naam", "Jansen"}});
  open(paragraph(run("A:") + mergefield("naam") + run(" B:") + mergefield("onbekend") + run(" C:") +
                 field(" MERGEFIELD \\* MERGEFORMAT ") +
                 textBox(run("D:") + field(" MERGEFIELD  naam ") + run(" E:") + mergefield("weg") +
                         field(" MERGEFIELD \"\" "))));
  merge();

  EXPECT_NE(word->ActiveDocument()->Name(), "sjabloon.docx");
  EXPECT_EQ(mainText().substr(0, 17), "A:Jansen B: C:\r");
  EXPECT_EQ(boxText(), "D:Jansen E:\r");
  EXPECT_EQ(addin.module().mergefieldInventory.names(), std::vector<std::string>{"naam"});
  EXPECT_TRUE(logged("Merge Finished"));
  // The template's author can see why a field vanished.
  EXPECT_TRUE(logged("Removed merge field that names no column:  MERGEFIELD onbekend "));
  EXPECT_TRUE(logged("Removed merge field without a readable name:  MERGEFIELD \\* MERGEFORMAT "));
  EXPECT_TRUE(logged("Removed merge field that names no column:  MERGEFIELD weg "));
  // Outside the main text a field without a name is left to Word.
  EXPECT_FALSE(logged("Removed merge field without a readable name:  MERGEFIELD \"\" "));
}

// Names written the ways Word writes and reads them merge their columns; a name that names no column
// still goes.
TEST_F(MergeDriverTest, NamesAreReadAsWordReadsThem) {
  fields({{"Naam", "Jansen"}, {"Naam klant", "Bakkerij Jansen"}});
  open(paragraph(run("1:") + field(" MERGEFIELD \"Naam\" ") + run(" 2:") + field(" MERGEFIELD  Naam ") +
                 run(" 3:") + field(" MERGEFIELD \"Naam klant\" \\* MERGEFORMAT ") + run(" 4:") +
                 field(" MERGEFIELD \"Naam leverancier\" ") + run(".")));
  merge();

  EXPECT_EQ(mainText().substr(0, 42), "1:Jansen 2:Jansen 3:Bakkerij Jansen 4:.\r");
  EXPECT_EQ(addin.module().mergefieldInventory.names(), (std::vector<std::string>{"Naam", "Naam klant"}));
  EXPECT_TRUE(logged("Removed merge field that names no column:  MERGEFIELD \"Naam leverancier\" "));
}

// Each entry of a group gets a whole row: the template row's text beside its own values.
TEST_F(MergeDriverTest, RecordRowsMergeIntoWholeRows) {
  addin.module().recordCounts.add("regels", "3");
  for (const char* name : {"bedrag", "aantal"}) addin.module().recordOfField.add(name, "regels");
  fields({{"bedrag_0", "5"},
          {"aantal_0", "1"},
          {"bedrag_1", "7"},
          {"aantal_1", "2"},
          {"bedrag_2", "30"},
          {"aantal_2", "3"}});
  open(table({row({run("€ ") + mergefield("bedrag"), run("x") + mergefield("aantal")})}, 2));
  merge();

  auto result = word->ActiveDocument()->Tables()->Item(1);
  const std::pair<std::string, std::string> rows[] = {{"5", "1"}, {"7", "2"}, {"30", "3"}};
  ASSERT_EQ(result->Rows()->Count(), 3);
  for (long r = 1; r <= 3; ++r) {
    EXPECT_EQ(result->Cell(r, 1)->Range()->Text(), "\x80 " + rows[r - 1].first + "\r\a") << r;
    EXPECT_EQ(result->Cell(r, 2)->Range()->Text(), "x" + rows[r - 1].second + "\r\a") << r;
  }
}

// No cut at a fixed number of names: every line of a long invoice is merged.
TEST_F(MergeDriverTest, TheInventoryHoldsThousandsOfNames) {
  std::string body;
  for (int i = 0; i < 1500; ++i) {
    const std::string name = "veld" + std::to_string(i);
    fields({{name, std::to_string(i)}});
    body += mergefield(name);
  }
  open(paragraph(body));
  merge();
  EXPECT_EQ(addin.module().mergefieldInventory.count(), 1500);
  EXPECT_NE(mainText().find("14981499"), std::string::npos);
}

TEST_F(MergeDriverTest, AFieldOnlyInATextBoxStillMerges) {
  fields({{"naam", "Jansen"}});
  open(paragraph(run("Brief") + textBox(mergefield("naam"))));
  merge();
  EXPECT_TRUE(logged("Writing dataSources"));
  EXPECT_EQ(boxText(), "Jansen\r");
}

TEST_F(MergeDriverTest, WithoutMergeFieldsOnlyTheDaemonSavesAndReopens) {
  fields({{"naam", "Jansen"}});
  addin.module().resultDocName = "resultaat";
  open(paragraph(run("Geen velden")));
  merge();
  EXPECT_EQ(word->ActiveDocument()->Name(), "sjabloon.docx");
  EXPECT_FALSE(tempExists("resultaat.doc"));

  addin.setStartMode(kStartDaemon);
  merge();
  EXPECT_TRUE(logged("No mergefields present"));
  // After SaveAs the document carries its new name.
  EXPECT_TRUE(logged("Closing Template :resultaat.doc"));
  EXPECT_TRUE(tempExists("resultaat.doc"));
  EXPECT_EQ(word->ActiveDocument()->Name(), "resultaat.doc");
  EXPECT_EQ(word->Documents()->Count(), 1);
}

TEST_F(MergeDriverTest, ExampleMergesAreNumberedAndSkipTakenNumbers) {
  fields({{"naam", "Jansen"}});
  addin.setStartMode(kStartTemplateJob);
  addin.module().templateName = "sjabloon.docx";
  auto source = open(paragraph(mergefield("naam")));
  addin.settings().sourceDocument = source;
  writeTemp("document_voorbeeld1.doc", "from an earlier session");

  for (int i = 0; i < 3; ++i) {
    source->Activate();
    merge(true);
  }
  for (int n = 2; n <= 4; ++n)
    EXPECT_TRUE(tempExists("document_voorbeeld" + std::to_string(n) + ".doc")) << n;
  EXPECT_EQ(addin.settings().voorbeeldDocAmount, 3);
  ASSERT_EQ(addin.module().voorbeeldDocuments.size(), 4u);
  EXPECT_EQ(addin.module().voorbeeldDocuments[3], addin.tempPath("document_voorbeeld4.doc"));
  // The template stays open beside its three examples; the merge copies are gone.
  EXPECT_EQ(word->Documents()->Count(), 4);
  EXPECT_FALSE(tempExists("merge_sjabloon.docx"));
  EXPECT_TRUE(logged("Reverting Template"));
}

TEST_F(MergeDriverTest, AnExampleOnlyComesFromTheTemplate) {
  fields({{"naam", "Jansen"}});
  addin.settings().sourceDocument = open(paragraph(mergefield("naam")));
  open(paragraph(run("Ander document")), "ander.docx");
  NoAnswerRibbon control;
  addin.mergeDocumentClick(control);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].prompt, "U kunt alleen een voorbeeld genereren vanuit het sjabloon document.");
  EXPECT_FALSE(logged("Start merging document"));
}

TEST_F(MergeDriverTest, AFailingStepIsLoggedAndTheMergeGoesOn) {
  fields({{"naam", "Jansen"}});
  addin.settings().generateMode = GenerateMode("csvFile");
  addin.settings().dataSourceCsvFileName = "ontbreekt.csv";
  open(paragraph(mergefield("naam")));
  merge();
  auto messages = logMessages();
  auto failure = std::find_if(messages.begin(), messages.end(), [](const std::string& m) {
    return m.rfind("Error occured while merging ", 0) == 0;
  });
  ASSERT_NE(failure, messages.end());
  EXPECT_NE(failure->find("ontbreekt.csv"), std::string::npos) << *failure;
  EXPECT_TRUE(logged("Merge Finished"));
}

}  // namespace
}  // namespace tw::addin
