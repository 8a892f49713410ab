#include "connector/connector_reader.h"

#include <gtest/gtest.h>

#include "connector/job_fixture.h"

namespace tw::addin {
namespace {

using Strings = std::vector<std::string>;

class ConnectorReaderTest : public JobTest {
 protected:
  ConnectorReaderTest() { connect(); }

  bool read(const std::string& bytes) {
    writeTemp("job.tmp", bytes);
    logStart = logMessages().size();
    return readConnectorFile(addin.context(), addin.tempPath("job.tmp"));
  }
  Strings fieldNames() const {
    const tallyweaveModule& m = const_cast<plugin&>(addin).module();
    return Strings(m.fieldNames.begin(), m.fieldNames.begin() + m.fieldCount);
  }
  Strings fieldValues() const {
    const tallyweaveModule& m = const_cast<plugin&>(addin).module();
    return Strings(m.fieldValues.begin(), m.fieldValues.begin() + m.fieldCount);
  }
  // The log lines of the last read.
  Strings readLog() const {
    Strings all = logMessages();
    return Strings(all.begin() + static_cast<long>(logStart), all.end());
  }

  size_t logStart = 0;
};

TEST_F(ConnectorReaderTest, JobFileIsHeldOpenUntilClosed) {
  writeTemp("job.tmp", "Tallyweave bestand\r\n");
  JobFile file;
  file.close();  // closing a file that is not open is harmless
  file.open(sys, addin.tempPath("job.tmp"));
  EXPECT_TRUE(file.isOpen());
  try {
    sys.MoveFile(addin.tempPath("job.tmp"), addin.tempPath("job.err"));
    ADD_FAILURE() << "moved while open";
  } catch (const runtime::Error& e) {
    EXPECT_EQ(e.number(), runtime::kPermissionDenied);
  }
  file.close();
  file.close();
  sys.MoveFile(addin.tempPath("job.tmp"), addin.tempPath("job.err"));
  EXPECT_TRUE(tempExists("job.err"));
}

TEST_F(ConnectorReaderTest, StartLines) {
  struct Case {
    std::string startLine;
    bool accepted;
  };
  const Case cases[] = {
      {"Pelzo b.v. Prijskaart bestand", true}, {"Tallyweave bestand", true},
      {"Kontavera Connector bestand", true},   {"Tallyweave bestand ", false},
      {"tallyweave bestand", false},           {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.startLine);
    EXPECT_EQ(read(connectorFile(entry("naam", "Jansen"), c.startLine)), c.accepted);
    Strings expectedLog = {"Generate Document: Opening template :" + addin.tempPath("job.tmp")};
    if (!c.accepted) {
      expectedLog.push_back("Generate Document: invalid startline :" + c.startLine);
      expectedLog.push_back("Error in readFile ");
    }
    EXPECT_EQ(readLog(), expectedLog);
  }
}

TEST_F(ConnectorReaderTest, EmptyAndMissingFilesAreRefusedWithTheirReason) {
  EXPECT_FALSE(read(""));
  EXPECT_EQ(readLog().back(), "Error in readFile ");
  EXPECT_EQ(readLog().size(), 2u);

  logStart = logMessages().size();
  EXPECT_FALSE(readConnectorFile(addin.context(), addin.tempPath("missing.tmp")));
  EXPECT_EQ(readLog().back(), "Error in readFile File not found");
}

TEST_F(ConnectorReaderTest, EntryLineSyntax) {
  struct Case {
    std::string name;
    std::string lines;
    Strings names;
    Strings values;
  };
  const std::string b64 = base64Encode("waarde");
  const Case cases[] = {
      {"line without comma is ignored", "zonderkomma\r\n\r\n" + entry("a", "1"), {"a"}, {"1"}},
      {"line ending at its comma has an empty value", "leeg,\r\n", {"leeg"}, {""}},
      {"line starting with a comma gives an empty name", "," + b64 + "\r\n", {""}, {"waarde"}},
      {"only the first value counts", "a," + b64 + "," + base64Encode("rest") + "\r\n", {"a"}, {"waarde"}},
      {"LF inside a line belongs to it", "a," + b64 + "\nb," + b64 + "\r\n", {"a"}, {"waarde"}},
      {"CR alone ends a line", "a," + b64 + "\rb," + b64 + "\r", {"a", "b"}, {"waarde", "waarde"}},
      {"keys are case-sensitive", entry("_Generate_Mode", "x"), {"_Generate_Mode"}, {"x"}},
      {"template name is an ordinary field", entry("_template_name", "x.doc"), {"_template_name"}, {"x.doc"}},
      {"ico_ is an ordinary key", entry("ico_save", "png"), {"ico_save"}, {"png"}},
      {"col_ without a semicolon is an ordinary field", entry("col_regels", "3"), {"col_regels"}, {"3"}},
      {"header columns are fields without values",
       entry("_header_cols", "naam,,adres") + entry("x", "1"),
       {"naam", "", "adres", "x"},
       {"", "", "", "1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    addin.module().fieldCount = 0;
    ASSERT_TRUE(read(connectorFile(c.lines)));
    EXPECT_EQ(fieldNames(), c.names);
    EXPECT_EQ(fieldValues(), c.values);
    // The spare slot after the last field is always there and empty.
    EXPECT_EQ(addin.module().fieldNames.size(), c.names.size() + 1);
    EXPECT_EQ(addin.module().fieldNames.back(), "");
  }
}

TEST_F(ConnectorReaderTest, SettingsAndTheLaterEntryWins) {
  ASSERT_TRUE(read(
      connectorFile(entry("_merge_data_file", "data.csv") + entry("_generate_mode", "htmlString") +
                    entry("_support_contact_string", "met ons.") + entry("_minimum_version", "900") +
                    entry("_latest_version", "1001") + entry("_update_exe_location", "http://x/setup.exe") +
                    entry("_resultDocName", "brief") + entry("_resultDocPath", "documents\\out\\") +
                    entry("_merge_data_str", "a;b\r\n1;2\r\n"))));
  EXPECT_EQ(addin.settings().generateMode.text(), "htmlString");
  EXPECT_EQ(addin.settings().dataSourceCsvFileName, "data.csv");
  EXPECT_EQ(addin.settings().supportContact, "met ons.");
  EXPECT_EQ(addin.settings().minimumConnectorVersion, 900);
  EXPECT_EQ(addin.settings().latestConnectorVersion, 1001);
  EXPECT_EQ(addin.settings().updatePath, "http://x/setup.exe");
  EXPECT_EQ(addin.module().resultDocName, "brief");
  EXPECT_EQ(addin.module().resultDocPath, "documents\\out\\");
  EXPECT_EQ(readTemp("twDb.csv"), "a;b\r\n1;2\r\n");
  EXPECT_EQ(addin.module().fieldCount, 0);
}

TEST_F(ConnectorReaderTest, RecordColumns) {
  const std::string items = base64Encode("regel_omschrijving") + "|" + base64Encode("regel_bedrag");
  ASSERT_TRUE(read(connectorFile("col_regels,regels;3;" + items + "\r\n")));
  EXPECT_EQ(addin.module().recordCounts.item("REGELS"), "3");
  EXPECT_EQ(addin.module().recordOfField.item("regel_bedrag"), "regels");
  EXPECT_EQ(addin.module().recordOfField.item("Regel_Omschrijving"), "regels");
  EXPECT_EQ(addin.module().fieldCount, 0);

  struct Case {
    std::string name;
    std::string lines;
    std::string error;
  };
  const Case failures[] = {
      {"one semicolon", "col_regels,regels;3\r\n", "Error in readFile Subscript out of range"},
      {"record name twice in another case", "col_a,regels;1;\r\ncol_b,REGELS;2;\r\n",
       "Error in readFile This key is already associated with an element of this collection"},
      {"field under two records",
       "col_a,een;1;" + base64Encode("veld") + "\r\ncol_b,twee;1;" + base64Encode("VELD") + "\r\n",
       "Error in readFile This key is already associated with an element of this collection"},
  };
  for (const Case& c : failures) {
    SCOPED_TRACE(c.name);
    addin.module().recordCounts.clear();
    addin.module().recordOfField.clear();
    EXPECT_FALSE(read(connectorFile(c.lines)));
    EXPECT_EQ(readLog().back(), c.error);
  }
}

TEST_F(ConnectorReaderTest, ImageMarkAnywhereInTheKey) {
  // Mode "record": the picture becomes TEMP\document_image_<k>.jpg and the column keeps its key.
  ASSERT_TRUE(
      read(connectorFile("x_img_logo," + base64Encode("JPEG") + ";" + base64Encode("120,80") + "\r\n")));
  ASSERT_EQ(fieldNames(), Strings{"x_img_logo"});
  EXPECT_EQ(fieldValues(), Strings{addin.tempPath("document_image_1.jpg") + ";120,80"});
  EXPECT_EQ(readTemp("document_image_1.jpg"), "JPEG");
}

TEST_F(ConnectorReaderTest, BadSettingsEndTheReadButKeepWhatWasRead) {
  EXPECT_FALSE(read(connectorFile(entry("a", "1") + entry("_minimum_version", "oud") + entry("b", "2"))));
  EXPECT_EQ(readLog().back(), "Error in readFile Type mismatch");
  EXPECT_EQ(fieldNames(), Strings{"a"});
}

TEST_F(ConnectorReaderTest, GarbageNeverCrashesTheReader) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 131 + 7) % 256);
  const std::string cases[] = {
      connectorFile("_template," + base64Encode("abcdefgh").substr(0, 5) + "\r\n"),  // truncated Base64
      connectorFile(junk),
      connectorFile(std::string(100 * 1024 * 1024, 'A') + "\r\n"),  // a 100 MB line without a comma
      junk,
  };
  for (const std::string& bytes : cases) {
    read(bytes);  // accepted or refused, but never a crash
  }
  EXPECT_TRUE(read(connectorFile("a," + std::string(1024 * 1024, 'Q') + "\r\n")));
  EXPECT_EQ(addin.module().fieldValues[static_cast<size_t>(addin.module().fieldCount) - 1].size(),
            768u * 1024);
}

}  // namespace
}  // namespace tw::addin
