#include "connector/document_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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

// A job whose template Word cannot open fails loudly and keeps its data: one message, the job kept as
// twDoc.err, and the next start is an ordinary one.
TEST_F(DocumentJobTest, ATemplateWordCannotOpenKeepsTheJob) {
  const std::string docx = engine::minimalDocx("<w:p/>");
  struct Case {
    std::string name;
    std::string templateEntry;
  };
  const Case cases[] = {
      {"no template", ""},
      {"not a zip", entry("_template", "Beste klant,")},
      {"a Word 97-2003 file",
       entry("_template", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "rest")},
      {"a truncated package", entry("_template", docx.substr(0, docx.size() / 2))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JobSession s;
    const std::string job = connectorFile(c.templateEntry + entry("a", "1"));
    s.writeTemp("twDoc.tmp", job);
    s.connect();
    ASSERT_EQ(s.ui.shown.size(), 1u);
    EXPECT_EQ(s.ui.shown[0].prompt, kFailed);
    EXPECT_FALSE(s.tempExists("twDoc.tmp"));
    EXPECT_EQ(s.readTemp("twDoc.err"), job);
    EXPECT_TRUE(s.addin.finalized());

    JobSession next;
    next.writeTemp("debugTw.txt", "");
    std::filesystem::copy(s.tempDir(), next.tempDir(), std::filesystem::copy_options::overwrite_existing);
    next.connect();
    EXPECT_EQ(next.addin.startMode(), kStartNone);
  }
}

// When the job cannot be set aside under its usual name, the failure path still runs once and the job
// goes elsewhere, so the next start is an ordinary one.
TEST_F(DocumentJobTest, AJobThatCannotBeSetAsideGoesToASpareName) {
  std::filesystem::create_directory(tempDir() / "twDoc.err");
  const std::string job = connectorFile(entry("_template", "geen docx"));
  start(job);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_FALSE(tempExists("twDoc.tmp"));
  EXPECT_EQ(readTemp("twDoc.err.1"), job);
  Strings log = jobLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "Set twDoc.tmp aside as twDoc.err.1"), log.end());
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

// A long invoice carries more fields than a 16-bit count holds (three a line: 32,767 is about 10,900
// lines). Every one of them is read and merged, the ones past 32,767 too.
TEST_F(DocumentJobTest, AJobOfMoreThan32767FieldsMergesThemAll) {
  constexpr int kFields = 33000;
  std::string entries;
  for (int i = 0; i < kFields; ++i) entries += entry("veld_" + std::to_string(i), "w" + std::to_string(i));
  const int merged[] = {0, 32766, 32767, 32768, kFields - 1};
  std::string body;
  for (int i : merged) body += testing::mergefield("veld_" + std::to_string(i)) + testing::run("|");
  start(connectorFile(entry("_template", engine::minimalDocx(testing::paragraph(body))) + entries));

  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(addin.module().fieldCount, kFields);
  EXPECT_EQ(addin.module().fieldNames[kFields - 1], "veld_32999");
  auto result = word->ActiveDocument();
  EXPECT_NE(result->Name(), "SjabloonDocument.doc");
  result->ActiveWindow()->View()->SetShowFieldCodes(false);
  EXPECT_EQ(result->Content()->Text(), "w0|w32766|w32767|w32768|w32999|\r");
}

// Two Words started on one TEMP: while one holds the job file, the other leaves it alone, says so in its
// log only, and sets nothing aside; the job stays whole for the Word that holds it.
TEST(TwoWordsOnOneTemp, TheSecondLeavesAHeldJobAlone) {
  for (const char* jobName : {"twDoc.tmp", "twDocTemplate.tmp"}) {
    SCOPED_TRACE(jobName);
    JobSession second;
    const std::string job =
        std::string(jobName) == "twDoc.tmp"
            ? connectorFile(entry("_template", engine::minimalDocx("")) + entry("naam", "J"))
            : connectorFile(validTemplateEntries());
    second.writeTemp(jobName, job);
    // The first Word, reading the job now, holds it.
    posix::PosixSystem firstWord{
        posix::PosixSystem::Options{.locale = "nl-NL",
                                    .environment = {{"TEMP", second.tempDir().string()}},
                                    .clock = {},
                                    .administrator = false}};
    auto held = firstWord.LockExclusive(second.tempDir().string() + "\\" + jobName);
    ASSERT_TRUE(held);

    second.connect();
    EXPECT_TRUE(second.ui.shown.empty()) << second.ui.shown.front().prompt;
    EXPECT_EQ(second.readTemp(jobName), job);
    EXPECT_FALSE(second.tempExists("twDoc.err"));
    EXPECT_FALSE(second.tempExists("twTemplateDoc.err"));
    EXPECT_EQ(second.addin.context().rejectedJob, "");
    Strings log = second.logMessages();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "Job " + std::string(jobName) + " is taken by another Word; left alone"),
              log.end());

    // Once the first Word lets go, the job is anyone's again.
    held.reset();
    EXPECT_TRUE(firstWord.LockExclusive(second.tempDir().string() + "/" + jobName));
  }
}

}  // namespace
}  // namespace tw::addin
