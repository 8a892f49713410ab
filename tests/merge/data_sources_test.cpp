#include "merge/data_sources.h"

#include <gtest/gtest.h>

#include "connector/connector_reader.h"
#include "connector/field_lists.h"
#include "connector/job_fixture.h"
#include "context/safe_names.h"

namespace tw::addin {
namespace {

std::string html(const std::string& cells) {
  return "<HTML>\r\n<BODY>\r\n<TABLE>\r\n<TR>\r\n" + cells + "</TR>\r\n</TABLE>\r\n</BODY>\r\n</HTML>";
}

class DataSourcesTest : public JobTest {
 protected:
  DataSourcesTest() { connect(); }

  void setFields(const std::vector<std::pair<std::string, std::string>>& fields) {
    for (const auto& [name, value] : fields) addField(addin.module(), name, value);
  }
  void setInventory(const std::vector<std::string>& names) {
    for (const std::string& name : names) addin.module().mergefieldInventory.add(name);
  }
};

TEST_F(DataSourcesTest, HtmlFilesByteForByte) {
  const std::string picture = "C:\\Temp\\document_image_1.jpg";
  struct Case {
    std::string name;
    std::string mode;
    std::vector<std::pair<std::string, std::string>> fields;
    std::vector<std::string> inventory;
    std::string header;
    std::string data;
  };
  const Case cases[] = {
      {"record: inventory order, picture with size",
       "record",
       {{"img_logo", picture + ";120,80"}, {"naam", "Jansen"}, {"adres", "Dorpsstraat 1"}},
       {"naam", "img_logo"},
       "<TD>naam</TD>\r\n<TD>img_logo</TD>\r\n",
       "<TD>Jansen</TD>\r\n<TD><IMG width='120' height='80' SRC='" + picture + "'></TD>\r\n"},
      {"picture with width only",
       "record",
       {{"img_logo", picture + ";120"}},
       {"img_logo"},
       "<TD>img_logo</TD>\r\n",
       "<TD><IMG width='120' SRC='" + picture + "'></TD>\r\n"},
      {"picture without size",
       "record",
       {{"img_logo", picture}},
       {"img_logo"},
       "<TD>img_logo</TD>\r\n",
       "<TD><IMG  SRC='" + picture + "'></TD>\r\n"},
      {"record: a duplicate name gives two cells",
       "record",
       {{"naam", "A"}, {"naam", "B"}},
       {"naam"},
       "<TD>naam</TD>\r\n<TD>naam</TD>\r\n",
       "<TD>A</TD>\r\n<TD>B</TD>\r\n"},
      {"htmlString: a duplicate name gives four cells",
       "htmlString",
       {{"naam", "A"}, {"naam", "B"}},
       {},
       "<TD>naam</TD>\r\n<TD>naam</TD>\r\n<TD>naam</TD>\r\n<TD>naam</TD>\r\n",
       "<TD>A</TD>\r\n<TD>B</TD>\r\n<TD>A</TD>\r\n<TD>B</TD>\r\n"},
      {"htmlString: every column, in column order",
       "htmlString",
       {{"b", "2"}, {"a", "1"}},
       {"a"},
       "<TD>b</TD>\r\n<TD>a</TD>\r\n",
       "<TD>2</TD>\r\n<TD>1</TD>\r\n"},
      {"values are text: angle brackets as entities, & as it is",
       "other",
       {{"x", "<b>&amp;</b>"}, {"y", "a</TD></TR><TR><TD>b"}, {"z", "<VINET> b.v."}},
       {"x", "y", "z"},
       "<TD>x</TD>\r\n<TD>y</TD>\r\n<TD>z</TD>\r\n",
       "<TD>&lt;b&gt;&amp;&lt;/b&gt;</TD>\r\n<TD>a&lt;/TD&gt;&lt;/TR&gt;&lt;TR&gt;&lt;TD&gt;b</TD>\r\n"
       "<TD>&lt;VINET&gt; b.v.</TD>\r\n"},
      {"only a picture this job wrote becomes a picture",
       "record",
       {{"img_x", "/etc/document_image_9.jpg"}},
       {"img_x"},
       "<TD>img_x</TD>\r\n",
       "<TD>/etc/document_image_9.jpg</TD>\r\n"},
      {"empty inventory", "record", {{"x", "1"}}, {}, "", ""},
      {"names compare exactly", "record", {{"Naam", "1"}}, {"naam"}, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JobSession s;
    s.connect();
    s.addin.settings().generateMode = GenerateMode(c.mode);
    s.addin.module().documentImages.push_back(picture);
    for (const auto& [name, value] : c.fields) addField(s.addin.module(), name, value);
    for (const std::string& name : c.inventory) s.addin.module().mergefieldInventory.add(name);
    writeHtmlSources(s.addin.context(), true);
    EXPECT_EQ(s.readTemp("temp_dat_header.htm"), html(c.header));
    EXPECT_EQ(s.readTemp("temp_dat_source.htm"), html(c.data));
  }
}

TEST_F(DataSourcesTest, HeaderOnlyWhenNoDataFileIsAsked) {
  setFields({{"naam", "Jansen"}});
  setInventory({"naam"});
  writeHtmlSources(addin.context(), false);
  EXPECT_EQ(readTemp("temp_dat_header.htm"), html("<TD>naam</TD>\r\n"));
  EXPECT_FALSE(tempExists("temp_dat_source.htm"));
}

TEST_F(DataSourcesTest, DocumentImagesByMode) {
  std::string name = "img_logo";
  EXPECT_EQ(writeDocumentImage(addin.context(), "", "120", name, "jpg"), "");
  EXPECT_EQ(addin.module().documentImageCount, 0);

  // Mode "record": numbered files; the numbers keep rising across jobs.
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(
        writeDocumentImage(addin.context(), "JPG" + std::to_string(k), k == 3 ? "10,20" : "", name, "jpg"),
        addin.tempPath("document_image_" + std::to_string(k) + ".jpg") + (k == 3 ? ";10,20" : ""));
  }
  EXPECT_EQ(readTemp("document_image_3.jpg"), "JPG3");
  EXPECT_EQ(name, "img_logo");

  // Other modes: TEMP\twdoc\<name without img_>, the column name shortened, a second picture replaces it.
  addin.settings().generateMode = GenerateMode("htmlString");
  EXPECT_EQ(writeDocumentImage(addin.context(), "EEN", "", name, "jpg"), addin.tempPath("twdoc\\logo.jpg"));
  EXPECT_EQ(name, "logo");
  std::string again = "img_logo";
  writeDocumentImage(addin.context(), "TWEE", "", again, "jpg");
  EXPECT_EQ(readTemp("twdoc/logo.jpg"), "TWEE");

  // Mode "csvFile": the file is already in the daemon's folder; nothing is written.
  addin.settings().generateMode = GenerateMode("csvFile");
  addin.module().basePath = "C:\\spool\\";
  std::string column = "img_foto";
  EXPECT_EQ(writeDocumentImage(addin.context(), "foto.jpg", "", column, "jpg"), "");
  EXPECT_EQ(addin.module().documentImages.back(), "C:\\spool\\\\foto.jpg");
  EXPECT_EQ(addin.module().documentImageCount, 6);
}

TEST_F(DataSourcesTest, TempAndCsvFilesNeverFail) {
  const std::string bytes("by\0tes", 6);
  writeTempFile(addin.context(), bytes, "SjabloonDocument.doc");
  EXPECT_EQ(readTemp("SjabloonDocument.doc"), bytes);
  writeTempFile(addin.context(), "x", "geen\\map\\bestand.doc");  // silently nothing
  EXPECT_EQ(filesOutsideTemp(), std::vector<std::string>{});
  writeCsvData(addin.context(), "a;b\r\n");
  writeCsvData(addin.context(), "c\r\n");
  EXPECT_EQ(readTemp("twDb.csv"), "c\r\n");
}

// Records the calls the add-in makes on a mail merge.
class RecordingMailMerge : public word::MailMerge {
 public:
  struct Call {
    bool header;
    word::DataSourceArgs args;
  };
  void OpenHeaderSource(const word::DataSourceArgs& args) override { calls.push_back({true, args}); }
  void OpenDataSource(const word::DataSourceArgs& args) override { calls.push_back({false, args}); }
  void Execute(bool) override {}
  int MainDocumentType() override { return word::wdFormLetters; }
  void SetMainDocumentType(int) override {}
  std::shared_ptr<word::MailMergeFields> Fields() override { return nullptr; }
  std::vector<Call> calls;
};

TEST_F(DataSourcesTest, AttachingTheDataSourceForEveryMode) {
  const std::string driver = "Provider=MSDASQL;Driver={Microsoft Text Driver (*.csv)}";
  addin.module().basePath = "C:\\spool\\";
  addin.settings().dataSourceCsvFileName = "data.csv";
  for (const std::string mode : {"record", "htmlString", "htmlSources", "csvString", "csvFile"}) {
    SCOPED_TRACE(mode);
    addin.settings().generateMode = GenerateMode(mode);
    RecordingMailMerge merge;
    attachDataSource(addin.context(), merge);
    if (mode == "csvString" || mode == "csvFile") {
      ASSERT_EQ(merge.calls.size(), 1u);
      EXPECT_FALSE(merge.calls[0].header);
      EXPECT_EQ(merge.calls[0].args.name,
                mode == "csvString" ? addin.tempPath("twDb.csv") : "C:\\spool\\data.csv");
      EXPECT_EQ(merge.calls[0].args.connection, driver);
      EXPECT_FALSE(merge.calls[0].args.format.has_value());
    } else {
      ASSERT_EQ(merge.calls.size(), 2u);
      EXPECT_TRUE(merge.calls[0].header);
      EXPECT_EQ(merge.calls[0].args.name, addin.tempPath("temp_dat_header.htm"));
      EXPECT_EQ(merge.calls[1].args.name, addin.tempPath("temp_dat_source.htm"));
      for (const auto& call : merge.calls) {
        EXPECT_EQ(call.args.format, word::wdOpenFormatWebPages);
        EXPECT_EQ(call.args.confirmConversions, false);
        EXPECT_FALSE(call.args.connection.has_value());
      }
      EXPECT_TRUE(tempExists("temp_dat_source.htm"));
    }
  }
}

// Outside the daemon there is no base folder: the data file named by a job is looked for in TEMP, and a
// name that leaves its folder is refused before Word is asked to open anything.
TEST_F(DataSourcesTest, ADataFileFromAJobStaysBelowItsFolder) {
  addin.settings().generateMode = GenerateMode("csvFile");
  struct Case {
    std::string basePath, name, opened;  // opened: "" when refused
  };
  const Case cases[] = {
      {"", "data.csv", addin.tempPath("data.csv")},
      {"", "jobs\\data.csv", addin.tempPath("jobs\\data.csv")},
      {"C:\\spool\\", "data.csv", "C:\\spool\\data.csv"},
      {"", "C:\\elders\\data.csv", ""},
      {"C:\\spool\\", "..\\data.csv", ""},
      {"", "\\\\server\\share\\data.csv", ""},
      {"", "*.csv", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.basePath + c.name);
    addin.module().basePath = c.basePath;
    addin.settings().dataSourceCsvFileName = c.name;
    RecordingMailMerge merge;
    if (c.opened.empty()) {
      EXPECT_THROW(attachDataSource(addin.context(), merge), UnsafeNameError);
      EXPECT_TRUE(merge.calls.empty());
    } else {
      attachDataSource(addin.context(), merge);
      ASSERT_EQ(merge.calls.size(), 1u);
      EXPECT_EQ(merge.calls[0].args.name, c.opened);
    }
  }
}

}  // namespace
}  // namespace tw::addin
