#include "addin/plugin.h"

#include <gtest/gtest.h>

#include "addin/start_mode.h"
#include "daemon/daemon_form.h"
#include "posix/posix_system.h"
#include "support/mini_word.h"
#include "support/test_services.h"

namespace tw::addin {
namespace {

using testing::MiniApplication;

class PluginTest : public ::testing::Test {
 protected:
  explicit PluginTest(const std::string& locale = "nl-NL")
      : sys(posix::PosixSystem::Options{
            .locale = locale,
            .environment = {{"TEMP", temp.path().string()}},
            .clock = [] { return runtime::DateTime{2026, 12, 10, 9, 5, 7}; },
        }) {}

  void connect(std::shared_ptr<MiniApplication> application = nullptr) {
    if (application) word = std::move(application);
    addin.AddinInstance_OnConnection(word, 0, AddInInstance{});
  }

  std::shared_ptr<office::CommandBarControl> popup() { return word->menuBar()->FindControl("twMenucontrol"); }

  testing::TempFolder temp;
  posix::PosixSystem sys;
  testing::ScriptedUi ui;
  testing::RefusingHttp http;
  plugin addin{Services{sys, ui, http}};
  std::shared_ptr<MiniApplication> word = std::make_shared<MiniApplication>();
};

TEST_F(PluginTest, OrdinaryStartSetsTheDefaultsAndBuildsAHiddenMenu) {
  connect();

  EXPECT_TRUE(addin.active());
  EXPECT_EQ(addin.startMode(), kStartNone);
  EXPECT_FALSE(addin.debugMode());
  EXPECT_FALSE(addin.templateLoaded());
  EXPECT_FALSE(addin.finalized());
  EXPECT_EQ(addin.settings().generateMode.text(), "record");
  EXPECT_EQ(addin.settings().supportContact, "met de uitgever van deze software.");
  EXPECT_FALSE(addin.settings().useRibbon);
  EXPECT_EQ(addin.settings().latestConnectorVersion, 1000);
  EXPECT_EQ(addin.settings().minimumConnectorVersion, 1000);
  EXPECT_EQ(addin.settings().serverPort, 0);
  EXPECT_EQ(addin.settings().maxUploadSize, 0);
  EXPECT_EQ(addin.settings().serveradres, "");
  EXPECT_EQ(addin.settings().voorbeeldDocAmount, 0);
  EXPECT_EQ(addin.settings().sourceDocument, nullptr);
  EXPECT_EQ(addin.module().pluginInstance, &addin);
  EXPECT_FALSE(addin.module().authorizationRequired);
  EXPECT_EQ(addin.getTwVersion(), "1000");

  // Word's visibility is not touched, nothing is shown and no log is written.
  EXPECT_FALSE(word->Visible());
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_FALSE(temp.exists("debugTw.txt"));

  // The popup stands just before "Help", with an empty caption, hidden, holding only the upload button.
  auto menu = popup();
  ASSERT_NE(menu, nullptr);
  auto controls = word->menuBar()->Controls();
  EXPECT_EQ(controls->Item(menu->Index() + 1)->Caption(), "&Help");
  EXPECT_EQ(menu->Caption(), "");
  EXPECT_FALSE(menu->Visible());
  ASSERT_EQ(menu->Controls()->Count(), 1);
  auto upload = menu->Controls()->Item(1L);
  EXPECT_EQ(upload->Tag(), "uploadButton");
  EXPECT_EQ(upload->Caption(), "Sjabloon '' opslaan");
  EXPECT_EQ(upload->OnAction(), "!<Tallyweave.plugin>");
}

TEST_F(PluginTest, StartModeFollowsTheMarkerFilesInOrder) {
  connect();
  struct Case {
    std::vector<std::string> markers;
    int expected;
  };
  const Case cases[] = {
      {{}, 0},
      {{"twDoc.tmp"}, 1},
      {{"twDocTemplate.tmp"}, 2},
      {{"twDaemon.tmp"}, 5},
      {{"twDoc.tmp", "twDocTemplate.tmp"}, 2},
      {{"twDocTemplate.tmp", "twDaemon.tmp"}, 5},
      {{"twDoc.tmp", "twDocTemplate.tmp", "twDaemon.tmp"}, 5},
  };
  for (const Case& c : cases) {
    for (const char* name : {"twDoc.tmp", "twDocTemplate.tmp", "twDaemon.tmp"})
      std::filesystem::remove(temp / name);
    for (const std::string& marker : c.markers) temp.write(marker, "x");
    EXPECT_EQ(detectStartMode(addin.context()), c.expected) << ::testing::PrintToString(c.markers);
  }
}

TEST_F(PluginTest, AFolderNamedLikeAMarkerIsNoMarker) {
  connect();
  std::filesystem::create_directory(temp / "twDaemon.tmp");
  EXPECT_EQ(detectStartMode(addin.context()), kStartNone);
}

TEST_F(PluginTest, DaemonMarkerWinsAndLeavesTheTemplateJobAlone) {
  temp.write("twDaemon.tmp", "/spool/");
  temp.write("twDocTemplate.tmp", "Tallyweave bestand\r\n");
  connect();
  EXPECT_EQ(addin.startMode(), kStartDaemon);
  EXPECT_EQ(temp.read("twDocTemplate.tmp"), "Tallyweave bestand\r\n");
  EXPECT_TRUE(word->Visible());
}

TEST_F(PluginTest, DebugMarkerWritesTheLogLinesInListOutputForm) {
  temp.write("twDebug.tmp", "");
  temp.write("debugTw.txt", "earlier\r\n");
  connect();
  addin.debugMsg("Say \"cheese\"");

  EXPECT_TRUE(addin.debugMode());
  EXPECT_EQ(temp.read("debugTw.txt"),
            "earlier\r\n"
            "\"10-12-2026 9:05:07: Starting Tallyweave in debugging mode id: Tallyweave.plugin\"\r\n"
            "\"10-12-2026 9:05:07: Building menu\"\r\n"
            "\"10-12-2026 9:05:07: Say \"cheese\"\"\r\n");
  EXPECT_TRUE(temp.exists("twDebug.tmp"));
}

class PluginEnglishTest : public PluginTest {
 protected:
  PluginEnglishTest() : PluginTest("en-US") {}
};

TEST_F(PluginEnglishTest, DebugLogUsesTheGeneralDateOfTheUsersLocale) {
  temp.write("twDebug.tmp", "");
  connect();
  EXPECT_EQ(temp.read("debugTw.txt"),
            "\"12/10/2026 9:05:07 AM: Starting Tallyweave in debugging mode id: Tallyweave.plugin\"\r\n"
            "\"12/10/2026 9:05:07 AM: Building menu\"\r\n");
}

TEST_F(PluginTest, WithoutTheMarkerDebugMsgWritesNothing) {
  connect();
  addin.debugMsg("hello");
  EXPECT_FALSE(temp.exists("debugTw.txt"));
}

TEST_F(PluginTest, AFailingStepEndsStartUpWithTheMessage) {
  connect(std::make_shared<MiniApplication>("16.0", true, /*withHelp=*/false));
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(
      ui.shown[0].prompt,
      "Er heeft een fout plaatsgevonden in de Tallyweave module, daardoor kan deze niet geladen worden.\r\n"
      "Foutinformatie: Tallyweave Invalid procedure call or argument (5)");
  EXPECT_EQ(ui.shown[0].buttons, ui::vbOKOnly);
  EXPECT_FALSE(ui.shown[0].title.has_value());
}

TEST_F(PluginTest, AMissingMenuBarIsReportedByTheStartUpHandler) {
  connect(std::make_shared<MiniApplication>("16.0", /*withMenuBar=*/false));
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_NE(ui.shown[0].prompt.find("(5)"), std::string::npos);
  EXPECT_EQ(addin.startMode(), kStartNone);
}

TEST_F(PluginTest, InDaemonModeAFailingStepQuitsWordInsteadOfShowingAMessage) {
  temp.write("twDaemon.tmp", "/spool/");
  connect(std::make_shared<MiniApplication>("16.0", true, /*withHelp=*/false));
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(word->quitCount, 1);
  EXPECT_EQ(word->lastQuitSaveChanges, false);
}

TEST_F(PluginTest, FinalRunsOnceAndLeavesTheHiddenPopup) {
  connect();
  addin.Final();
  EXPECT_TRUE(addin.finalized());
  addin.module().fieldCount = 3;
  addin.Final();
  EXPECT_EQ(addin.module().fieldCount, 3);
  EXPECT_NE(popup(), nullptr);
}

TEST_F(PluginTest, NothingRunsBeforeTheAddInIsActive) {
  temp.write("marker.txt", "x");
  EXPECT_FALSE(addin.FileExists(addin.tempPath("marker.txt")));
  addin.Final();
  EXPECT_FALSE(addin.finalized());
  addin.quitWord();
  EXPECT_EQ(word->quitCount, 0);
}

TEST_F(PluginTest, QuitWordQuitsWithoutSavingAndIgnoresErrors) {
  connect();
  addin.quitWord();
  EXPECT_EQ(word->quitCount, 1);
  EXPECT_EQ(word->lastQuitSaveChanges, false);
}

TEST_F(PluginTest, ClosingADocumentMarksItsTemplateSavedOnlyInAJobStart) {
  connect();
  auto ordinary = word->addDocument("a.docx");
  ordinary->Close(false);
  EXPECT_FALSE(ordinary->templateSaved());

  temp.write("twDaemon.tmp", "/spool/");
  auto daemonWord = std::make_shared<MiniApplication>();
  plugin daemon{Services{sys, ui, http}};
  daemon.AddinInstance_OnConnection(daemonWord, 0, AddInInstance{});
  auto produced = daemonWord->addDocument("b.docx");
  produced->Close(false);
  EXPECT_TRUE(produced->templateSaved());
}

TEST_F(PluginTest, DaemonFormFollowsStartupAndShutdown) {
  std::filesystem::create_directory(temp / "pidfiles");
  temp.write("twDaemon.tmp", temp.path().string() + "\\");
  connect();
  addin.AddinInstance_OnStartupComplete();
  EXPECT_TRUE(addin.daemonForm().shown());
  EXPECT_EQ(temp.read("pidfiles/officeDaemon"), " 0");

  addin.AddinInstance_OnBeginShutdown();
  EXPECT_FALSE(addin.daemonForm().shown());
  EXPECT_FALSE(temp.exists("pidfiles/officeDaemon"));
  EXPECT_EQ(word->quitCount, 1);
  EXPECT_TRUE(addin.finalized());
}

TEST_F(PluginTest, OrdinaryStartShowsNoDaemonForm) {
  connect();
  addin.AddinInstance_OnStartupComplete();
  addin.AddinInstance_OnBeginShutdown();
  EXPECT_FALSE(addin.daemonForm().shown());
  EXPECT_EQ(word->quitCount, 0);
  EXPECT_TRUE(addin.finalized());
}

TEST_F(PluginTest, ASecondConnectionReusesThePopupAndItsButton) {
  connect();
  plugin second{Services{sys, ui, http}};
  second.AddinInstance_OnConnection(word, 0, AddInInstance{});

  int popups = 0;
  auto controls = word->menuBar()->Controls();
  for (long i = 1; i <= controls->Count(); ++i) popups += controls->Item(i)->Tag() == "twMenucontrol";
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(popup()->Controls()->Count(), 1);
}

TEST_F(PluginTest, AFailedDocumentJobFinalizesAndStillShowsWord) {
  temp.write("twDoc.tmp", "no connector file\r\n");
  connect();
  EXPECT_EQ(addin.startMode(), kStartDocumentJob);
  EXPECT_TRUE(addin.finalized());
  EXPECT_TRUE(word->Visible());
  ASSERT_NE(popup(), nullptr);
  EXPECT_FALSE(popup()->Visible());
}

}  // namespace
}  // namespace tw::addin

namespace tw::addin {
namespace {

TEST_F(PluginTest, ATooOldAddInOffersTheUpdateAfterTheJob) {
  struct Case {
    int answer;
    bool administrator;
    std::string second;
  };
  const Case cases[] = {
      {ui::vbCancel, false, "Het document kon niet worden geopend"},
      {ui::vbOK, false, "U heeft beheerdersrechten op deze computer nodig om de update te installeren"},
  };
  for (const Case& c : cases) {
    // "_minimum_version" is the Base64 of "1100", above the own version 1000; the template is "doc".
    temp.write("twDoc.tmp", "Tallyweave bestand\r\n_template,ZG9j\r\n_minimum_version,MTEwMA==\r\n");
    testing::ScriptedUi answering;
    answering.answers = {c.answer};
    plugin fresh{Services{sys, answering, http}};
    fresh.AddinInstance_OnConnection(std::make_shared<MiniApplication>(), 0, AddInInstance{});

    ASSERT_EQ(answering.shown.size(), 2u);
    EXPECT_EQ(answering.shown[0].prompt,
              "De door u geinstalleerde versie van de Tallyweave is te oud om dit bestand te openen,\r\n"
              "Wilt u de nieuwe versie van de Tallyweave installeren?");
    EXPECT_EQ(answering.shown[0].buttons, 65585);
    EXPECT_EQ(answering.shown[0].title, "Tallyweave");
    EXPECT_EQ(answering.shown[1].prompt, c.second);
    EXPECT_EQ(fresh.startMode(), kStartNone);
    EXPECT_FALSE(temp.exists("twDoc.tmp"));  // the job ran first
  }
}

}  // namespace
}  // namespace tw::addin
