#include "cli/connector_writer.h"

#include <gtest/gtest.h>

#include <map>

#include "connector/connector_reader.h"
#include "connector/job_fixture.h"

namespace tw::addin {
namespace {

using Json = nlohmann::ordered_json;

class ConnectorWriterTest : public JobTest {
 protected:
  std::string write(const std::string& json) {
    return writeConnectorFile(Json::parse(json), [this](const std::string& name) {
      auto file = files.find(name);
      if (file == files.end()) throw runtime::Error::fromNumber(runtime::kFileNotFound);
      return file->second;
    });
  }

  std::map<std::string, std::string> files = {
      {"factuur.docx", engine::minimalDocx("<w:p/>")},
      {"logo.jpg", "JPEGDATA"},
      {"save.png", "PNGDATA"},
  };
};

TEST_F(ConnectorWriterTest, DocumentJobRoundTrip) {
  std::string bytes = write(R"({
    "kind": "document",
    "template": {"file": "factuur.docx"},
    "settings": {"resultDocName": "factuur-1", "generate_mode": "record"},
    "header_columns": ["kop1", "kop2"],
    "fields": {"naam": "Jansen", "bedrag": 12.5, "betaald": true, "plaats": "Zoë"},
    "records": [{"name": "regels", "count": 2, "fields": ["regel_omschrijving", "regel_bedrag"]}],
    "images": [{"column": "img_logo", "file": "logo.jpg", "width": 120, "height": 80}]
  })");
  EXPECT_EQ(bytes.substr(0, 20), "Tallyweave bestand\r\n");
  writeTemp("twDoc.tmp", bytes);
  connect();
  ASSERT_TRUE(ui.shown.empty());
  tallyweaveModule& m = addin.module();
  EXPECT_EQ(readTemp("SjabloonDocument.doc"), files["factuur.docx"]);
  EXPECT_EQ(m.resultDocName, "factuur-1");
  ASSERT_EQ(m.fieldCount, 7);
  std::vector<std::string> names(m.fieldNames.begin(), m.fieldNames.begin() + 7);
  EXPECT_EQ(names,
            (std::vector<std::string>{"kop1", "kop2", "naam", "bedrag", "betaald", "plaats", "img_logo"}));
  EXPECT_EQ(m.fieldValues[3], "12.5");
  EXPECT_EQ(m.fieldValues[4], "True");
  EXPECT_EQ(m.fieldValues[5], "Zo\xEB");  // Windows-1252 in the file
  EXPECT_EQ(m.fieldValues[6], addin.tempPath("document_image_1.jpg") + ";120,80");
  EXPECT_EQ(m.recordCounts.item("regels"), "2");
  EXPECT_EQ(m.recordOfField.item("regel_bedrag"), "regels");
}

TEST_F(ConnectorWriterTest, TemplateJobRoundTrip) {
  std::string bytes = write(R"({
    "kind": "template",
    "start_line": "Kontavera Connector bestand",
    "template": {"file": "factuur.docx", "name": "factuur.docx", "title": "Factuur"},
    "settings": {"upload_address": "example.test", "upload_port": 443, "upload_path": "/upload",
                 "ribbon_xml": "<customUI/>"},
    "merge_menu_caption": "Kontavera",
    "merge_menus": [
      {"caption": "Klant", "fields": [{"label": "Naam", "key": "klant_naam"}, {"key": "klant_plaats"}]},
      {"caption": "Factuur", "visible": false,
       "fields": [{"label": "Bedrag", "key": "bedrag", "format": "\\# \"0,00\""}]}
    ],
    "ribbon": {"icons": {"save": "save.png"}}
  })");
  writeTemp("twDocTemplate.tmp", bytes);
  connect();
  ASSERT_TRUE(ui.shown.empty()) << ui.shown[0].prompt;
  // Accepted and opened; with a ribbon on Word 16 the classic menu stays hidden.
  ASSERT_NE(addin.settings().sourceDocument, nullptr);
  EXPECT_TRUE(addin.settings().useRibbon);
  EXPECT_EQ(addin.settings().ribbonXML, "<customUI/>");
  tallyweaveModule& m = addin.module();
  EXPECT_EQ(m.templateTitle, "Factuur");
  EXPECT_EQ(addin.settings().serverPort, 443);
  EXPECT_EQ(m.mergeMenuCaption, "Kontavera");
  EXPECT_EQ(m.mergeMenus[1], "Klant");
  EXPECT_EQ(m.mergeMenus[2], "Factuur");
  EXPECT_EQ(m.mergeMenuVisibility[1], "1");
  EXPECT_EQ(m.mergeMenuVisibility[2], "0");
  EXPECT_EQ(m.mergeLabels[100], "Naam");
  EXPECT_EQ(m.mergeKeys[101], "klant_plaats");
  EXPECT_EQ(m.mergeLabels[101], "klant_plaats");
  EXPECT_EQ(m.mergeKeys[200], "bedrag");
  EXPECT_EQ(m.mergeFormats[200], "\\# \"0,00\"");
  EXPECT_EQ(readTemp("twdoc/save.png"), "PNGDATA");
}

TEST_F(ConnectorWriterTest, DescriptionsThatDoNotFitSayWhy) {
  struct Case {
    std::string json;
    std::string message;
  };
  const Case cases[] = {
      {R"([])", "the description must be a JSON object"},
      {R"({"kind": "brief"})", "\"kind\" must be"},
      {R"({"kind": 1})", "\"kind\" must be"},
      {R"({"template": {"file": "factuur.docx", "name": null}})", "template.name must be a text"},
      {R"({"template": {}})", "template needs \"file\""},
      {R"({"fields": {"a": [1]}})", "fields.a must be a text"},
      {R"({"records": [{"name": "r"}]})", "records[] needs \"count\""},
      {R"({"merge_menus": [{}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}]})", "at most 10 menus"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    try {
      write(c.json);
      ADD_FAILURE() << "accepted";
    } catch (const runtime::Error& e) {
      EXPECT_EQ(e.number(), runtime::kInvalidProcedureCall);
      EXPECT_NE(e.description().find(c.message), std::string::npos) << e.description();
    }
  }
  EXPECT_THROW(write(R"({"template": {"file": "missing.docx"}})"), runtime::Error);
}

}  // namespace
}  // namespace tw::addin
