// Document jobs on mail-merge templates that Word saved for other projects (tests/fixtures/public, each
// with its source and licence): the merged document must read as Word shows it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "connector/job_fixture.h"
#include "engine/model/document_model.h"
#include "support/unique_ids.h"

namespace tw::addin {
namespace {

using Columns = std::vector<std::pair<std::string, std::string>>;

const std::filesystem::path kPublic = std::filesystem::path(TW_FIXTURES) / "public";

std::string readFixture(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// A record group of the job: its name, entry count and fields.
struct Group {
  std::string name;
  int count = 0;
  std::vector<std::string> fields;
};

std::string groupLine(const Group& group) {
  std::string items;
  for (const std::string& field : group.fields) items += (items.empty() ? "" : "|") + base64Encode(field);
  return "col_" + group.name + "," + group.name + ";" + std::to_string(group.count) + ";" + items + "\r\n";
}

struct PublicTemplate {
  std::string name;
  std::filesystem::path file;  // below tests/fixtures/public
  Columns columns;
  std::vector<Group> groups;
  // The text of each story of the result that holds any (main text, footnotes, headers and footers), as
  // Word shows them.
  std::vector<std::string> shown;
};

// The fixture and its fields, as Word saved them:
//  - docx-mailmerge/test_winword2010.docx (Word 2010): every name quoted, MERGEFIELD "Voornaam";
//  - docx_mailmerge/doc.docx (Word 2010): two blanks after the keyword, MERGEFIELD  ENTITY_LEGAL_NAME,
//    with the case formats FirstCap, Upper, Lower and Caps, and once with one blank;
//  - aspose-words-net/Mail merge destinations - Invoice.docx (Word 2016): a row of order lines holding
//    text beside its fields ($«Price», x«Quantity»), names after two blanks, and region markers
//    (TableStart:Item, TableEnd:Order) that name no column;
//  - docx-mailmerge/test_merge_table_rows.docx (Word 2011 for Mac): a styled table whose row of
//    classes lies between a header row and a fixed row with a field of its own;
//  - docx-mailmerge/test_footnote_header_footer.docx (Word 2016): fields in a footnote and in the first,
//    even and other pages' headers and footers, most of them without a result.
const PublicTemplate kTemplates[] = {
    {"quoted names",
     "docx-mailmerge/test_winword2010.docx",
     {{"Titel", "Mevrouw"},
      {"Voornaam", "Zo\xEB"},
      {"Achternaam", "de Vries"},
      {"Adresregel_1", "Herestraat 12"},
      {"Postcode", "9711 LM"},
      {"Plaats", "Groningen"},
      {"Provincie", "Groningen"},
      {"Land_of_regio", "Nederland"}},
     {},
     {"Mevrouw Zo\xEB de Vries\r"
      "Herestraat 12\r"
      "9711 LM Groningen Groningen Nederland\r"
      "\r"
      "Groningen,\r"
      "\r"
      "Dear Zo\xEB,\r"
      "\r"
      "I hope this document from WinWord 2010 finds you well.\r"
      "\r"
      "Kind regards,\r"
      "docx-mailmerge.\r"}},
    {"two blanks after the keyword",
     "docx_mailmerge/doc.docx",
     {{"ENTITY_LEGAL_NAME", "bakkerij VAN DIJK"}},
     {},
     {"First Caps:Bakkerij van dijk\r"
      "Upper:BAKKERIJ VAN DIJK\r"
      "Lower:bakkerij van dijk\r"
      "titlecaseBakkerij Van Dijk\r"
      "Plainbakkerij VAN DIJK\r"
      "\r"}},
    {"order lines with text beside their fields",
     "aspose-words-net/Mail merge destinations - Invoice.docx",
     {{"Date", "10 december 2026"},
      {"Number", "12"},
      {"Address", "Dorpsstraat"},
      {"Suburb", "Binnenstad"},
      {"City", "Utrecht"},
      {"Phonenumber", "030 123 45 67"},
      {"Name_0", "Appels"},
      {"Price_0", "2.50"},
      {"Quantity_0", "4"},
      {"ItemTotal_0", "10.00"},
      {"Name_1", "Peren"},
      {"Price_1", "3.00"},
      {"Quantity_1", "2"},
      {"ItemTotal_1", "6.00"},
      {"Name_2", "Kersen"},
      {"Price_2", "7.25"},
      {"Quantity_2", "1"},
      {"ItemTotal_2", "7.25"},
      {"Total", "23.25"}},
     {{"regels", 3, {"Name", "Price", "Quantity", "ItemTotal"}}},
     {"\r"
      "\r"
      "Invoice\r"
      "10 december 2026\r"
      "\r"
      "\r"
      "To:\r"
      "12 Dorpsstraat\r"
      "Binnenstad\r"
      "Utrecht\r"
      "030 123 45 67\r"
      "\r"
      "Items Ordered:\r"
      "Item Name\r\aPrice\r\aQuantity\r\aSub Total\r\a\r\a"
      "Appels\r\a$2.50\r\ax4\r\a$10.00\r\a\r\a"
      "Peren\r\a$3.00\r\ax2\r\a$6.00\r\a\r\a"
      "Kersen\r\a$7.25\r\ax1\r\a$7.25\r\a\r\a"
      "\r\a\r\aTotal Cost:\r\a$23.25\r\a\r\a"
      "\r"
      "\r"
      "Thank you for your purchase\r"
      "\r"
      "\r"
      "\r"
      "\r"
      "\r"
      "\r"
      "\r"
      "\r"}},
    {"a row of entries between fixed rows",
     "docx-mailmerge/test_merge_table_rows.docx",
     {{"student_name", "Jan de Vries"},
      {"study_name", "Informatica"},
      {"class_code_0", "INF1"},
      {"class_name_0", "Programmeren"},
      {"class_grade_0", "7"},
      {"class_code_1", "INF2"},
      {"class_name_1", "Databases"},
      {"class_grade_1", "9"},
      {"thesis_grade", "8"}},
     {{"vakken", 2, {"class_code", "class_name", "class_grade"}}},
     {"Grades\r"
      "Jan de Vries received the grades for Informatica in the table below.\r"
      "\r"
      "Class Code\r\aClass Name\r\aGrade\r\a\r\a"
      "INF1\r\aProgrammeren\r\a7\r\a\r\a"
      "INF2\r\aDatabases\r\a9\r\a\r\a"
      "THESIS\r\aFinal thesis\r\a8\r\a\r\a"
      "\r"}},
    {"footnote, headers and footers",
     "docx-mailmerge/test_footnote_header_footer.docx",
     {{"fieldname", "Jansen"},
      {"headerfield", "kop"},
      {"headereven", "kop even"},
      {"headerfirst", "kop eerste"},
      {"footerfield", "voet"},
      {"footereven", "voet even"},
      {"footerfirst", "voet eerste"}},
     {},
     {"\x02Merge : Jansen\r\r\r\x0c\rPage 2\r\x0c\r\r", "\x02 Merge : Jansen\r\r\r",
      "Header even: kop even\r", "Header on every page: kop\t\t\r", "Footer on even page voet even\r\r",
      "Footer on every page voet\r", "Header on first page: kop eerste\r",
      "Footer on first page voet eerste\r\r"}},
};

// The texts of the stories of `document` that hold any, in Word's order of stories.
std::vector<std::string> storyTexts(word::Document& document) {
  std::vector<std::string> texts;
  auto stories = document.StoryRanges();
  for (long i = 1; i <= stories->Count(); ++i) {
    std::string text = stories->Item(i)->Text();
    if (!text.empty()) texts.push_back(std::move(text));
  }
  return texts;
}

TEST(PublicTemplates, MergeAsWordShowsThem) {
  for (const PublicTemplate& t : kTemplates) {
    SCOPED_TRACE(t.name);
    const std::string docx = readFixture(kPublic / t.file);
    ASSERT_FALSE(docx.empty()) << (kPublic / t.file);
    std::string lines = entry("_template", docx) + entry("_resultDocName", "resultaat");
    for (const auto& [name, value] : t.columns) lines += entry(name, value);
    for (const Group& group : t.groups) lines += groupLine(group);

    JobSession s;
    s.writeTemp("twDoc.tmp", connectorFile(lines));
    s.connect();

    EXPECT_TRUE(s.ui.shown.empty());
    const std::vector<std::string> log = s.logMessages();
    EXPECT_NE(std::find(log.begin(), log.end(), "Merge Finished"), log.end());
    for (const std::string& line : log)
      EXPECT_EQ(line.find("Error occured while merging"), std::string::npos) << line;
    auto result = s.word->ActiveDocument();
    ASSERT_NE(result->Name(), "SjabloonDocument.doc");
    result->ActiveWindow()->View()->SetShowFieldCodes(false);
    EXPECT_EQ(storyTexts(*result), t.shown);

    // Saved, the result holds each of its identifiers once and reads the same when opened again.
    EXPECT_EQ(testing::repeatedIdentifiers(s.word->modelOf(*result).package().save()),
              std::vector<std::string>{});
    const std::string saved = s.addin.tempPath("resultaat.docx");
    result->SaveAs(saved);
    result->Close(false);
    auto reopened = s.word->Documents()->Open(saved);
    reopened->ActiveWindow()->View()->SetShowFieldCodes(false);
    EXPECT_EQ(storyTexts(*reopened), t.shown);
  }
}

}  // namespace
}  // namespace tw::addin
