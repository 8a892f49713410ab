#include "cli/word_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/connector_writer.h"
#include "connector/hostile_jobs.h"
#include "engine/engine.h"
#include "engine/model/document_model.h"
#include "support/test_services.h"
#include "support/unique_ids.h"
#include "support/word97.h"

namespace tw::cli {
namespace {

const std::filesystem::path kInvoice =
    std::filesystem::path(TW_FIXTURES) / ".." / ".." / "examples" / "invoice";

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class WordSessionTest : public ::testing::Test {
 protected:
  WordSessionTest() {
    std::filesystem::create_directories(temp());
    root.write("temp/twDebug.tmp", "");
  }

  std::filesystem::path temp() const { return root.path() / "temp"; }
  std::filesystem::path out() const { return root.path() / "out"; }

  // Writes TEMP\<file> from a job description whose files lie beside the example invoice.
  void job(const std::string& file, const nlohmann::ordered_json& description) {
    root.write("temp/" + file, addin::writeConnectorFile(description, [](const std::string& name) {
                 return readFile(kInvoice / name);
               }));
  }

  int run(WordSessionOptions options = {}) {
    options.temp = temp().string();
    options.outDir = out().string();
    const size_t before = console.str().size();
    int status = runWordSession(options, console);
    // Every result the session saved holds its identifiers once.
    std::istringstream lines(console.str().substr(before));
    for (std::string line; std::getline(lines, line);) {
      if (!line.starts_with("saved ")) continue;
      EXPECT_EQ(testing::repeatedIdentifiers(readFile(line.substr(6))), std::vector<std::string>{}) << line;
    }
    return status;
  }

  // The main text of a saved document as Word shows it.
  static std::string mainText(const std::filesystem::path& file) {
    auto document = engine::loadDocument(readFile(file), file.string());
    auto& story = *document->mainStory();
    return story.text(0, story.length(), false);
  }

  std::vector<std::string> logMessages() const {
    std::vector<std::string> messages;
    std::istringstream log(root.read("temp/debugTw.txt"));
    for (std::string line; std::getline(log, line);) {
      size_t colon = line.find(": ");
      messages.push_back(line.substr(colon + 2, line.size() - colon - 4));  // without the quote and CR
    }
    return messages;
  }

  testing::TempFolder root;
  std::ostringstream console;
};

nlohmann::ordered_json invoiceJob(const std::string& amount, const std::string& date) {
  return {
      {"kind", "document"},
      {"template", {{"file", "factuur.docx"}}},
      {"fields",
       {{"klant_naam", "Jansen"},
        {"klant_adres", "Dorpsstraat 1"},
        {"factuurnummer", "2026-001"},
        {"factuurdatum", date},
        {"omschrijving_0", "Advies"},
        {"aantal_0", "3"},
        {"bedrag_0", amount},
        {"omschrijving_1", "Ontwerp"},
        {"aantal_1", "1"},
        {"bedrag_1", "7"},
        {"omschrijving_2", "Reiskosten"},
        {"aantal_2", "2"},
        {"bedrag_2", "12"},
        {"totaal", amount}}},
      {"records", {{{"name", "regels"}, {"count", 3}, {"fields", {"omschrijving", "aantal", "bedrag"}}}}},
      {"images", {{{"column", "img_logo"}, {"file", "logo.png"}, {"width", 120}, {"height", 80}}}},
  };
}

TEST_F(WordSessionTest, ADocumentJobProducesTheMergedDocumentInEachLocale) {
  struct Case {
    std::string locale;
    std::string amount;
    std::string result;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"nl-NL",
       "1250,5",
       "Standaardbrieven1.docx",
       {"Aan: Jansen", "Datum: 10 december 2026", "1.250,50", "Totaal: 1.250,50"}},
      {"en-US",
       "1250.5",
       "Letters1.docx",
       {"Aan: Jansen", "Datum: 10 December 2026", "1,250.50", "Totaal: 1,250.50"}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(out());
    job("twDoc.tmp", invoiceJob(c.amount, "2026-12-10"));
    WordSessionOptions options;
    options.locale = c.locale;
    ASSERT_EQ(run(options), 0) << console.str();

    auto result = out() / c.result;
    ASSERT_TRUE(std::filesystem::exists(result)) << c.locale << "\n" << console.str();
    std::string text = mainText(result);
    for (const auto& expected : c.expected)
      EXPECT_NE(text.find(expected), std::string::npos) << c.locale << ": " << expected << "\n" << text;
    // Three invoice lines, no merge field left, the logo embedded in the package.
    for (const char* line : {"Advies", "Ontwerp", "Reiskosten"})
      EXPECT_NE(text.find(line), std::string::npos);
    std::string xml = engine::loadDocument(readFile(result), "r")->package().readPart("word/document.xml");
    EXPECT_EQ(xml.find("MERGEFIELD"), std::string::npos);
    EXPECT_NE(xml.find("r:embed"), std::string::npos);
    EXPECT_FALSE(root.exists("temp/twDoc.tmp"));
  }
}

// The connector stores every template as SjabloonDocument.doc; one saved as a Word 97-2003 document is
// opened through LibreOffice and merges like its .docx original, its fields' switches included.
TEST_F(WordSessionTest, ADocumentJobWithAWord97TemplateMerges) {
  TW_SKIP_WITHOUT_LIBREOFFICE();
  const std::string binary = testing::toWord97KeepingSwitches(readFile(kInvoice / "factuur.docx"));
  ASSERT_EQ(binary.rfind("\xD0\xCF\x11\xE0", 0), 0u);
  root.write("temp/twDoc.tmp",
             addin::writeConnectorFile(invoiceJob("1250,5", "2026-12-10"), [&](const std::string& name) {
               return name == "factuur.docx" ? binary : readFile(kInvoice / name);
             }));
  WordSessionOptions options;
  options.locale = "nl-NL";
  ASSERT_EQ(run(options), 0) << console.str();
  auto result = out() / "Standaardbrieven1.docx";
  ASSERT_TRUE(std::filesystem::exists(result)) << console.str();
  std::string text = mainText(result);
  // LibreOffice gives the binary template it writes its own default language, en-US (the .docx has none),
  // so the month is English, as Word shows a date field in an English run.
  for (const char* expected : {"Aan: Jansen", "Datum: 10 December 2026", "1.250,50", "Totaal: 1.250,50",
                               "Advies", "Ontwerp", "Reiskosten"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  std::string xml = engine::loadDocument(readFile(result), "r")->package().readPart("word/document.xml");
  EXPECT_EQ(xml.find("MERGEFIELD"), std::string::npos);
  EXPECT_NE(xml.find("r:embed"), std::string::npos);
  EXPECT_FALSE(root.exists("temp/twDoc.tmp"));
}

TEST_F(WordSessionTest, TheDebugLogFollowsTheDocumentJob) {
  job("twDoc.tmp", invoiceJob("10", "2026-12-10"));
  ASSERT_EQ(run(), 0);
  const std::vector<std::string> expected = {
      "Starting Tallyweave in debugging mode id: Tallyweave.plugin",
      "Generate Document: Opening template :" + temp().string() + "\\twDoc.tmp",
      "Parse ok",
      "Opening template",
      "Start merging document",
      "Building mergfield inventory",
      "Writing dataSources",
      "Executing Office.MailMerge on :SjabloonDocument.doc",
      "Reverting Mergestate",
      "Updating Sources",
      "Closing Template :SjabloonDocument.doc",
      "Cleanup datasources",
      "Header ....",
      "Data source ....",
      "Merge Finished",
      "Building menu"};
  auto messages = logMessages();
  ASSERT_GE(messages.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(messages.begin(), messages.begin() + expected.size()), expected);
}

TEST_F(WordSessionTest, AnAcceptedTemplateJobOpensTheTemplate) {
  job("twDocTemplate.tmp",
      {{"kind", "template"},
       {"template", {{"file", "factuur.docx"}, {"name", "factuur.docx"}, {"title", "Factuur"}}},
       {"settings", {{"upload_address", "localhost"}, {"upload_port", "80"}, {"upload_path", "/u"}}}});
  ASSERT_EQ(run(), 0) << console.str();
  EXPECT_TRUE(std::filesystem::exists(out() / "factuur.docx")) << console.str();
  EXPECT_FALSE(root.exists("temp/twDocTemplate.tmp"));
}

TEST_F(WordSessionTest, ARejectedTemplateJobIsSetAsideWithItsMessage) {
  root.write("temp/twDocTemplate.tmp", "Tallyweave bestand \r\n");
  ASSERT_EQ(run(), kJobRejected);
  EXPECT_TRUE(root.exists("temp/twTemplateDoc.err"));
  EXPECT_NE(console.str().find("Het sjabloon dat geopend wordt, is geen geldig sjabloon."),
            std::string::npos);
}

TEST_F(WordSessionTest, MessageBoxesAreAnsweredFromTheList) {
  job("twDoc.tmp", {{"kind", "document"},
                    {"template", {{"file", "factuur.docx"}}},
                    {"settings", {{"minimum_version", "9999"}}}});
  WordSessionOptions options;
  options.answers = {"cancel"};
  ASSERT_EQ(run(options), 0);
  std::string shown = console.str();
  EXPECT_NE(
      shown.find("| De door u geinstalleerde versie van de Tallyweave is te oud om dit bestand te openen,"),
      std::string::npos)
      << shown;
  EXPECT_NE(shown.find("+-> Annuleren (scripted answer 'cancel')"), std::string::npos) << shown;
  EXPECT_NE(shown.find("| Het document kon niet worden geopend"), std::string::npos) << shown;
}

// An output folder that cannot take results is refused before Word starts; the job stays for a next try.
TEST_F(WordSessionTest, ABadOutputFolderIsRefusedBeforeWordStarts) {
  root.write("een-bestand", "x");
  for (const char* bad : {"een-bestand", "een-bestand/map"}) {
    SCOPED_TRACE(bad);
    job("twDoc.tmp", invoiceJob("10", "2026-12-10"));
    WordSessionOptions options;
    options.temp = temp().string();
    options.outDir = (root.path() / bad).string();
    EXPECT_EQ(runWordSession(options, console), kBadUsage);
    EXPECT_NE(console.str().find("cannot write results to"), std::string::npos) << console.str();
    EXPECT_TRUE(root.exists("temp/twDoc.tmp"));
  }
}

// A save that fails says so in the exit status and leaves the earlier result as it was.
TEST_F(WordSessionTest, AFailedSaveExitsNonZeroAndKeepsTheEarlierResult) {
  std::filesystem::create_directories(out() / ".Standaardbrieven1.partial.docx");
  root.write("out/Standaardbrieven1.docx", "earlier result");
  job("twDoc.tmp", invoiceJob("10", "2026-12-10"));
  EXPECT_EQ(run(), kNotSaved);
  EXPECT_EQ(root.read("out/Standaardbrieven1.docx"), "earlier result");
}

// A document job that is not valid ends with its message and is kept; the exit status tells a caller that
// no result came of it, and the next start is an ordinary one.
TEST_F(WordSessionTest, ARejectedDocumentJobExitsWithItsOwnStatus) {
  root.write("temp/twDoc.tmp", "geen connectorbestand");
  EXPECT_EQ(run(), kJobRejected);
  EXPECT_NE(console.str().find("the job twDoc.tmp was not valid"), std::string::npos) << console.str();
  EXPECT_EQ(root.read("temp/twDoc.err"), "geen connectorbestand");
  EXPECT_EQ(run(), kSessionRan);
}

// The hostile jobs through the whole session: the exit status tells the caller whether a result came of
// the job, its one message box reaches the console, the job is kept byte for byte, and nothing is read
// from beside TEMP nor written anywhere but TEMP and the output folder.
TEST_F(WordSessionTest, HostileJobsExitWithTheirStatusAndStayInTheirFolders) {
  for (const addin::HostileJob& c : addin::kHostileJobs) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(temp());
    std::filesystem::remove_all(out());
    std::filesystem::create_directories(temp());
    root.write("temp/twDebug.tmp", "");
    testing::TempFolder outside;
    addin::writeOutsideFiles(outside);
    addin::CurrentFolder current(outside.path());
    const std::string job = c.job(outside.path());
    root.write(std::string("temp/") + c.jobFile, job);
    const size_t consoleBefore = console.str().size();

    EXPECT_EQ(run(), *c.kept ? kJobRejected : kSessionRan);

    const std::string shown = console.str().substr(consoleBefore);
    if (!c.message.empty()) {
      EXPECT_NE(shown.find(c.message.substr(0, c.message.find('\r'))), std::string::npos) << shown;
    }
    EXPECT_FALSE(root.exists(std::string("temp/") + c.jobFile));
    if (*c.kept) {
      EXPECT_EQ(root.read(std::string("temp/") + c.kept), job);
    }
    std::string results;
    if (std::filesystem::exists(out())) {
      for (const auto& result : std::filesystem::directory_iterator(out())) {
        results += readFile(result.path());
        if (*c.merged) {
          EXPECT_NE(mainText(result.path()).find(c.merged), std::string::npos) << result.path();
        }
      }
    }
    EXPECT_EQ(results.empty(), *c.kept != 0) << "results only from a job that ran";
    EXPECT_EQ(results.find(addin::kOutsideMark), std::string::npos);
    std::vector<std::string> elsewhere;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root.path())) {
      const std::string top = std::filesystem::relative(item.path(), root.path()).begin()->string();
      if (top != "temp" && top != "out") elsewhere.push_back(item.path().string());
    }
    EXPECT_EQ(elsewhere, std::vector<std::string>{});
    std::vector<std::string> besideTemp;
    for (const auto& item : std::filesystem::directory_iterator(outside.path()))
      besideTemp.push_back(item.path().filename().string());
    std::sort(besideTemp.begin(), besideTemp.end());
    EXPECT_EQ(besideTemp, (std::vector<std::string>{"data.csv", "document_image_1.jpg", "x.png"}));
  }
}

TEST_F(WordSessionTest, AnUnknownScriptCommandStopsWithItsLineNumber) {
  root.write("script.txt", "# a comment\n\nwait 100\nfly away\n");
  WordSessionOptions options;
  options.scriptFile = (root.path() / "script.txt").string();
  EXPECT_EQ(run(options), 2);
  EXPECT_NE(console.str().find("script.txt:4: unknown command 'fly'"), std::string::npos) << console.str();
}

// Scripts that select, type and close on documents the script opens: "brief.docx" holds "Beste klant",
// "tweede.docx" holds "Tweede".
class ScriptTest : public WordSessionTest {
 protected:
  ScriptTest() {
    root.write("brief.docx", engine::minimalDocx("<w:p><w:r><w:t>Beste klant</w:t></w:r></w:p>"));
    root.write("tweede.docx", engine::minimalDocx("<w:p><w:r><w:t>Tweede</w:t></w:r></w:p>"));
  }

  int runScript(const std::string& script) {
    std::string text = script;
    for (const char* name : {"brief.docx", "tweede.docx"}) {
      const std::string placeholder = std::string("{") + name + "}";
      for (size_t at; (at = text.find(placeholder)) != std::string::npos;)
        text.replace(at, placeholder.size(), (root.path() / name).string());
    }
    root.write("script.txt", text);
    WordSessionOptions options;
    options.scriptFile = (root.path() / "script.txt").string();
    return run(options);
  }

  // The saved documents, each with its main text.
  std::map<std::string, std::string> results() const {
    std::map<std::string, std::string> texts;
    if (!std::filesystem::is_directory(out())) return texts;
    for (const auto& item : std::filesystem::directory_iterator(out()))
      texts[item.path().filename().string()] = mainText(item.path());
    return texts;
  }
};

TEST_F(ScriptTest, SelectAndCloseActOnTheDocumentsAsWordDoes) {
  using Texts = std::map<std::string, std::string>;
  struct Case {
    const char* script;
    Texts saved;
  };
  const Case cases[] = {
      {"open {brief.docx}\nselect 6 11\ntype lezer\n", {{"brief.docx", "Beste lezer\r"}}},
      {"open {brief.docx}\nselect 0 0\ntype Hallo. \n", {{"brief.docx", "Hallo. Beste klant\r"}}},
      {"open {brief.docx}\nselect 5 5\nselect all\ntype Nieuw\n", {{"brief.docx", "Nieuw\r"}}},
      {"open {brief.docx}\nopen {tweede.docx}\nclose\ntype Weer \n", {{"brief.docx", "Weer Beste klant\r"}}},
      {"open {brief.docx}\nopen {tweede.docx}\nclose BRIEF.docx\n", {{"tweede.docx", "Tweede\r"}}},
      // Closing does not save: what was typed is gone with the document.
      {"open {brief.docx}\ntype Weg \nclose\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    std::filesystem::remove_all(out());
    ASSERT_EQ(runScript(c.script), kSessionRan) << console.str();
    EXPECT_EQ(results(), c.saved);
  }
  EXPECT_EQ(mainText(root.path() / "brief.docx"), "Beste klant\r");
}

// A line that cannot run stops the script with its line number, and the session with status 2.
TEST_F(ScriptTest, ALineThatCannotRunSaysWhereAndWhy) {
  struct Case {
    const char* line;  // the script's third line
    const char* error;
  };
  const Case cases[] = {
      {"select 6", "select <start> <end> or select all (5)"},
      {"select zes elf", "select <start> <end> or select all (5)"},
      {"select 6 11 12", "select <start> <end> or select all (5)"},
      {"select 0 99", "The value is out of range. (5843)"},
      {"select alles", "select <start> <end> or select all (5)"},
      {"close tweede.docx", "no open document 'tweede.docx' (5)"},
      {"activate", "activate <document name> (5)"},
      {"wait 100ms", "wait <milliseconds> (5)"},
      {"press Sjaboon opslaan", "press <form title> > <button> (5)"},
      {"press Sjaboon opslaan > Opslaan", "No shown form 'Sjaboon opslaan' (5)"},
      {"fill Sjaboon opslaan > Wachtwoord", "fill <form title> > <text box> = <text> (5)"},
      {"fill \"Sjaboon opslaan > Wachtwoord = geheim", "fill <form title> > <text box> = <text> (5)"},
      {"click Menu Bar > \"Tallyweave", "a quote is not closed in 'Menu Bar > \"Tallyweave' (5)"},
      {"click Menu Bar > \"Tally\"weave", "text follows a closing quote in 'Menu Bar > \"Tally\"weave' (5)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    console.str("");
    EXPECT_EQ(runScript("# brief\nopen {brief.docx}\n" + std::string(c.line) + "\ntype nooit\n"), kBadUsage);
    EXPECT_NE(console.str().find("script.txt:3: " + std::string(c.error) + "\n"), std::string::npos)
        << console.str();
    // The lines after it did not run.
    EXPECT_EQ(mainText(out() / "brief.docx"), "Beste klant\r");
  }
}

// A field menu's label that holds " > " is clicked as one quoted part.
TEST_F(ScriptTest, AQuotedCaptionClicksTheMenuEntryThatHoldsTheSeparator) {
  job("twDocTemplate.tmp",
      {{"kind", "template"},
       {"template", {{"file", "factuur.docx"}, {"name", "factuur.docx"}, {"title", "Factuur"}}},
       {"settings", {{"upload_address", "localhost"}, {"upload_port", "80"}, {"upload_path", "/u"}}},
       {"merge_menu_caption", "Tallyweave"},
       {"merge_menus",
        {{{"caption", "Klant > adres"},
          {"fields",
           {{{"label", "Naam > kort"}, {"key", "klant_naam"}},
            {{"label", "Naam"}, {"key", "klant_adres"}}}}}}}});
  ASSERT_EQ(runScript("select all\n"
                      "type Aan: \n"
                      "click Menu Bar > Tallyweave > Veld invoegen > \"Klant > adres\" > \"Naam > kort\"\n"),
            kSessionRan)
      << console.str();
  const std::string xml =
      engine::loadDocument(readFile(out() / "factuur.docx"), "r")->package().readPart("word/document.xml");
  EXPECT_NE(xml.find("MERGEFIELD klant_naam"), std::string::npos) << xml;
  EXPECT_EQ(xml.find("klant_adres"), std::string::npos) << xml;
}

}  // namespace
}  // namespace tw::cli
