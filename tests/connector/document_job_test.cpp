#include "connector/document_job.h"

#include <gtest/gtest.h>

#include "connector/job_fixture.h"

namespace tw::addin {
namespace {

using Strings = std::vector<std::string>;

const char* const kFailed =
    "Het document kan niet geladen worden omdat deze niet geldig is.\r\nKan niet verder gaan";

class DocumentJobTest : public JobTest {
 protected:
  void start(const std::string& bytes) {
    writeTemp("twDoc.tmp", bytes);
    connect();
  }
  // The log after the start-up line.
  Strings jobLog() const {
    Strings all = logMessages();
    return Strings(all.begin() + 1, all.end());
  }
};

TEST_F(DocumentJobTest, ValidJobOpensTheTemplateAndMerges) {
  start(connectorFile(entry("_template", engine::minimalDocx("<w:p/>")) + entry("a", "1") + entry("b", "2") +
                      entry("c", "3") + entry("_header_cols", "d,e") + entry("_resultDocName", "factuur")));
  EXPECT_EQ(addin.startMode(), kStartDocumentJob);
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_FALSE(tempExists("twDoc.tmp"));
  ASSERT_NE(addin.settings().sourceDocument, nullptr);
  EXPECT_EQ(addin.settings().sourceDocument->Name(), "SjabloonDocument.doc");
  EXPECT_EQ(addin.module().fieldCount, 5);
  EXPECT_EQ(addin.module().resultDocName, "factuur");
  Strings log = jobLog();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(Strings(log.begin(), log.begin() + 3),
            (Strings{"Generate Document: Opening template :" + addin.tempPath("twDoc.tmp"), "Parse ok",
                     "Opening template"}));
  EXPECT_FALSE(addin.finalized());
}

TEST_F(DocumentJobTest, JobWithoutTemplateStillReachesTheMergeDriver) {
  start(connectorFile(entry("a", "1")));
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(addin.settings().sourceDocument, nullptr);
  EXPECT_EQ(addin.module().resultDocName, "unknownDocument");
  Strings log = jobLog();
  EXPECT_EQ(log[2], "Opening template");
}

TEST_F(DocumentJobTest, InvalidJobIsMovedAsideOverAnOlderOne) {
  writeTemp("twDoc.err", "older");
  writeTemp("SjabloonDocument.doc", "left over");
  const std::string job = connectorFile(entry("a", "1"), "Prijskaart bestand");
  start(job);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].prompt, kFailed);
  EXPECT_FALSE(ui.shown[0].title.has_value());
  EXPECT_EQ(readTemp("twDoc.err"), job);
  EXPECT_FALSE(tempExists("twDoc.tmp"));
  EXPECT_FALSE(tempExists("SjabloonDocument.doc"));
  EXPECT_TRUE(addin.finalized());
  Strings log = jobLog();
  EXPECT_EQ(Strings(log.begin(), log.begin() + 3),
            (Strings{"Generate Document: Opening template :" + addin.tempPath("twDoc.tmp"),
                     "Generate Document: invalid startline :Prijskaart bestand", "Error in readFile "}));
  // OnConnection goes on: Word is made visible and the menu is built.
  EXPECT_TRUE(word->Visible());
  EXPECT_EQ(log.back(), "Building menu");
}

}  // namespace
}  // namespace tw::addin
