// Which files a job may make Word read: inside its folders, and inside its package.

#include "runtime/file_rule.h"

#include <gtest/gtest.h>

namespace tw::runtime {
namespace {

TEST(FileRule, FilesInsideTheJobsFoldersOnly) {
  const std::vector<std::string> folders = {"/tmp/job/temp\\", "C:\\Spool\\base\\"};
  struct Case {
    std::string path;
    bool allowed;
  };
  const Case cases[] = {
      {"/tmp/job/temp\\twdoc\\logo.jpg", true},
      {"/tmp/job/temp/document_image_1.jpg", true},
      {"/tmp/job/temp\\twdoc\\..\\logo.jpg", true},
      {"C:\\Spool\\base\\documents\\spool\\logo.png", true},
      {"c:\\Spool\\base\\logo.png", true},
      {"/tmp/job/temp\\..\\..\\etc\\x.png", false},
      {"C:\\Spool\\base\\documents\\spool\\..\\..\\..\\x.png", false},
      {"/tmp/job/temp2/x.png", false},
      {"/tmp/job/temp", false},
      {"/etc/x.png", false},
      {"logo.png", false},
      {"../temp/logo.png", false},
      {"C:logo.png", false},
      {"/../tmp/job/temp/x.png", false},
      {"D:\\Spool\\base\\x.png", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(fileOutsideFoldersReason(c.path, folders).empty(), c.allowed);
  }
  EXPECT_FALSE(fileOutsideFoldersReason("/tmp/job/temp/x.png", {}).empty());
}

TEST(FileRule, NamesInsideThePackageOnly) {
  struct Case {
    std::string name;
    bool allowed;
  };
  const Case cases[] = {
      {"word/document.xml", true},
      {"word/media/image1.png", true},
      {"a..b/x", true},
      {"../x", false},
      {"word/../../x", false},
      {"/etc/x", false},
      {"\\x", false},
      {"C:/x", false},
      {"c:x", false},
      {"word\\..\\x", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(packageNameReason(c.name).empty(), c.allowed);
  }
}

TEST(FileRule, ARefusalIsReportedWithItsNameAndRule) {
  std::vector<std::string> lines;
  FileRule rule{.folders = [] { return std::vector<std::string>{"/job/temp"}; },
                .report = [&](const std::string& line) { lines.push_back(line); }};
  EXPECT_TRUE(rule.allowsFile("picture", "/job/temp/x.png"));
  EXPECT_FALSE(rule.allowsFile("picture", "/job/x.png"));
  EXPECT_FALSE(rule.allowsPart("picture part", "../x.png"));
  EXPECT_EQ(lines, (std::vector<std::string>{"Refused picture '/job/x.png': outside the job's folders",
                                             "Refused picture part '../x.png': \"..\" leaves the package"}));
  // Word on its own, without a job, reads any file.
  EXPECT_TRUE(FileRule{}.allowsFile("picture", "/etc/x.png"));
}

}  // namespace
}  // namespace tw::runtime
