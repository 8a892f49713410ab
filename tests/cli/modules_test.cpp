// The command's modules, each loaded on first use: the PDF printer, the HTTP client and the service's
// stand-in do their work from the module as they do linked in.

#include "cli/modules.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <functional>
#include <sstream>
#include <thread>

#include "posix/curl_http.h"
#include "runtime/error.h"
#include "standin/service.h"
#include "support/installer_service.h"

namespace tw::cli {
namespace {

TEST(ModulesTest, ThePdfPrinterRendersFromItsModule) {
  auto printer = pdfPrinterInModule();
  EXPECT_EQ(printer->name(), "Microsoft Print to PDF");
  engine::print::PrintLayout layout;
  layout.pages.emplace_back(
      std::vector<engine::print::Block>{},
      std::vector<engine::print::Block>{engine::print::ParagraphBlock("Factuur 2026-001")},
      std::vector<engine::print::Block>{});
  EXPECT_TRUE(printer->render(layout).starts_with("%PDF-"));
}

TEST(ModulesTest, TheHttpClientFetchesFromItsModule) {
  testing::InstallerService service;
  auto http = curlHttpInModule(std::chrono::milliseconds(5000));
  auto request = http->CreateRequest(net::RequestClass::kXmlHttp);
  request->Open("GET", service.installerUrl(), false);
  request->Send();
  EXPECT_EQ(request->Status(), 200);
  EXPECT_EQ(request->ResponseBody(), testing::InstallerService::kInstaller);
}

// What a step raised, as the error's number, description and source.
std::string raised(const std::function<void()>& step) {
  try {
    step();
    return "nothing";
  } catch (const runtime::Error& error) {
    return std::to_string(error.number()) + " " + error.description() + " (" + error.source() + ")";
  }
}

TEST(ModulesTest, TheHttpModuleRaisesTheErrorsOfTheClientLinkedIn) {
  testing::InstallerService service;
  const std::string url = service.installerUrl();
  const std::string unreachable = "http://127.0.0.1:" + std::to_string(testing::freePort()) + "/";

  const struct {
    const char* name;
    std::function<void(net::HttpRequest&)> steps;
  } cases[] = {
      {"sent before it is open", [](net::HttpRequest& request) { request.Send(); }},
      {"a header before it is open", [](net::HttpRequest& request) { request.SetRequestHeader("A", "b"); }},
      {"asynchronous", [&](net::HttpRequest& request) { request.Open("GET", url, true); }},
      {"an answer beyond its limit",
       [&](net::HttpRequest& request) {
         request.Open("GET", url, false);
         request.SetLimits(
             {.connect = std::chrono::seconds(5), .whole = std::chrono::seconds(5), .maxResponseBytes = 3});
         request.Send();
       }},
      {"a server that is not there",
       [&](net::HttpRequest& request) {
         request.Open("GET", unreachable, false);
         request.Send();
       }},
  };
  posix::CurlHttp linkedIn(std::chrono::milliseconds(5000));
  auto inModule = curlHttpInModule(std::chrono::milliseconds(5000));
  for (const auto& [name, steps] : cases) {
    auto expected = linkedIn.CreateRequest(net::RequestClass::kXmlHttp);
    auto actual = inModule->CreateRequest(net::RequestClass::kXmlHttp);
    const std::string error = raised([&] { steps(*expected); });
    EXPECT_NE(error, "nothing") << name;
    EXPECT_EQ(raised([&] { steps(*actual); }), error) << name;
    EXPECT_EQ(actual->ReadyState(), expected->ReadyState()) << name;
  }
}

TEST(ModulesTest, TheServiceRunsFromItsModule) {
  const int port = testing::freePort();
  standin::ServiceOptions options;
  options.port = port;
  std::ostringstream console;  // written by the service's thread, read once it has ended
  int status = -1;
  std::thread service([&] { status = runServiceInModule(options, console); });
  // Once it answers, the service waits for the stop signals, which its thread has blocked.
  auto http = curlHttpInModule(std::chrono::milliseconds(1000));
  bool answered = false;
  for (int attempt = 0; attempt < 100 && !answered; ++attempt) {
    auto request = http->CreateRequest(net::RequestClass::kXmlHttp);
    request->Open("GET", "http://127.0.0.1:" + std::to_string(port) + std::string(standin::kInstallerPath),
                  false);
    try {
      request->Send();
      answered = true;
    } catch (const runtime::Error&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ASSERT_TRUE(answered);
  pthread_kill(service.native_handle(), SIGTERM);
  service.join();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(console.str(), "tallyweave service: listening on http://127.0.0.1:" + std::to_string(port) +
                               " (upload /upload, installer /twUpdate.exe)\nGET /twUpdate.exe: "
                               "404\ntallyweave service: stopped\n");
}

}  // namespace
}  // namespace tw::cli
