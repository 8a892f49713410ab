// Hostile jobs end the way an ordinary bad job does: either the job produces its document, or it shows
// its one message and keeps its data as .err; the log says why; nothing is written outside TEMP; and the
// next Word start is an ordinary one.

#include <gtest/gtest.h>

#include <filesystem>

#include "connector/hostile_jobs.h"

namespace tw::addin {
namespace {

struct OpenDocuments {
  std::string text;
  long embeddedPictures = 0;
  bool holdOutsideBytes = false;  // some part of some document holds the picture from outside TEMP
};

// What the open documents hold: their text, their embedded pictures, and whether any of their parts
// carries the bytes of the picture outside TEMP.
OpenDocuments openDocuments(engine::EngineApplication& word) {
  OpenDocuments open;
  auto documents = word.Documents();
  for (long i = 1; i <= documents->Count(); ++i) {
    auto document = documents->Item(i);
    open.text += document->Content()->Text();
    auto shapes = document->InlineShapes();
    for (long k = 1; k <= shapes->Count(); ++k)
      open.embeddedPictures += shapes->Item(k)->Type() == word::wdInlineShapePicture ? 1 : 0;
    engine::ooxml::Package& package = word.modelOf(*document).package();
    for (const std::string& part : package.partNames())
      open.holdOutsideBytes =
          open.holdOutsideBytes || package.readPart(part).find(kOutsideMark) != std::string::npos;
  }
  return open;
}

TEST(HostileJobs, EndWithTheirDocumentOrTheirMessageAndKeepTheirData) {
  for (const HostileJob& c : kHostileJobs) {
    SCOPED_TRACE(c.name);
    testing::TempFolder outside;
    writeOutsideFiles(outside);
    CurrentFolder current(outside.path());

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
    auto [text, pictures, outsideBytes] = openDocuments(*s.word);
    EXPECT_EQ(pictures, 0);
    EXPECT_FALSE(outsideBytes);
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
