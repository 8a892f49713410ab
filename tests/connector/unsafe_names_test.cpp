// Connector-file text that becomes a file name never leads out of its folder: the job is refused
// through its own failure path, the log says why, and nothing is written outside TEMP.

#include <gtest/gtest.h>

#include "connector/job_fixture.h"
#include "context/safe_names.h"

namespace tw::addin {
namespace {

const std::vector<std::string> kHostileFileNames = {
    "..\\boos", "../boos", "sub\\boos", "sub/boos", "C:boos", "\\boos",
    "/boos",    "..",      ". .",       "boos\x01", "*",      "boos?.doc",
};
const std::vector<std::string> kHostileSubPaths = {
    "..\\", "a\\..\\..\\", "../boos/", "\\boos\\", "/boos/", "C:\\boos\\", "C:boos\\", "a\\\x07\\",
};

struct Source {
  const char* name;
  const char* marker;  // the job file
  std::function<std::string(const std::string& hostile)> lines;
  const std::vector<std::string>& hostile = kHostileFileNames;
};

std::string templateJob(const std::string& extra) {
  return connectorFile(extra + validTemplateEntries());
}

const Source kSources[] = {
    {"_template_name", "twDocTemplate.tmp",
     [](const std::string& n) {
       return connectorFile(entry("_template", "doc") + entry("_template_name", n) +
                            entry("_template_title", "T") + entry("_upload_address", "a") +
                            entry("_upload_port", "1") + entry("_upload_path", "/"));
     }},
    {"ico_ key", "twDocTemplate.tmp",
     [](const std::string& n) { return templateJob(entry("ico_" + n, "PNG")); }},
    {"img_ column", "twDocTemplate.tmp",
     [](const std::string& n) {
       return templateJob(entry("_generate_mode", "htmlString") + entry("img_" + n, "JPG"));
     }},
    {"img_ column of a document job", "twDoc.tmp",
     [](const std::string& n) {
       return connectorFile(entry("_generate_mode", "htmlString") + entry("img_" + n, "JPG"));
     }},
    {"_resultDocName", "twDoc.tmp",
     [](const std::string& n) { return connectorFile(entry("_resultDocName", n)); }},
    {"_resultDocPath", "twDoc.tmp",
     [](const std::string& n) { return connectorFile(entry("_resultDocPath", n)); }, kHostileSubPaths},
};

TEST(UnsafeNames, EverySourceRefusesNamesThatLeaveTheFolder) {
  for (const Source& source : kSources) {
    for (const std::string& hostile : source.hostile) {
      SCOPED_TRACE(std::string(source.name) + " <" + hostile + ">");
      JobSession session;
      const std::string job = source.lines(hostile);
      session.writeTemp(source.marker, job);
      session.connect();
      bool templateJob = std::string(source.marker) == "twDocTemplate.tmp";
      ASSERT_EQ(session.ui.shown.size(), 1u);
      EXPECT_EQ(session.ui.shown[0].prompt.substr(0, 12), templateJob ? "Het sjabloon" : "Het document");
      EXPECT_EQ(session.readTemp(templateJob ? "twTemplateDoc.err" : "twDoc.err"), job);
      EXPECT_EQ(session.filesOutsideTemp(), std::vector<std::string>{});
      bool logged = false;
      for (const std::string& line : session.logMessages())
        logged = logged || line.starts_with("Refused unsafe name");
      EXPECT_TRUE(logged);
    }
  }
}

TEST(UnsafeNames, Checks) {
  struct Case {
    std::string text;
    bool fileName;
    bool subPath;
  };
  const Case cases[] = {
      {"factuur.docx", true, true},
      {"documents\\out\\", false, true},
      {"documents/out", false, true},
      {"", true, true},
      {"..\\x", false, false},
      {"a\\..\\x", false, false},
      {"\\\\server\\x", false, false},
      {"C:\\x", false, false},
      {"x:stream", false, false},
      {"...", false, false},
      {"a\tb", false, false},
      {"a\\\\b", false, false},
      {"*", false, false},
      {"docs\\f?.doc", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(unsafeFileNameReason(c.text).empty(), c.fileName);
    EXPECT_EQ(unsafeSubPathReason(c.text).empty(), c.subPath);
  }
}

}  // namespace
}  // namespace tw::addin
