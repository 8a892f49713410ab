// The service stand-in's redirects (/redirect/<hops>?to=...), which the Wine checks send the Windows
// requests through, against the Linux client: the same table, the same outcomes.

#include <gtest/gtest.h>

#include <sstream>

#include "platform/net/http.h"
#include "posix/curl_http.h"
#include "runtime/error.h"
#include "standin/service.h"
#include "support/installer_service.h"

namespace tw::cli {
namespace {

TEST(ServiceRedirectTest, RedirectsAsAskedAndTheClientKeepsToItsServer) {
  testing::InstallerService service;
  std::ostringstream otherLog;
  standin::Service other(standin::ServiceOptions{}, otherLog);
  const std::string here = service.address();
  const std::string elsewhere =
      "http%3A%2F%2F127.0.0.1%3A" + std::to_string(other.port()) + "%2FtwUpdate.exe";
  struct Case {
    std::string path;
    bool followed;
  };
  const Case cases[] = {
      {"/redirect/1?to=%2FtwUpdate.exe", true},
      {"/redirect/5?to=%2FtwUpdate.exe", true},
      {"/redirect/6?to=%2FtwUpdate.exe", false},
      {"/redirect/1?to=" + elsewhere, false},
  };
  posix::CurlHttp http(std::chrono::milliseconds(5000));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto request = http.CreateRequest(net::RequestClass::kXmlHttp60);
    request->Open("GET", here + c.path, false);
    if (c.followed) {
      request->Send();
      EXPECT_EQ(request->Status(), 200);
      EXPECT_EQ(request->ResponseBody(), testing::InstallerService::kInstaller);
      continue;
    }
    try {
      request->Send();
      ADD_FAILURE() << "expected the redirect to be refused";
    } catch (const runtime::Error& error) {
      EXPECT_EQ(error.number(), net::kRedirectRefused);
    }
  }
  EXPECT_TRUE(other.received().empty());
  // Each hop is the service's own, down to the one that leaves for the address asked for.
  const std::string log = service.log();
  EXPECT_NE(log.find("GET /redirect/2: 302 to /redirect/1?to=%2FtwUpdate.exe\n"), std::string::npos) << log;
  EXPECT_NE(log.find("GET /redirect/1: 302 to /twUpdate.exe\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace tw::cli
