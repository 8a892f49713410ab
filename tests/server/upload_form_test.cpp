#include <gtest/gtest.h>

#include <chrono>

#include "posix/curl_http.h"
#include "runtime/text.h"
#include "server/base64.h"
#include "server/server_bench.h"
#include "server/upload_protocol.h"
#include "standin/service.h"

namespace tw::addin {
namespace {

const std::string kTemplate = std::string("PK\x03\x04", 4) + std::string("template \0 bytes \xff", 18);
const char* kRefusedStatus = "De gebruikersnaam of het wachtwoord is niet herkend. Probeer opnieuw";

// ---- The request the form makes (recorded) -----------------------------------------------------------

class UploadRequestTest : public ::testing::Test {
 protected:
  UploadRequestTest() {
    bench.writeTemplate(kTemplate);
    bench.ctx.settings.serveradres = "example.test";
    bench.ctx.settings.serverPath = "/tw/upload.php";
  }

  testing::ScriptedHttp http;
  ServerBench bench{http};
};

TEST_F(UploadRequestTest, WithoutCredentialsPostsAtOnceWithTheHeadersInOrder) {
  bench.ctx.settings.serverPort = 80;
  bench.upload.Activate(false);

  ASSERT_EQ(http.sent.size(), 1u);
  const auto& sent = http.sent[0];
  EXPECT_EQ(sent.requestClass, net::RequestClass::kXmlHttp);
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.url, "http://example.test/tw/upload.php");
  const std::string expectedBody = buildUploadBody({.sessionId = "sessie-42",
                                                    .credentials = std::nullopt,
                                                    .templateName = "factuur.doc",
                                                    .documentBase64 = base64Encode(kTemplate)});
  EXPECT_EQ(sent.body, expectedBody);
  const std::vector<std::pair<std::string, std::string>> headers = {
      {"Content-Type", "multipart/form-data; boundary=jhldfshml87495rhffj777"},
      {"Host", "example.test"},
      {"Accept", "*/*"},
      {"Connection", "Keep-Alive"},
      {"Content-length", std::to_string(expectedBody.size())},
  };
  EXPECT_EQ(sent.headers, headers);
  EXPECT_EQ(sent.limits.whole, std::chrono::seconds(120));
  EXPECT_EQ(sent.limits.connect, std::chrono::seconds(15));

  EXPECT_EQ(bench.messages(), std::vector<std::string>{"Het sjabloon is opgeslagen"});
  testing::FormRecord& dialog = bench.uploadDialog();
  EXPECT_FALSE(dialog.shown);
  EXPECT_EQ(dialog.texts["appCaption"], "Sjabloon opslaan:");
  EXPECT_EQ(dialog.texts["statuslabel"], "Standby");
  EXPECT_EQ(dialog.texts["Text3"], "ok");
  for (const char* control : {"Username", "Password", "UploadButton", "CancelButton", "Image1"})
    EXPECT_FALSE(dialog.isVisible(control)) << control;
  EXPECT_EQ(bench.upload.statusCode(), "10");
}

TEST_F(UploadRequestTest, OnlyPort443MakesHttpsAndThePortNeverEntersTheUrl) {
  const std::pair<runtime::Integer, const char*> cases[] = {
      {443, "https://example.test/tw/upload.php"},
      {8443, "http://example.test/tw/upload.php"},
      {80, "http://example.test/tw/upload.php"},
  };
  for (const auto& [port, url] : cases) {
    bench.ctx.settings.serverPort = port;
    bench.upload.Activate(false);
    EXPECT_EQ(http.sent.back().url, url);
  }
}

TEST_F(UploadRequestTest, EachKindOfAnswerEndsAsThePartSays) {
  struct Case {
    const char* answer;
    std::vector<std::string> messages;
    bool stillShown;
  };
  const Case cases[] = {
      {"error", {sendFailed("Server 1", "10")}, false},
      {"OK", {sendFailed("UN 1", "9"), sendFailed("Server 1", "10")}, false},
      {"<!-- Kontavera administration NOT AUTHENTICATED -->ok", {}, true},
      {"token", {"Het sjabloon is opgeslagen"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    bench.ui.shown.clear();
    http.answers.push_back({.status = 200, .body = c.answer, .errorNumber = std::nullopt});
    bench.upload.Activate(true);
    testing::FormRecord& dialog = bench.uploadDialog();
    dialog.texts["Password"] = "geheim";
    dialog.press("UploadButton");
    EXPECT_EQ(bench.messages(), c.messages);
    EXPECT_EQ(dialog.shown, c.stillShown);
    EXPECT_EQ(dialog.texts["Password"], "");
    EXPECT_TRUE(dialog.enabled["UploadButton"]);
    EXPECT_TRUE(dialog.enabled["CancelButton"]);
  }
}

TEST_F(UploadRequestTest, RefusedCredentialsKeepTheUserNameAndSayWhy) {
  http.answers.push_back({.status = 200, .body = std::string(kNotAuthenticatedMarker), .errorNumber = {}});
  bench.upload.Activate(true);
  testing::FormRecord& dialog = bench.uploadDialog();
  EXPECT_TRUE(dialog.shown);
  EXPECT_EQ(dialog.texts["appCaption"], "Sjabloon in administratie Bakkerij opslaan:");
  EXPECT_EQ(dialog.texts["Username"], "jan");
  EXPECT_TRUE(http.sent.empty());  // waits for "Opslaan"
  dialog.texts["Username"] = "piet";
  dialog.press("UploadButton");
  EXPECT_EQ(dialog.texts["statuslabel"], kRefusedStatus);
  EXPECT_EQ(dialog.texts["Username"], "piet");

  // Cancel unloads the dialog: shown again, its controls are back at their first values.
  dialog.press("CancelButton");
  bench.upload.Activate(true);
  EXPECT_EQ(bench.uploadDialog().texts["Username"], "jan");
  EXPECT_EQ(bench.uploadDialog().texts["statuslabel"], "Standby");
}

TEST_F(UploadRequestTest, AFailingSendShowsTheErrorWithTheStatusCodeReached) {
  http.answers.push_back({.status = 0, .body = {}, .errorNumber = net::kTimedOut});
  bench.upload.Activate(false);
  EXPECT_EQ(bench.messages(), std::vector<std::string>{sendFailed("-2147012894: scripted failure", "6.1")});
  EXPECT_FALSE(bench.uploadDialog().shown);
  EXPECT_EQ(bench.uploadDialog().texts["statuslabel"], "Standby");
}

TEST_F(UploadRequestTest, AMissingTemplateFileIsAnErrorBeforeAnyRequest) {
  std::filesystem::remove(bench.root.path() / "temp" / "factuur.doc");
  bench.upload.Activate(false);
  ASSERT_EQ(bench.messages().size(), 1u);
  EXPECT_NE(bench.messages()[0].find("Foutcode: 53: "), std::string::npos) << bench.messages()[0];
  EXPECT_NE(bench.messages()[0].find("StatusCode: 1"), std::string::npos);
  EXPECT_TRUE(http.sent.empty());
}

TEST_F(UploadRequestTest, OnlyTheTemplateDocumentCanBeUploaded) {
  bench.word->addDocument("brief.doc");
  startUpload(bench.ctx, bench.upload);
  EXPECT_EQ(bench.messages(), std::vector<std::string>{"U kunt alleen het sjabloon document opslaan."});
  EXPECT_TRUE(http.sent.empty());
  EXPECT_FALSE(bench.upload.shown());
}

// ---- Against the stand-in service on loopback ---------------------------------------------------------

// Short bounds keep a silent server's test fast.
constexpr std::chrono::milliseconds kShortWait{400};

class UploadServiceTest : public ::testing::Test {
 protected:
  UploadServiceTest() { std::filesystem::create_directory(store.path() / "in"); }

  std::unique_ptr<standin::Service> start(standin::ServiceOptions options) {
    options.storeDir = (store.path() / "in").string();
    auto service = std::make_unique<standin::Service>(options, log);
    bench.uploadTo(service->port());
    return service;
  }
  std::string stored() const { return store.read("in/factuur.doc"); }
  bool storedExists() const { return store.exists("in/factuur.doc"); }

  testing::TempFolder store;
  std::ostringstream log;
  posix::CurlHttp http{kShortWait};
  ServerBench bench{http};
};

TEST_F(UploadServiceTest, WithoutCredentialsTheTemplateArrivesByteForByte) {
  auto service = start({});
  bench.writeTemplate(kTemplate);
  bench.upload.Activate(false);
  EXPECT_EQ(bench.messages(), std::vector<std::string>{"Het sjabloon is opgeslagen"});
  EXPECT_EQ(stored(), kTemplate);

  auto received = service->received();
  ASSERT_EQ(received.size(), 1u);
  const std::string body = buildUploadBody({.sessionId = "sessie-42",
                                            .credentials = std::nullopt,
                                            .templateName = "factuur.doc",
                                            .documentBase64 = base64Encode(kTemplate)});
  EXPECT_EQ(received[0].body, body);
  auto header = [&](const std::string& name) {
    for (const auto& [key, value] : received[0].headers)
      if (runtime::equalsTextCompare(key, name)) return value;
    return std::string("(missing)");
  };
  EXPECT_EQ(header("Content-Length"), std::to_string(body.size()));
  EXPECT_EQ(header("Host"), bench.ctx.settings.serveradres);
  EXPECT_EQ(header("Content-Type"), "multipart/form-data; boundary=jhldfshml87495rhffj777");
  EXPECT_EQ(header("Expect"), "(missing)");
}

TEST_F(UploadServiceTest, RefusedCredentialsThenAccepted) {
  auto service = start({.port = 0,
                        .user = "jan",
                        .password = "geheim",
                        .installerFile = {},
                        .storeDir = {},
                        .answer = standin::ServiceAnswer::kOk});
  bench.writeTemplate(kTemplate);
  bench.upload.Activate(true);
  testing::FormRecord& dialog = bench.uploadDialog();
  dialog.texts["Password"] = "fout";
  dialog.press("UploadButton");
  EXPECT_EQ(dialog.texts["statuslabel"], kRefusedStatus);
  EXPECT_TRUE(dialog.shown);
  EXPECT_FALSE(storedExists());
  EXPECT_TRUE(bench.messages().empty());

  dialog.texts["Password"] = "geheim";
  dialog.press("UploadButton");
  EXPECT_EQ(bench.messages(), std::vector<std::string>{"Het sjabloon is opgeslagen"});
  EXPECT_EQ(stored(), kTemplate);
  EXPECT_FALSE(dialog.shown);
}

TEST_F(UploadServiceTest, WithoutCredentialsAServiceThatDemandsThemRefuses) {
  auto service = start({.port = 0,
                        .user = "jan",
                        .password = "geheim",
                        .installerFile = {},
                        .storeDir = {},
                        .answer = standin::ServiceAnswer::kOk});
  bench.writeTemplate(kTemplate);
  bench.upload.Activate(false);
  EXPECT_EQ(bench.uploadDialog().texts["statuslabel"], kRefusedStatus);
  EXPECT_FALSE(storedExists());
}

TEST_F(UploadServiceTest, AMisbehavingOrMissingServiceEndsInTheErrorFrame) {
  struct Case {
    standin::ServiceAnswer answer;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {standin::ServiceAnswer::kError, {sendFailed("Server 1", "10")}},
      {standin::ServiceAnswer::kGarbage, {sendFailed("UN 1", "9"), sendFailed("Server 1", "10")}},
  };
  bench.writeTemplate(kTemplate);
  for (const Case& c : cases) {
    bench.ui.shown.clear();
    auto service = start(
        {.port = 0, .user = {}, .password = {}, .installerFile = {}, .storeDir = {}, .answer = c.answer});
    bench.upload.Activate(false);
    EXPECT_EQ(bench.messages(), c.messages);
    EXPECT_FALSE(storedExists());
  }

  bench.ui.shown.clear();
  int closedPort = start({})->port();
  bench.uploadTo(closedPort);
  bench.upload.Activate(false);
  ASSERT_EQ(bench.messages().size(), 1u);
  EXPECT_NE(bench.messages()[0].find("\r\nFoutcode: -2146697211: "), std::string::npos)
      << bench.messages()[0];
  EXPECT_TRUE(bench.messages()[0].ends_with("StatusCode: 6.1")) << bench.messages()[0];
}

TEST_F(UploadServiceTest, ANeverAnsweringServiceIsBoundedByTheTimeout) {
  auto service = start({.port = 0,
                        .user = {},
                        .password = {},
                        .installerFile = {},
                        .storeDir = {},
                        .answer = standin::ServiceAnswer::kSlow});
  bench.writeTemplate(kTemplate);
  auto started = std::chrono::steady_clock::now();
  bench.upload.Activate(false);
  auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(bench.messages(),
            std::vector<std::string>{sendFailed("-2147012894: The operation timed out", "6.1")});
  EXPECT_LT(waited, std::chrono::seconds(5));  // a bound, not a speed target: without one it hangs
  EXPECT_FALSE(bench.uploadDialog().shown);
}

TEST_F(UploadServiceTest, TheSizeLimitLetsExactlyTheLimitThroughAndNotOneByteMore) {
  auto service = start({});
  bench.ctx.settings.maxUploadSize = 1;
  bench.writeTemplate(std::string(1'000'000, 'x'));
  bench.upload.Activate(false);
  EXPECT_EQ(bench.messages(), std::vector<std::string>{"Het sjabloon is opgeslagen"});
  EXPECT_EQ(stored().size(), 1'000'000u);

  bench.ui.shown.clear();
  bench.writeTemplate(std::string(1'000'001, 'y'));
  bench.upload.Activate(false);
  EXPECT_EQ(bench.messages(),
            std::vector<std::string>{
                "Het sjabloon is groter dan 1 Megabyte. Op dit moment is het niet mogelijk een sjabloon van "
                "deze grootte op te slaan.\r\nU kunt de grootte terugbrengen door eventuele afbeeldingen in "
                "het sjabloon te comprimeren.\r\nSjabloon opslaan geannuleerd"});
  EXPECT_EQ(service->received().size(), 1u);  // no second request
  EXPECT_EQ(stored(), std::string(1'000'000, 'x'));
  EXPECT_FALSE(bench.upload.shown());
}

}  // namespace
}  // namespace tw::addin
