// Hostile jobs end the way an ordinary bad job does: either the job produces its document, or it shows
// its one message and keeps its data as .err; the log says why; nothing is written outside TEMP; and the
// next Word start is an ordinary one.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "connector/job_fixture.h"
#include "engine/ooxml/package.h"

namespace tw::addin {
namespace {

const char* const kDocumentFailed =
    "Het document kan niet geladen worden omdat deze niet geldig is.\r\nKan niet verder gaan";

// A .docx whose main part unpacks to 2 MB of nothing: about a thousand times its packed size.
std::string zipBomb() {
  engine::ooxml::Package package(engine::minimalDocx(""), "bomb.docx");
  package.writePart("word/document.xml", std::string(2 << 20, ' '));
  return package.save();
}

std::string letter() {
  return engine::minimalDocx(testing::paragraph(testing::mergefield("naam")));
}

std::string documentJob(const std::string& lines) {
  return connectorFile(entry("_template", letter()) + lines);
}

struct HostileJob {
  const char* name;
  const char* jobFile;
  std::function<std::string(const std::filesystem::path& outside)> job;
  std::string message;  // the one message shown; empty when the job runs without one
  const char* kept;     // the .err file that keeps the job; empty when the job runs
  const char* logged;   // a text the debug log holds
  const char* merged;   // a text the merged document holds; empty when nothing is merged
};

const HostileJob kHostileJobs[] = {
    {"zip bomb as the template", "twDoc.tmp",
     [](const auto&) { return connectorFile(entry("_template", zipBomb()) + entry("naam", "Jansen")); },
     kDocumentFailed, "twDoc.err", "more than the limit of 100 times its packed size", ""},
    {"truncated connector file", "twDoc.tmp",
     [](const auto&) {
       std::string job = documentJob(entry("naam", "Jansen"));
       return job.substr(0, job.size() / 2);
     },
     kDocumentFailed, "twDoc.err", "Error opening document", ""},
    {"invalid Base64 in the template", "twDoc.tmp",
     [](const auto&) { return connectorFile("_template,!!niet*base64~~\r\n" + entry("naam", "Jansen")); },
     kDocumentFailed, "twDoc.err", "Error opening document", ""},
    {"a value that closes the table row", "twDoc.tmp",
     [](const auto&) { return documentJob(entry("naam", "a</TD></TR><TR><TD>b")); }, "", "", "Parse ok",
     "a</TD></TR><TR><TD>b"},
    {"a value naming a picture outside TEMP", "twDoc.tmp",
     [](const auto& outside) {
       return documentJob(entry("naam", (outside / "document_image_1.jpg").string()) +
                          entry("_generate_mode", "record"));
     },
     "", "", "Parse ok", "document_image_1.jpg"},
    {"an absolute _merge_data_file", "twDoc.tmp",
     [](const auto& outside) {
       return documentJob(entry("naam", "Jansen") +
                          entry("_merge_data_file", (outside / "data.csv").string()));
     },
     kDocumentFailed, "twDoc.err", "Refused unsafe name", ""},
    {"a template named *", "twDocTemplate.tmp",
     [](const auto&) { return connectorFile(validTemplateEntries("*")); }, "Het sjabloon",
     "twTemplateDoc.err", "Refused unsafe name", ""},
};

// The text of every open document, and the number of pictures in them.
std::pair<std::string, long> openDocuments(engine::EngineApplication& word) {
  std::string text;
  long pictures = 0;
  auto documents = word.Documents();
  for (long i = 1; i <= documents->Count(); ++i) {
    auto document = documents->Item(i);
    text += document->Content()->Text();
    pictures += document->InlineShapes()->Count();
  }
  return {text, pictures};
}

TEST(HostileJobs, EndWithTheirDocumentOrTheirMessageAndKeepTheirData) {
  for (const HostileJob& c : kHostileJobs) {
    SCOPED_TRACE(c.name);
    // Files a job could try to reach: a picture and a data file beside TEMP, not in it.
    testing::TempFolder outside;
    outside.write("document_image_1.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + std::string(64, '\0'));
    outside.write("data.csv", "naam\r\ngeheim\r\n");

    JobSession s;
    const std::string job = c.job(outside.path());
    s.writeTemp(c.jobFile, job);
    s.connect();

    if (c.message.empty()) {
      EXPECT_TRUE(s.ui.shown.empty()) << s.ui.shown.front().prompt;
    } else {
      ASSERT_EQ(s.ui.shown.size(), 1u);
      EXPECT_EQ(s.ui.shown[0].prompt.substr(0, c.message.size()), c.message);
    }
    EXPECT_FALSE(s.tempExists(c.jobFile));
    if (*c.kept) {
      EXPECT_EQ(s.readTemp(c.kept), job);
    } else {
      EXPECT_FALSE(s.tempExists("twDoc.err"));
      EXPECT_FALSE(s.tempExists("twTemplateDoc.err"));
    }
    std::string log;
    for (const std::string& line : s.logMessages()) log += line + "\n";
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    auto [text, pictures] = openDocuments(*s.word);
    EXPECT_EQ(pictures, 0);
    EXPECT_EQ(text.find("geheim"), std::string::npos);
    if (*c.merged) {
      EXPECT_NE(text.find(c.merged), std::string::npos) << text;
    }
    EXPECT_EQ(s.filesOutsideTemp(), std::vector<std::string>{});

    // What the job left in TEMP makes the next start an ordinary one.
    JobSession next;
    std::filesystem::copy(s.tempDir(), next.tempDir(), std::filesystem::copy_options::overwrite_existing);
    next.connect();
    EXPECT_EQ(next.addin.startMode(), kStartNone);
    EXPECT_TRUE(next.ui.shown.empty());
  }
}

}  // namespace
}  // namespace tw::addin
