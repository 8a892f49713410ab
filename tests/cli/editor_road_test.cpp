// The editor's road through a whole Word session: a template job, a field from the menu, an example
// document, and the upload to the stand-in service; the ribbon's XML and pictures.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/connector_writer.h"
#include "cli/word_session.h"
#include "engine/engine.h"
#include "engine/model/document_model.h"
#include "standin/service.h"
#include "support/test_services.h"
#include "support/unique_ids.h"

namespace tw::cli {
namespace {

const std::filesystem::path kExample =
    std::filesystem::path(TW_FIXTURES) / ".." / ".." / "examples" / "template";

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class EditorRoadTest : public ::testing::Test {
 protected:
  EditorRoadTest() {
    std::filesystem::create_directories(root.path() / "temp");
    std::filesystem::create_directories(root.path() / "store");
    job = nlohmann::ordered_json::parse(readFile(kExample / "template.json"));
  }

  void startService(standin::ServiceOptions options) {
    options.storeDir = (root.path() / "store").string();
    service = std::make_unique<standin::Service>(options, serviceLog);
    job["settings"]["upload_address"] = "127.0.0.1:" + std::to_string(service->port());
    // The port travels in the address; `upload_port` only chooses https (443) or http, and as a 16-bit
    // number it cannot hold every port the system hands out.
    job["settings"]["upload_port"] = 80;
  }

  int run(const std::string& script, WordSessionOptions options = {}) {
    root.write("temp/twDocTemplate.tmp", addin::writeConnectorFile(job, [](const std::string& name) {
                 return readFile(kExample / name);
               }));
    root.write("script.txt", script);
    options.temp = (root.path() / "temp").string();
    options.outDir = (root.path() / "out").string();
    options.scriptFile = (root.path() / "script.txt").string();
    if (!options.httpTimeout) options.httpTimeout = std::chrono::milliseconds(2000);
    int status = runWordSession(options, console);
    // Every result saved holds its identifiers once.
    if (std::filesystem::is_directory(root.path() / "out")) {
      for (const auto& item : std::filesystem::directory_iterator(root.path() / "out"))
        EXPECT_EQ(testing::repeatedIdentifiers(readFile(item.path())), std::vector<std::string>{})
            << item.path();
    }
    return status;
  }

  static std::string mainText(const std::string& docx) {
    auto document = engine::loadDocument(docx, "factuur.docx");
    auto& story = *document->mainStory();
    return story.text(0, story.length(), false);
  }

  testing::TempFolder root;
  nlohmann::ordered_json job;
  std::ostringstream serviceLog;
  std::unique_ptr<standin::Service> service;
  std::ostringstream console;
};

TEST_F(EditorRoadTest, TheEditedTemplateReachesTheServiceByteForByte) {
  startService({.port = 0,
                .user = "jan",
                .password = "geheim",
                .installerFile = {},
                .storeDir = {},
                .answer = standin::ServiceAnswer::kOk});
  ASSERT_EQ(run("menu\n"
                "type Klant: \n"
                "click Menu Bar > Tallyweave > Veld invoegen > Klant > Naam\n"
                "click Menu Bar > Tallyweave > Maak voorbeeld\n"
                "activate FACTUUR.docx\n"
                "click Menu Bar > Tallyweave > Sjabloon 'Factuur' opslaan\n"
                "fill Sjaboon opslaan > Password = fout\n"
                "press Sjaboon opslaan > UploadButton\n"
                "fill Sjaboon opslaan > Password = geheim\n"
                "press Sjaboon opslaan > UploadButton\n"),
            0)
      << console.str();
  const std::string shown = console.str();
  EXPECT_NE(shown.find("Tallyweave\n  Sjabloon 'Factuur' opslaan\n  Veld invoegen\n    Klant\n      Naam\n"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("statuslabel: De gebruikersnaam of het wachtwoord is niet herkend. Probeer opnieuw"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("| Het sjabloon is opgeslagen"), std::string::npos) << shown;

  const std::string stored = root.read("store/factuur.docx");
  EXPECT_EQ(stored, root.read("out/factuur.docx"));
  EXPECT_NE(mainText(stored).find("Klant: "), std::string::npos);
  EXPECT_EQ(service->received().size(), 2u);
}

// The upload form's controls named as a person reads them: the label before the box, the button's caption.
TEST_F(EditorRoadTest, TheUploadFormIsFilledAndPressedByItsCaptions) {
  startService({.port = 0,
                .user = "jan",
                .password = "geheim",
                .installerFile = {},
                .storeDir = {},
                .answer = standin::ServiceAnswer::kOk});
  ASSERT_EQ(run("click Menu Bar > Tallyweave > Sjabloon 'Factuur' opslaan\n"
                "fill Sjaboon opslaan > Gebruikersnaam: = jan\n"
                "fill Sjaboon opslaan > Wachtwoord = geheim\n"
                "press Sjaboon opslaan > Opslaan\n"),
            0)
      << console.str();
  EXPECT_NE(console.str().find("| Het sjabloon is opgeslagen"), std::string::npos) << console.str();
  EXPECT_EQ(root.read("store/factuur.docx"), root.read("out/factuur.docx"));
  EXPECT_EQ(service->received().size(), 1u);
}

TEST_F(EditorRoadTest, ANeverAnsweringServiceEndsInTheErrorFrameAndWordGoesOn) {
  startService({.port = 0,
                .user = {},
                .password = {},
                .installerFile = {},
                .storeDir = {},
                .answer = standin::ServiceAnswer::kSlow});
  job["settings"]["authorization_required"] = false;
  WordSessionOptions options;
  options.httpTimeout = std::chrono::milliseconds(300);
  ASSERT_EQ(run("click Menu Bar > Tallyweave > Sjabloon 'Factuur' opslaan\n"
                "type nog bezig\n",
                options),
            0)
      << console.str();
  const std::string shown = console.str();
  EXPECT_NE(shown.find("| Er is een fout opgetreden bij het verzenden van het sjabloon.\n"
                       "| Neem contact met de uitgever van deze software.\n"
                       "| Foutcode: -2147012894: The operation timed out\n"
                       "| StatusCode: 6.1\n"),
            std::string::npos)
      << shown;
  EXPECT_NE(mainText(root.read("out/factuur.docx")).find("nog bezig"), std::string::npos);
}

TEST_F(EditorRoadTest, AnUploadFromAnotherDocumentIsRefused) {
  startService({});
  ASSERT_EQ(run("click Menu Bar > Tallyweave > Maak voorbeeld\n"
                "click Menu Bar > Tallyweave > Sjabloon 'Factuur' opslaan\n"),
            0)
      << console.str();
  EXPECT_NE(console.str().find("| U kunt alleen het sjabloon document opslaan."), std::string::npos);
  EXPECT_TRUE(service->received().empty());
}

TEST_F(EditorRoadTest, TheRibbonGetsItsXmlOnlyFromVersion12OnAndItsPicturesFromTemp) {
  job["ribbon"]["xml"] = "<customUI><ribbon/></customUI>";
  for (const auto& [version, ribbon] :
       {std::pair{"16.0", true}, std::pair{"12.0", true}, std::pair{"11.0", false}}) {
    SCOPED_TRACE(version);
    console.str("");
    WordSessionOptions options;
    options.wordVersion = version;
    ASSERT_EQ(run("customui\nimage logo\nimage missing\nmenu\n", options), 0) << console.str();
    const std::string shown = console.str();
    EXPECT_EQ(shown.find("<customUI><ribbon/></customUI>\n") != std::string::npos, ribbon) << shown;
    // With the ribbon the classic menu stays hidden; without it the field menus are there.
    EXPECT_EQ(shown.find("Tallyweave (hidden)\n") != std::string::npos, ribbon) << shown;
    EXPECT_EQ(shown.find("    Klant\n") != std::string::npos, !ribbon) << shown;
    EXPECT_NE(shown.find("image logo: 2 x 2\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("image missing: none\n"), std::string::npos) << shown;
  }
}

TEST_F(EditorRoadTest, AnUpdateRunsTheInstallerAndQuitsWordOnlyForAnAdministrator) {
  // The installer runs a while, as a real one waits for Word to end; its mark lies outside TEMP.
  root.write("installer",
             "#!/bin/sh\necho ran > '" + (root.path() / "installer.ran").string() + "'\nsleep 2\n");
  startService({.port = 0,
                .user = {},
                .password = {},
                .installerFile = (root.path() / "installer").string(),
                .storeDir = {},
                .answer = standin::ServiceAnswer::kOk});
  job["settings"]["latest_version"] = 9999;
  job["settings"]["update_exe_location"] =
      "http://127.0.0.1:" + std::to_string(service->port()) + std::string(standin::kInstallerPath);

  WordSessionOptions refused;
  refused.administrator = false;
  ASSERT_EQ(run("click Menu Bar > Tallyweave > Update Connector\nwait 20\n", refused), 0) << console.str();
  EXPECT_NE(console.str().find("| U heeft beheerdersrechten op deze computer nodig"), std::string::npos);
  EXPECT_TRUE(service->received().empty());

  console.str("");
  WordSessionOptions administrator;
  administrator.administrator = true;
  ASSERT_EQ(run("click Menu Bar > Tallyweave > Update Connector\nwait 20\ntype never typed\n", administrator),
            0)
      << console.str();
  EXPECT_NE(console.str().find("| Microsoft Word wordt nu afgesloten"), std::string::npos) << console.str();
  EXPECT_EQ(console.str().find("saved "), std::string::npos);  // Word quit without saving
  // Word's shutdown removed the job's files; only the installer, still running, stays.
  std::vector<std::string> left;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root.path() / "temp"))
    if (!item.is_directory())
      left.push_back(std::filesystem::relative(item.path(), root.path() / "temp").string());
  EXPECT_EQ(left, std::vector<std::string>{"twdoc/twUpdate.exe"});
  EXPECT_EQ(root.read("temp/twdoc/twUpdate.exe"), readFile(root.path() / "installer"));
  for (int i = 0; i < 500 && !root.exists("installer.ran"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(root.exists("installer.ran"));
}

}  // namespace
}  // namespace tw::cli
