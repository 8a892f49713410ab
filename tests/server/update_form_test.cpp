#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "posix/curl_http.h"
#include "server/server_bench.h"
#include "standin/service.h"

namespace tw::addin {
namespace {

// An installer that leaves a mark beside itself when it runs.
const std::string kInstaller = "#!/bin/sh\necho ran > \"$0.ran\"\n";
const char* kQuitPrompt = "Microsoft Word wordt nu afgesloten zodat de update kan worden geinstalleerd.\r\n";

class UpdateTest : public ::testing::Test {
 protected:
  explicit UpdateTest(bool administrator = true) : bench(http, administrator) {
    installerFile.write("installer", kInstaller);
  }

  std::unique_ptr<standin::Service> start(bool withInstaller,
                                          standin::ServiceAnswer answer = standin::ServiceAnswer::kOk) {
    std::optional<std::string> file;
    if (withInstaller) file = (installerFile.path() / "installer").string();
    auto service = std::make_unique<standin::Service>(
        standin::ServiceOptions{
            .port = 0, .user = {}, .password = {}, .installerFile = file, .storeDir = {}, .answer = answer},
        log);
    bench.ctx.settings.updatePath =
        "http://127.0.0.1:" + std::to_string(service->port()) + std::string(standin::kInstallerPath);
    return service;
  }

  // Starts the update and lets the form's timer see the finished download.
  void runUpdate() {
    startUpdate(bench.ctx, bench.update);
    bench.ui.tick();
  }

  bool installerRan() const {
    for (int i = 0; i < 500 && !bench.tempExists("twdoc/twUpdate.exe.ran"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return bench.tempExists("twdoc/twUpdate.exe.ran");
  }

  testing::TempFolder installerFile;
  std::ostringstream log;
  posix::CurlHttp http{std::chrono::milliseconds(400)};
  ServerBench bench;
};

TEST_F(UpdateTest, ASuccessfulDownloadIsSavedStartedAndThenWordQuits) {
  auto service = start(true);
  runUpdate();
  EXPECT_EQ(bench.temp("twdoc/twUpdate.exe"), kInstaller);
  EXPECT_TRUE(bench.update.updateDownloadOk);
  EXPECT_EQ(bench.update.statusCode(), "10");
  EXPECT_FALSE(bench.updateDialog().shown);
  EXPECT_EQ(bench.messages(), std::vector<std::string>{kQuitPrompt});
  EXPECT_TRUE(installerRan());
  EXPECT_EQ(bench.word->quitCount, 1);
  EXPECT_EQ(bench.word->lastQuitSaveChanges, false);

  auto received = service->received();
  ASSERT_EQ(received.size(), 1u);
  bool ifModifiedSince = false;
  for (const auto& [name, value] : received[0].headers)
    ifModifiedSince |= name == "If-Modified-Since" && value == "Sat, 1 Jan 2005 00:00:00 GMT";
  EXPECT_TRUE(ifModifiedSince);
}

TEST_F(UpdateTest, AnOldInstallerIsReplaced) {
  auto service = start(true);
  std::filesystem::create_directory(bench.root.path() / "temp" / "twdoc");
  bench.root.write("temp/twdoc/twUpdate.exe", "an older and much longer installer that must go entirely");
  runUpdate();
  EXPECT_EQ(bench.temp("twdoc/twUpdate.exe"), kInstaller);
}

TEST_F(UpdateTest, A404IsRefusedWithTheStatusInTheFrame) {
  auto service = start(false);
  runUpdate();
  EXPECT_EQ(bench.messages(),
            std::vector<std::string>{"Er is een fout opgetreden bij het ophalen van de update.\r\n"
                                     "Neem contact met de uitgever van deze software.\r\n"
                                     "Foutcode: HTTP 404\r\nStatusCode: 9"});
  EXPECT_FALSE(bench.tempExists("twdoc/twUpdate.exe"));
  EXPECT_FALSE(bench.update.updateDownloadOk);
  EXPECT_FALSE(bench.updateDialog().shown);
  EXPECT_EQ(bench.word->quitCount, 0);
}

TEST_F(UpdateTest, CancelAtTheLastPromptKeepsWordAndTheFile) {
  auto service = start(true);
  bench.ui.answers = {ui::vbCancel};
  runUpdate();
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{kQuitPrompt, "Update geannuleerd"}));
  EXPECT_EQ(bench.temp("twdoc/twUpdate.exe"), kInstaller);
  EXPECT_EQ(bench.word->quitCount, 0);
  EXPECT_FALSE(bench.tempExists("twdoc/twUpdate.exe.ran"));
}

TEST_F(UpdateTest, ANeverAnsweringServerEndsInTheDownloadErrorWithinTheBound) {
  auto service = start(true, standin::ServiceAnswer::kSlow);
  auto started = std::chrono::steady_clock::now();
  runUpdate();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(bench.messages(),
            std::vector<std::string>{"Er is een fout opgetreden bij het downloaden van de updaet\r\n"
                                     "Neem contact met de uitgever van deze software.\r\n"
                                     "Foutcode: -2147012894: The operation timed out\r\n"
                                     "StatusCode: 5.1"});
  EXPECT_FALSE(bench.updateDialog().shown);
  EXPECT_EQ(bench.updateDialog().texts["statuslabel"], "Standby");
}

TEST(UpdateRequestTest, TheDownloadUsesTheMsxml60RequestObject) {
  testing::ScriptedHttp http;
  ServerBench bench{http};
  bench.ctx.settings.updatePath = "http://example.test/twUpdate.exe";
  startUpdate(bench.ctx, bench.update);
  ASSERT_EQ(http.sent.size(), 1u);
  EXPECT_EQ(http.sent[0].requestClass, net::RequestClass::kXmlHttp60);
  EXPECT_EQ(http.sent[0].method, "GET");
}

class NonAdministratorUpdateTest : public UpdateTest {
 protected:
  NonAdministratorUpdateTest() : UpdateTest(false) {}
};

TEST_F(NonAdministratorUpdateTest, IsRefusedBeforeAnyDownload) {
  auto service = start(true);
  runUpdate();
  ASSERT_EQ(bench.ui.shown.size(), 1u);
  EXPECT_EQ(bench.ui.shown[0].prompt,
            "U heeft beheerdersrechten op deze computer nodig om de update te installeren");
  EXPECT_EQ(bench.ui.shown[0].buttons, ui::vbOKOnly + ui::vbCritical);
  EXPECT_TRUE(service->received().empty());
  EXPECT_FALSE(bench.tempExists("twdoc/twUpdate.exe"));
}

}  // namespace
}  // namespace tw::addin
