#include "connector/template_job.h"

#include <gtest/gtest.h>

#include "connector/cleanup.h"
#include "connector/job_fixture.h"

namespace tw::addin {
namespace {

const char* const kRejected =
    "Het sjabloon dat geopend wordt, is geen geldig sjabloon.\r\n Kan niet verder gaan";

// The comma list of `count` Base64 items "L0", "L1", ...
std::string labelList(int count) {
  std::string list;
  for (int i = 0; i < count; ++i) list += (i ? "," : "") + base64Encode("L" + std::to_string(i));
  return list;
}

class TemplateJobTest : public JobTest {
 protected:
  // Runs a Word start with the template job `bytes`.
  void start(const std::string& bytes) {
    writeTemp("twDocTemplate.tmp", bytes);
    connect();
  }
};

TEST_F(TemplateJobTest, AcceptedJobOpensTheTemplate) {
  start(connectorFile(validTemplateEntries() + entry("_merge_menu_caption", "Kontavera") +
                      entry("klant", "x")));
  EXPECT_EQ(addin.startMode(), kStartTemplateJob);
  EXPECT_TRUE(addin.templateLoaded());
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_FALSE(tempExists("twDocTemplate.tmp"));
  EXPECT_FALSE(tempExists("twTemplateDoc.err"));
  EXPECT_TRUE(tempExists("factuur.docx"));
  ASSERT_NE(addin.settings().sourceDocument, nullptr);
  EXPECT_EQ(addin.settings().sourceDocument->Name(), "factuur.docx");
  EXPECT_EQ(addin.settings().serveradres, "example.test");
  EXPECT_EQ(addin.settings().serverPort, 443);
  EXPECT_EQ(addin.settings().serverPath, "/upload");
  EXPECT_EQ(addin.module().templateTitle, "Factuur");
  EXPECT_EQ(addin.module().mergeMenuCaption, "Kontavera");
  EXPECT_EQ(addin.module().resultDocName, "Resultaat");
  EXPECT_EQ(addin.module().fieldCount, 1);
}

TEST_F(TemplateJobTest, ValidityCounter) {
  const std::string port = entry("_upload_port", "443");
  const std::string all = validTemplateEntries();
  const std::string document = entry("_template", engine::minimalDocx("<w:p/>"));
  const std::string withoutTitle = document + entry("_template_name", "t.doc") +
                                   entry("_upload_address", "a") + port + entry("_upload_path", "/p");
  struct Case {
    std::string name;
    std::string lines;
    bool accepted;
  };
  const Case cases[] = {
      {"all six", all, true},
      {"no title", withoutTitle, false},
      {"empty title", withoutTitle + entry("_template_title", ""), false},
      {"second template counts again", all + document, false},
      {"port twice, no path",
       document + entry("_template_name", "t.doc") + entry("_template_title", "T") +
           entry("_upload_address", "a") + port + port,
       true},
      {"start line only", "", false},
      {"a template Word cannot open",
       entry("_template", "geen docx") + entry("_template_name", "t.doc") + entry("_template_title", "T") +
           entry("_upload_address", "a") + port + entry("_upload_path", "/p"),
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JobSession fresh;
    fresh.writeTemp("twDocTemplate.tmp", connectorFile(c.lines));
    fresh.connect();
    EXPECT_EQ(fresh.addin.templateLoaded(), c.accepted);
    EXPECT_EQ(fresh.ui.shown.size(), c.accepted ? 0u : 1u);
    EXPECT_EQ(fresh.tempExists("twTemplateDoc.err"), !c.accepted);
    EXPECT_FALSE(fresh.tempExists("twDocTemplate.tmp"));
  }
}

TEST_F(TemplateJobTest, RejectionReplacesAnOlderErrFileAndCleansUp) {
  writeTemp("twTemplateDoc.err", "older");
  writeTemp("TmpDocument1.doc", "x");
  const std::string job = connectorFile(entry("klant", "x"), "Tallyweave bestand ");
  start(job);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].prompt, kRejected);
  EXPECT_EQ(ui.shown[0].buttons, ui::vbOKOnly);
  EXPECT_FALSE(ui.shown[0].title.has_value());
  EXPECT_EQ(readTemp("twTemplateDoc.err"), job);
  EXPECT_FALSE(tempExists("twDocTemplate.tmp"));
  EXPECT_FALSE(tempExists("TmpDocument1.doc"));
  EXPECT_FALSE(addin.templateLoaded());
}

TEST_F(TemplateJobTest, EmptyJobFileIsRejected) {
  start("");
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].prompt, kRejected);
  EXPECT_TRUE(tempExists("twTemplateDoc.err"));
}

TEST_F(TemplateJobTest, MergeTablesAndMenus) {
  struct Case {
    std::string name;
    std::string lines;
    std::vector<std::pair<int, std::string>> labels;  // slot -> label
    bool fails;
  };
  const Case cases[] = {
      {"51 labels fill 100..149 and 200",
       entry("_merge_labels", labelList(51)),
       {{100, "L0"}, {149, "L49"}, {150, ""}, {200, "L50"}, {201, ""}},
       false},
      {"a trailing comma adds an empty label",
       entry("_merge_labels", labelList(2) + ","),
       {{100, "L0"}, {101, "L1"}, {102, ""}},
       false},
      {"501 labels end in slot 1100",
       entry("_merge_labels", labelList(501)),
       {{1049, "L499"}, {1100, "L500"}},
       false},
      {"502 labels are an error", entry("_merge_labels", labelList(502)), {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JobSession fresh;
    fresh.writeTemp("twDocTemplate.tmp", connectorFile(c.lines + validTemplateEntries()));
    fresh.connect();
    EXPECT_EQ(fresh.addin.templateLoaded(), !c.fails);
    for (const auto& [slot, label] : c.labels) {
      EXPECT_EQ(fresh.addin.module().mergeLabels[static_cast<size_t>(slot)], label) << "slot " << slot;
    }
  }
}

TEST_F(TemplateJobTest, MenuCaptionsAreDecodedAndVisibilityIsNot) {
  std::string menus;
  for (int i = 1; i <= 11; ++i) menus += (i > 1 ? "," : "") + base64Encode("Menu " + std::to_string(i));
  start(connectorFile(entry("_merge_menus", menus) + entry("_merge_menu_visibility", "1,0,AQ==") +
                      validTemplateEntries()));
  EXPECT_TRUE(addin.templateLoaded());
  EXPECT_EQ(addin.module().mergeMenus[1], "Menu 1");
  EXPECT_EQ(addin.module().mergeMenus[11], "Menu 11");
  EXPECT_EQ(addin.module().mergeMenuVisibility[1], "1");
  EXPECT_EQ(addin.module().mergeMenuVisibility[3], "AQ==");
}

TEST_F(TemplateJobTest, RibbonIconBecomesAFileAndAField) {
  std::filesystem::create_directory(tempDir() / "twdoc");
  writeTemp("twdoc/save.png", "older");  // an existing icon is replaced
  start(connectorFile(entry("ico_save", "PNGDATA") + entry("_ribbon_xml", "<customUI/>") +
                      validTemplateEntries()));
  EXPECT_EQ(readTemp("twdoc/save.png"), "PNGDATA");
  ASSERT_GE(addin.module().fieldCount, 1);
  EXPECT_EQ(addin.module().fieldNames[0], "save");
  EXPECT_EQ(addin.module().fieldValues[0], "1");
  EXPECT_TRUE(addin.settings().useRibbon);
  EXPECT_EQ(addin.settings().ribbonXML, "<customUI/>");
}

TEST_F(TemplateJobTest, IconMarkInsideTheKeyDropsTheFirstFourCharacters) {
  start(connectorFile(entry("my_ico_x", "PNG") + validTemplateEntries()));
  EXPECT_EQ(readTemp("twdoc/co_x.png"), "PNG");
  EXPECT_EQ(addin.module().fieldNames[0], "co_x");
}

// A job that fails with an error shows the start-up message once and is set aside, so that the next
// Word start on the same TEMP is an ordinary one.
TEST_F(TemplateJobTest, FailingJobIsSetAsideAndTheNextStartIsOrdinary) {
  struct Case {
    std::string name;
    std::string lines;
    std::string error;
  };
  const Case cases[] = {
      {"502 labels", entry("_merge_labels", labelList(502)), "Subscript out of range (9)"},
      {"12 menus", entry("_merge_menus", labelList(12)), "Subscript out of range (9)"},
      {"repeated record key", "col_a,r;1;\r\ncol_b,R;1;\r\n",
       "This key is already associated with an element of this collection (457)"},
      {"port that does not convert", entry("_upload_port", "poort"), "Type mismatch (13)"},
      {"port beyond 16 bits", entry("_upload_port", "70000"), "Overflow (6)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JobSession first;
    const std::string job = connectorFile(validTemplateEntries() + c.lines);
    first.writeTemp("twDocTemplate.tmp", job);
    first.connect();
    ASSERT_EQ(first.ui.shown.size(), 1u);
    EXPECT_NE(first.ui.shown[0].prompt.find("Foutinformatie: Tallyweave " + c.error), std::string::npos)
        << first.ui.shown[0].prompt;
    EXPECT_FALSE(first.addin.templateLoaded());
    EXPECT_FALSE(first.tempExists("twDocTemplate.tmp"));
    EXPECT_EQ(first.readTemp("twTemplateDoc.err"), job);

    plugin second{Services{first.sys, first.ui, first.http}};
    second.AddinInstance_OnConnection(engine::createApplication(first.sys), 0, AddInInstance{});
    EXPECT_EQ(second.startMode(), kStartNone);
    EXPECT_EQ(first.ui.shown.size(), 1u);
  }
}

TEST_F(TemplateJobTest, CleanupStopsAtTheFirstMissingTmpDocument) {
  connect();
  for (const char* name : {"TmpDocument1.doc", "TmpDocument2.doc", "TmpDocument4.doc", "SjabloonDocument.doc",
                           "twdoc/a.png", "twdoc/b.png"}) {
    std::filesystem::create_directories((tempDir() / name).parent_path());
    writeTemp(name, "x");
  }
  addin.module().resultDocName = "Resultaat";
  writeTemp("Resultaat.doc", "x");
  cleanupTempFiles(addin.context());
  EXPECT_FALSE(tempExists("TmpDocument1.doc"));
  EXPECT_FALSE(tempExists("TmpDocument2.doc"));
  EXPECT_TRUE(tempExists("TmpDocument4.doc"));
  EXPECT_FALSE(tempExists("SjabloonDocument.doc"));
  EXPECT_FALSE(tempExists("twdoc/a.png"));
  EXPECT_FALSE(tempExists("twdoc/b.png"));
  EXPECT_TRUE(std::filesystem::is_directory(tempDir() / "twdoc"));
  // Without a template name the result document of a document job stays.
  EXPECT_TRUE(tempExists("Resultaat.doc"));
}

}  // namespace
}  // namespace tw::addin
