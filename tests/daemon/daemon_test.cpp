#include "daemon/daemon_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>

#include "engine/model/document_model.h"
#include "merge/merge_test_fixture.h"
#include "posix/console_ui.h"

namespace tw::addin {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// A Word session started in daemon mode: TEMP and the daemon's base folder (with its pidfiles and spool
// folders) below one test folder, the debug log on, and the timers on a clock the test advances.
class DaemonSession {
 public:
  // `verbose`: the console also shows the form's debug box.
  explicit DaemonSession(bool verbose = false) : ui{console, {}, verbose} {
    for (const char* folder : {"temp", "base/pidfiles", "base/documents/spool"})
      fs::create_directories(root.path() / folder);
  }

  // The base folder as the launcher writes it: a Windows-style path ending in a backslash.
  std::string basePath() const { return (root.path() / "base").string() + "\\"; }

  void start() {
    root.write("temp/twDebug.tmp", "");
    root.write("temp/twDaemon.tmp", basePath());
    engine::EngineOptions options;
    options.files = addin.context().jobFiles();
    word = engine::createApplication(sys, options);
    addin.AddinInstance_OnConnection(word, 0, AddInInstance{});
    addin.AddinInstance_OnStartupComplete();
  }

  void poll(int times = 1) { ui.advance(static_cast<long>(DaemonForm::kPollInterval) * times); }

  fs::path statusFile() const { return root.path() / "base/pidfiles/officeDaemon"; }
  bool statusExists() const { return fs::exists(statusFile()); }
  std::string status() const { return root.read("base/pidfiles/officeDaemon"); }
  void setStatus(const std::string& text) const { root.write("base/pidfiles/officeDaemon", text); }

  void dropJob(const std::string& bytes) const { root.write("base/documents/spool/docData", bytes); }
  bool jobWaiting() const { return root.exists("base/documents/spool/docData"); }
  std::string spoolFile(const std::string& name) const { return root.read("base/documents/spool/" + name); }
  bool exists(const std::string& relative) const { return root.exists(relative); }

  DaemonForm& form() { return addin.daemonForm(); }
  Strings log() const { return testing::debugLogMessages(root.read("temp/debugTw.txt")); }
  bool logged(const std::string& message) const {
    Strings all = log();
    return std::find(all.begin(), all.end(), message) != all.end();
  }

  // The main text of the document at `relative`, opened in this session's Word.
  std::string documentText(const std::string& relative) {
    auto document = word->Documents()->Open((root.path() / relative).string());
    document->ActiveWindow()->View()->SetShowFieldCodes(false);
    std::string text = document->Content()->Text();
    document->Close(false);
    return text;
  }

  // Whether some part of the document at `relative` holds `bytes`.
  bool documentHolds(const std::string& relative, const std::string& bytes) {
    auto document = word->Documents()->Open((root.path() / relative).string());
    engine::ooxml::Package& package = word->modelOf(*document).package();
    bool holds = false;
    for (const std::string& part : package.partNames())
      holds = holds || package.readPart(part).find(bytes) != std::string::npos;
    document->Close(false);
    return holds;
  }

  testing::TempFolder root;
  posix::PosixSystem sys{posix::PosixSystem::Options{
      .locale = "nl-NL",
      .environment = {{"TEMP", (root.path() / "temp").string()}},
      .clock = [] { return runtime::DateTime{2026, 12, 10, 9, 5, 7}; },
  }};
  std::ostringstream console;
  posix::ConsoleUi ui;
  testing::RefusingHttp http;
  plugin addin{Services{sys, ui, http}};
  std::shared_ptr<engine::EngineApplication> word;
};

// A document job whose template greets the customer by the field "naam".
std::string greetingJob(const std::string& extraEntries) {
  return connectorFile(
      entry("_template", engine::minimalDocx(paragraph(run("Beste ") + mergefield("naam")))) +
      entry("naam", "Jansen") + extraEntries);
}

class DaemonTest : public ::testing::Test, public DaemonSession {};

TEST_F(DaemonTest, StartReadsTheMarkerWritesIdleAndShowsTheForm) {
  setStatus("0 and more text");
  start();
  EXPECT_EQ(addin.module().basePath, basePath());
  EXPECT_FALSE(exists("temp/twDaemon.tmp"));
  EXPECT_EQ(status(), " 0");
  EXPECT_TRUE(form().shown());
  EXPECT_NE(console.str().find("[Kontavera Document daemon] form shown"), std::string::npos);
}

// Every status value the service may leave: only a 1 starts a job, 15 quits, anything else waits.
TEST(DaemonStatusValues, OnlyOneStartsAJobAndFifteenQuits) {
  enum Outcome { kWaits, kTakesJob, kQuits };
  struct Case {
    std::string status;
    Outcome outcome;
  };
  const Case cases[] = {
      {" 1", kTakesJob}, {"1", kTakesJob},  {"1\n", kTakesJob}, {"\t1\r\n", kTakesJob},
      {"15", kQuits},    {" 15\n", kQuits}, {" 0", kWaits},     {" 2", kWaits},
      {" 3", kWaits},    {"", kWaits},      {"x1", kWaits},     {"12", kWaits},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.status));
    DaemonSession s;
    s.start();
    s.setStatus(c.status);
    s.poll();
    switch (c.outcome) {
      case kWaits:
        EXPECT_EQ(s.status(), c.status);
        EXPECT_EQ(s.form().debugText(), ".");
        EXPECT_FALSE(s.word->quitRequested());
        break;
      case kTakesJob: {
        // No job file is waiting, so the job fails; the value replaces the whole text. The write woke
        // the daemon for it, and the interval's poll followed.
        EXPECT_EQ(s.status(), " 3");
        EXPECT_EQ(s.form().debugText(), ".pickup.");
        EXPECT_FALSE(s.form().busy());
        break;
      }
      case kQuits:
        EXPECT_FALSE(s.statusExists());
        EXPECT_TRUE(s.word->quitRequested());
        EXPECT_FALSE(s.form().shown());
        EXPECT_TRUE(s.logged("Quiting Word"));
        break;
    }
  }
}

TEST_F(DaemonTest, IdlePollsAddADotEachAndAMissingStatusFileIsCreatedEmpty) {
  start();
  fs::remove(statusFile());
  poll(4);
  EXPECT_EQ(form().debugText(), "....");
  ASSERT_TRUE(statusExists());
  EXPECT_EQ(status(), "");
  EXPECT_FALSE(word->quitRequested());
}

TEST_F(DaemonTest, ARejectedJobIsSetAsideAndTheDaemonWaitsForANewOne) {
  start();
  const std::string job = "Geen connector bestand\r\n";
  dropJob(job);
  setStatus(" 1");
  poll();
  EXPECT_EQ(status(), " 3");
  EXPECT_FALSE(jobWaiting());
  EXPECT_EQ(spoolFile("docData.err"), job);

  poll(3);  // the daemon keeps polling, and " 3" is no new job
  // The service's write woke the daemon for the job; the poll of the first interval followed it.
  EXPECT_EQ(form().debugText(), ".pickup....");
  EXPECT_EQ(status(), " 3");

  dropJob(greetingJob(entry("_resultDocName", "brief")));
  setStatus("1");
  poll();
  EXPECT_EQ(status(), " 0");
  EXPECT_TRUE(exists("base/brief.doc"));
}

TEST_F(DaemonTest, AJobSavesItsDocumentAndPrintsItToTheSpoolFolder) {
  fs::create_directories(root.path() / "base/klanten");
  start();
  dropJob(greetingJob(entry("_resultDocName", "factuur") + entry("_resultDocPath", "klanten\\")));
  setStatus("1");
  poll();

  EXPECT_EQ(status(), " 0");
  EXPECT_FALSE(jobWaiting());
  EXPECT_EQ(documentText("base/klanten/factuur.doc").substr(0, 12), "Beste Jansen");
  EXPECT_TRUE(exists("base/documents/spool/factuur.prn"));
  EXPECT_FALSE(exists("temp/SjabloonDocument.doc"));
  EXPECT_TRUE(form().stopped() == false && !form().busy());
  Strings all = log();
  auto parsed = std::find(all.begin(), all.end(), "Parse ok");
  ASSERT_NE(parsed, all.end());
  EXPECT_EQ(*(parsed + 1), "Opening template");
  EXPECT_TRUE(logged("Saving document: " + basePath() + "klanten\\factuur.doc"));
}

// The service's write of the status file wakes the daemon: an announced job is done, and the word to quit
// obeyed, before any poll falls due.
TEST_F(DaemonTest, TheServicesWriteWakesTheDaemonAtOnce) {
  start();
  dropJob(greetingJob(entry("_resultDocName", "brief")));
  setStatus("1");
  ui.advance(0);
  EXPECT_EQ(status(), " 0");
  EXPECT_TRUE(exists("base/brief.doc"));
  EXPECT_TRUE(exists("base/documents/spool/brief.prn"));
  setStatus("15");
  ui.advance(0);
  EXPECT_TRUE(form().stopped());
  EXPECT_FALSE(statusExists());
}

// The result's sub-path carries over to a job that names none; the name does not.
TEST_F(DaemonTest, AJobWithoutPathOrNameUsesThePreviousPathAndUnknownDocument) {
  fs::create_directories(root.path() / "base/klanten");
  start();
  dropJob(greetingJob(entry("_resultDocName", "eerste") + entry("_resultDocPath", "klanten\\")));
  setStatus("1");
  poll();
  ASSERT_EQ(status(), " 0");

  dropJob(greetingJob(""));
  setStatus("1");
  poll();
  EXPECT_EQ(status(), " 0");
  EXPECT_EQ(addin.module().resultDocName, "unknownDocument");
  EXPECT_TRUE(exists("base/klanten/eerste.doc"));
  EXPECT_TRUE(exists("base/klanten/unknownDocument.doc"));
  EXPECT_TRUE(exists("base/documents/spool/unknownDocument.prn"));
}

// An error no step handles ends the daemon: one log line naming the step, Word told to quit, the status
// file gone so the service sees the daemon vanish.
TEST_F(DaemonTest, AnErrorInAPollLogsItsStepAndQuitsWord) {
  start();
  fs::create_directories(root.path() / "base/documents/spool/factuur.prn");  // printing cannot write
  dropJob(greetingJob(entry("_resultDocName", "factuur")));
  setStatus("1");
  poll();

  EXPECT_FALSE(statusExists());
  EXPECT_TRUE(word->quitRequested());
  EXPECT_TRUE(form().stopped());
  Strings all = log();
  auto line = std::find_if(all.begin(), all.end(),
                           [](const std::string& m) { return m.starts_with("Error occured int timer "); });
  ASSERT_NE(line, all.end());
  EXPECT_TRUE(line->ends_with(" Tallyweave 14")) << *line;
  EXPECT_EQ(*(line + 1), "Quiting Word");

  poll(4);  // stopped for good: no poll brings the status file back
  EXPECT_FALSE(statusExists());
}

TEST_F(DaemonTest, AStatusFileThatCannotBeReadEndsTheDaemonAtItsStep) {
  start();
  fs::remove(statusFile());
  fs::create_directory(statusFile());
  poll();
  EXPECT_TRUE(word->quitRequested());
  Strings all = log();
  auto line = std::find_if(all.begin(), all.end(),
                           [](const std::string& m) { return m.starts_with("Error occured int timer "); });
  ASSERT_NE(line, all.end());
  EXPECT_TRUE(line->ends_with(" Tallyweave 1")) << *line;  // opening it fails
}

TEST_F(DaemonTest, AResultFolderThatDoesNotExistQuitsWord) {
  start();
  dropJob(greetingJob(entry("_resultDocName", "factuur") + entry("_resultDocPath", "bestaatniet\\")));
  setStatus("1");
  poll();
  EXPECT_TRUE(word->quitRequested());
  EXPECT_FALSE(statusExists());
  const std::string saving = "Error saving document : " + basePath() + "bestaatniet\\factuur.doc";
  Strings all = log();
  EXPECT_TRUE(
      std::any_of(all.begin(), all.end(), [&](const std::string& m) { return m.starts_with(saving); }));
}

TEST_F(DaemonTest, CloseDaemonAtShutdownRemovesTheStatusFile) {
  start();
  poll();
  ASSERT_TRUE(statusExists());
  addin.AddinInstance_OnBeginShutdown();
  EXPECT_FALSE(statusExists());
  EXPECT_FALSE(form().shown());
  EXPECT_TRUE(word->quitRequested());
}

TEST_F(DaemonTest, ABaseFolderThatDoesNotExistQuitsWordAtStart) {
  fs::remove_all(root.path() / "base");
  start();
  EXPECT_TRUE(word->quitRequested());
  EXPECT_FALSE(form().shown());
  EXPECT_FALSE(exists("temp/twDaemon.tmp"));
  EXPECT_TRUE(logged("Quiting Word"));
  poll(2);
  EXPECT_FALSE(statusExists());
}

// In data-file mode the data source and the pictures are files the service placed below the base folder.
TEST_F(DaemonTest, ACsvFileJobMergesTheDataFileBelowTheBaseFolder) {
  root.write("base/klanten.csv", "naam,plaats\r\nJansen,Utrecht\r\n");
  start();
  dropJob(connectorFile(entry("_template", engine::minimalDocx(paragraph(mergefield("naam") + run(" uit ") +
                                                                         mergefield("plaats")))) +
                        entry("naam", "") + entry("plaats", "") + entry("_merge_data_file", "klanten.csv") +
                        entry("_resultDocName", "adres")));
  setStatus("1");
  poll();

  EXPECT_EQ(status(), " 0");
  EXPECT_EQ(addin.settings().generateMode.text(), "csvFile");
  EXPECT_EQ(documentText("base/adres.doc").substr(0, 18), "Jansen uit Utrecht");
  EXPECT_TRUE(exists("base/documents/spool/adres.prn"));
}

// However a job ends, the service never reads " 0" for a job whose .doc and .prn are not both there:
// a job that fails reports " 3" (before Word quits, where its failure makes Word quit) and keeps its job
// file as docData.err; a status left by an earlier Word is read for what it says.
TEST(DaemonFaults, AJobIsReportedDoneOnlyWithItsResults) {
  struct Case {
    const char* name;
    std::string statusBeforeStart;     // "" : the first Word of the test
    std::function<std::string()> job;  // the job file; none when it returns ""
    std::string announce;              // written after start; "" : nothing
    std::string statusAfterStart;      // what the start leaves
    std::string statusAtEnd;           // "" : the file is gone (Word quit)
    bool produced;                     // base/brief.doc and its .prn exist
    bool setAside;                     // docData.err holds the job
    const char* logged;
  };
  const auto good = [] { return greetingJob(entry("_resultDocName", "brief")); };
  const Case cases[] = {
      {"kill -9 during a job: the restart reports it failed", " 2", good, "", " 3", " 3", false, true,
       "Interrupted job reported failed"},
      {"kill -9 after the announcement: the job is still taken", " 1", good, "", " 1", " 0", true, false,
       "Parse ok"},
      {"a status text 001 starts one job and ends whole", "", good, "001", " 0", " 0", true, false,
       "Parse ok"},
      {"a status text &H1 starts one job and ends whole", "", good, "&H1", " 0", " 0", true, false,
       "Parse ok"},
      {"a template that is not a zip", "",
       [] { return connectorFile(entry("_template", "geen zip") + entry("_resultDocName", "brief")); }, "1",
       " 0", "", false, true, "Error opening document : "},
      {"a printer file that cannot be written", "",
       [] { return greetingJob(entry("_resultDocName", "brief") + entry("_resultDocPath", "x\\")); }, "1",
       " 0", "", false, true, "Error occured int timer "},
      {"a bad start line", "", [] { return std::string("Geen connector bestand\r\n"); }, "1", " 0", " 3",
       false, true, "Generate Document: invalid startline"},
      {"a result name that leaves its folder", "",
       [] { return greetingJob(entry("_resultDocName", "..\\brief")); }, "1", " 0", " 3", false, true,
       "Refused"},
      {"a data file that cannot be read", "",
       [] { return greetingJob(entry("_merge_data_file", "kapot.csv") + entry("_resultDocName", "brief")); },
       "1", " 0", " 3", false, true, "Merge failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DaemonSession s;
    fs::create_directories(s.root.path() / "base/x");
    // The spool folder's brief.prn is a folder here only where printing is to fail.
    if (std::string(c.name).starts_with("a printer file"))
      fs::create_directories(s.root.path() / "base/documents/spool/brief.prn");
    // Only the job that names it reads this data file: a quote that never closes.
    s.root.write("base/kapot.csv", "naam\r\n\"Jansen\r\n");
    const std::string job = c.job();
    if (!c.statusBeforeStart.empty()) s.setStatus(c.statusBeforeStart);
    s.dropJob(job);
    s.start();
    EXPECT_EQ(s.status(), c.statusAfterStart);
    if (!c.announce.empty()) s.setStatus(c.announce);
    s.poll();
    if (c.statusAtEnd.empty()) {
      EXPECT_FALSE(s.statusExists());
    } else {
      EXPECT_EQ(s.status(), c.statusAtEnd);
    }
    EXPECT_EQ(s.exists("base/brief.doc") && s.exists("base/documents/spool/brief.prn") &&
                  fs::is_regular_file(s.root.path() / "base/documents/spool/brief.prn"),
              c.produced);
    if (c.setAside) {
      EXPECT_EQ(s.spoolFile("docData.err"), job);
      EXPECT_FALSE(s.jobWaiting());
    } else {
      EXPECT_FALSE(s.exists("base/documents/spool/docData.err"));
    }
    Strings log = s.log();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& m) {
      return m.starts_with(c.logged);
    })) << ::testing::PrintToString(log);
    // No half-written result or status under a temporary name stays behind.
    for (const auto& item : fs::recursive_directory_iterator(s.root.path() / "base"))
      EXPECT_EQ(item.path().filename().string().find(".~tw"), std::string::npos) << item.path();
  }
}

// What the console shows of a daemon: a line for each job taken and for how it ended, with the files it
// made or kept, and why the daemon stopped; nothing of its idle polls, however long it waits.
TEST(DaemonConsole, ShowsEachJobAndHowItEndedButNoIdlePolls) {
  struct Case {
    const char* name;
    std::function<std::string()> job;
    bool printFails;  // the spool folder's brief.prn is a folder
    Strings shown;    // the form's lines on the console after the idle minute
  };
  const std::string form = "[Kontavera Document daemon] ";
  const Case cases[] = {
      {"a job that ends well",
       [] { return greetingJob(entry("_resultDocName", "brief") + entry("_resultDocPath", "klanten\\")); },
       false,
       {form + "jobStatus: Opdracht opgehaald: documents\\spool\\docData",
        form + "jobStatus: Opdracht klaar (status 0): klanten\\brief.doc, documents\\spool\\brief.prn",
        form + "jobStatus: Gestopt: status 15", form + "form hidden"}},
      {"a job file that is rejected",
       [] { return std::string("Geen connector bestand\r\n"); },
       false,
       {form + "jobStatus: Opdracht opgehaald: documents\\spool\\docData",
        form + "jobStatus: Opdracht mislukt (status 3), bewaard als documents\\spool\\docData.err",
        form + "jobStatus: Gestopt: status 15", form + "form hidden"}},
      {"a job whose printing fails",
       [] { return greetingJob(entry("_resultDocName", "brief")); },
       true,
       {form + "jobStatus: Opdracht opgehaald: documents\\spool\\docData",
        form + "jobStatus: Opdracht mislukt (status 3), bewaard als documents\\spool\\docData.err",
        form + "jobStatus: Gestopt: Error occured int timer Path/File access error 75 Tallyweave 14",
        form + "form hidden"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DaemonSession s;
    fs::create_directories(s.root.path() / "base/klanten");
    if (c.printFails) fs::create_directories(s.root.path() / "base/documents/spool/brief.prn");
    s.start();
    s.poll(120);  // a minute without work
    s.dropJob(c.job());
    s.setStatus(" 1");
    s.poll();
    if (!s.word->quitRequested()) {
      s.setStatus("15");
      s.poll();
    }
    Strings lines;
    std::istringstream console(s.console.str());
    for (std::string line; std::getline(console, line);) {
      if (line.starts_with(form)) lines.push_back(line);
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), form + "form shown");
    EXPECT_EQ(Strings(lines.begin() + 1, lines.end()), c.shown);
  }
}

TEST(DaemonConsole, VerboseShowsTheDebugBoxAtEveryPoll) {
  DaemonSession s(true);
  s.start();
  s.poll(3);
  const std::string shown = s.console.str();
  for (const char* dots : {"debugText: .\n", "debugText: ..\n", "debugText: ...\n"})
    EXPECT_NE(shown.find(std::string("[Kontavera Document daemon] ") + dots), std::string::npos) << shown;
}

// A job a Word that died left in progress is reported failed at the next start, with the form.
TEST(DaemonConsole, AJobLeftInProgressIsShownFailedWithTheForm) {
  DaemonSession s;
  s.setStatus(" 2");
  s.dropJob(greetingJob(""));
  s.start();
  EXPECT_NE(
      s.console.str().find("[Kontavera Document daemon] form shown\n[Kontavera Document daemon] jobStatus: "
                           "Opdracht mislukt (status 3), bewaard als documents\\spool\\docData.err\n"),
      std::string::npos)
      << s.console.str();
}

// The debug log of a daemon's day: start, idle polls, a job, a rejected job, the quit.
TEST(DaemonConsole, TheDebugLogKeepsItsLines) {
  DaemonSession s;
  s.start();
  s.poll(4);
  s.dropJob(greetingJob(entry("_resultDocName", "brief")));
  s.setStatus("1");
  s.poll();
  s.dropJob("Geen connector bestand\r\n");
  s.setStatus("1");
  s.poll();
  s.setStatus("15");
  s.poll();
  const std::string spool = s.basePath() + "documents\\spool\\";
  const Strings expected = {"Starting Tallyweave in debugging mode id: Tallyweave.plugin",
                            "Building menu",
                            "Generate Document: Opening template :" + spool + "docData",
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
                            "Saving document: " + s.basePath() + "brief.doc",
                            "Generate Document: Opening template :" + spool + "docData",
                            "Generate Document: invalid startline :Geen connector bestand",
                            "Error in readFile ",
                            "Job set aside as " + spool + "docData.err",
                            "Quiting Word"};
  EXPECT_EQ(s.log(), expected);
}

// A picture cell of the job's CSV file climbs out of the base folder: the picture is refused as a missing
// one, the job still produces its document, and nothing of the picture reaches the result.
TEST_F(DaemonTest, ACsvFilePictureCellOutsideTheJobsFoldersIsRefused) {
  testing::TempFolder outside;
  const std::string mark = "buiten-de-map";
  outside.write("x.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0DIHDR\0\0\0\x01\0\0\0\x01", 24) + mark);
  std::string climb;
  for (int i = 0; i < 30; ++i) climb += "../";
  const std::string cell = climb + (outside.path() / "x.png").relative_path().string();
  root.write("base/klanten.csv", "naam,img_logo\r\nJansen," + cell + "\r\n");
  start();
  dropJob(connectorFile(
      entry("_template", engine::minimalDocx(paragraph(mergefield("naam") + mergefield("img_logo")))) +
      entry("naam", "") + entry("img_logo", "") + entry("_generate_mode", "csvFile") +
      entry("_merge_data_file", "klanten.csv") + entry("_resultDocName", "logo")));
  setStatus("1");
  poll();

  EXPECT_EQ(status(), " 0");
  bool refused = false;
  for (const std::string& line : log())
    refused = refused || line.starts_with("Refused picture '" + basePath());
  EXPECT_TRUE(refused);
  EXPECT_EQ(documentText("base/logo.doc").substr(0, 6), "Jansen");
  EXPECT_FALSE(documentHolds("base/logo.doc", mark));
  EXPECT_EQ(spoolFile("logo.prn").find(mark), std::string::npos);
}

}  // namespace
}  // namespace tw::addin
