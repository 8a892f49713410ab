#include <gtest/gtest.h>

#include "connector/job_fixture.h"

namespace tw::addin {
namespace {

class DocumentOperationsTest : public JobTest {
 protected:
  DocumentOperationsTest() {
    connect();
    writeTemp("brief.docx", engine::minimalDocx("<w:p><w:r><w:t>Brief</w:t></w:r></w:p>"));
    logStart = logMessages().size();
  }
  std::vector<std::string> newLog() const {
    std::vector<std::string> all = logMessages();
    return std::vector<std::string>(all.begin() + static_cast<long>(logStart), all.end());
  }
  size_t logStart = 0;
};

TEST_F(DocumentOperationsTest, OpenDocument) {
  addin.OpenDocument(addin.tempPath("ontbreekt.docx"), true);
  EXPECT_TRUE(word->openDocuments().empty());
  EXPECT_TRUE(newLog().empty());

  addin.OpenDocument(addin.tempPath("brief.docx"));
  EXPECT_EQ(word->ActiveDocument()->Name(), "brief.docx");
  EXPECT_EQ(addin.settings().sourceDocument, nullptr);
  addin.OpenDocument(addin.tempPath("brief.docx"), true);
  ASSERT_NE(addin.settings().sourceDocument, nullptr);
  EXPECT_TRUE(addin.settings().sourceDocument->Is(*word->ActiveDocument()));

  // A file Word cannot open is logged, with the reason, and left.
  writeTemp("kapot.docx", "geen document");
  addin.OpenDocument(addin.tempPath("kapot.docx"));
  std::vector<std::string> log = newLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "Error opening document : " + addin.tempPath("kapot.docx"));
  EXPECT_TRUE(log[1].starts_with("Reason: ")) << log[1];
  EXPECT_NE(log[1].find("not a zip package"), std::string::npos) << log[1];
}

TEST_F(DocumentOperationsTest, SaveActiveDocument) {
  addin.OpenDocument(addin.tempPath("brief.docx"));
  addin.saveActiveDocument(addin.tempPath("kopie.doc"));
  EXPECT_TRUE(tempExists("kopie.doc"));
  EXPECT_EQ(word->ActiveDocument()->Name(), "kopie.doc");

  std::string missing = addin.tempPath("geen\\map\\kopie.doc");
  addin.saveActiveDocument(missing);
  std::vector<std::string> log = newLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "Saving document: " + addin.tempPath("kopie.doc"));
  EXPECT_EQ(log[1], "Saving document: " + missing);
  EXPECT_TRUE(log[2].starts_with("Error saving document : " + missing)) << log[2];
  EXPECT_GT(log[2].size(), ("Error saving document : " + missing).size());
  EXPECT_EQ(word->quitRequested(), false);
}

TEST_F(DocumentOperationsTest, ResetDocumentsClosesTheActiveDocument) {
  addin.OpenDocument(addin.tempPath("brief.docx"));
  addin.resetDocuments();
  EXPECT_TRUE(word->openDocuments().empty());
  // Without an open document the failure passes to the caller.
  EXPECT_THROW(addin.resetDocuments(), runtime::Error);
}

}  // namespace
}  // namespace tw::addin
