#include "posix/curl_http.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <thread>

#include "runtime/error.h"

namespace tw::posix {
namespace {

// A loopback server that answers on a free port while it lives.
class LoopbackServer {
 public:
  LoopbackServer() {
    server.Post("/upload", [this](const httplib::Request& request, httplib::Response& response) {
      received = request;
      response.set_content("ok", "text/plain");
    });
    server.Get("/installer", [](const httplib::Request&, httplib::Response& response) {
      response.status = 404;
      response.set_content(std::string("MZ\0\x01", 4), "application/octet-stream");
    });
    // Answers only when the server goes.
    server.Get("/silent", [this](const httplib::Request&, httplib::Response&) {
      while (!closing) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    port = server.bind_to_any_port("127.0.0.1");
    thread = std::thread([this] { server.listen_after_bind(); });
    while (!server.is_running()) std::this_thread::yield();
  }
  ~LoopbackServer() {
    closing = true;
    server.stop();
    thread.join();
  }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }

  httplib::Server server;
  httplib::Request received;
  std::atomic<bool> closing = false;
  int port = 0;
  std::thread thread;
};

TEST(CurlHttpTest, PostsTheBodyWithItsHeadersAndReadsTheAnswer) {
  LoopbackServer server;
  CurlHttp http;
  auto request = http.CreateRequest(net::RequestClass::kXmlHttp);
  request->Open("POST", server.url("/upload"), false);
  EXPECT_EQ(request->ReadyState(), 1);
  request->SetRequestHeader("Content-Type", "application/octet-stream");
  request->SetRequestHeader("Accept", "*/*");
  request->Send(std::string("body\0with a zero", 16));

  EXPECT_EQ(request->ReadyState(), 4);
  EXPECT_EQ(request->Status(), 200);
  EXPECT_EQ(request->ResponseText(), "ok");
  EXPECT_EQ(server.received.body, std::string("body\0with a zero", 16));
  EXPECT_EQ(server.received.get_header_value("Content-Type"), "application/octet-stream");
}

TEST(CurlHttpTest, AnErrorStatusStillDeliversTheBodyBytes) {
  LoopbackServer server;
  CurlHttp http;
  auto request = http.CreateRequest(net::RequestClass::kXmlHttp);
  request->Open("GET", server.url("/installer"), false);
  request->Send();
  EXPECT_EQ(request->Status(), 404);
  EXPECT_EQ(request->ResponseBody(), std::string("MZ\0\x01", 4));
}

TEST(CurlHttpTest, AnUnreachableServerIsAnError) {
  int port = 0;
  {
    LoopbackServer closed;
    port = closed.port;
  }
  CurlHttp http;
  auto request = http.CreateRequest(net::RequestClass::kXmlHttp);
  request->Open("GET", "http://127.0.0.1:" + std::to_string(port) + "/", false);
  try {
    request->Send();
    FAIL() << "expected an error";
  } catch (const runtime::Error& error) {
    EXPECT_EQ(error.number(), -2146697211);
    EXPECT_NE(error.description().find("could not be reached"), std::string::npos);
  }
  EXPECT_EQ(request->ReadyState(), 1);
}

TEST(CurlHttpTest, AnAnswerLongerThanTheLimitIsRefusedAndOneAtTheLimitArrives) {
  LoopbackServer server;
  CurlHttp http;
  for (size_t limit : {4u, 3u}) {
    auto request = http.CreateRequest(net::RequestClass::kXmlHttp);
    request->Open("GET", server.url("/installer"), false);
    request->SetLimits(
        {.connect = std::chrono::seconds(5), .whole = std::chrono::seconds(5), .maxResponseBytes = limit});
    if (limit == 4) {
      request->Send();
      EXPECT_EQ(request->ResponseBody().size(), 4u);
      continue;
    }
    try {
      request->Send();
      FAIL() << "expected the answer to be refused";
    } catch (const runtime::Error& error) {
      EXPECT_EQ(error.number(), net::kResponseTooLarge);
    }
    EXPECT_EQ(request->ReadyState(), 1);
  }
}

TEST(CurlHttpTest, ASilentServerEndsInATimeoutWithinTheBound) {
  LoopbackServer server;
  CurlHttp http(std::chrono::milliseconds(200));  // shortens the request's own 120 s
  auto request = http.CreateRequest(net::RequestClass::kXmlHttp);
  request->Open("GET", server.url("/silent"), false);
  try {
    request->Send();
    ADD_FAILURE() << "expected a timeout";
  } catch (const runtime::Error& error) {
    EXPECT_EQ(error.number(), net::kTimedOut);
  }
}

// A redirect is followed only to the scheme, host and port the request went to, a few hops at most, with
// the request sent again whole; any other ends in the refusal, and the other server never hears of it.
TEST(CurlHttpTest, RedirectsStayWithTheirServer) {
  LoopbackServer server;
  LoopbackServer other;
  int otherRequests = 0;
  other.server.Post("/upload", [&](const httplib::Request&, httplib::Response& response) {
    ++otherRequests;
    response.set_content("ok", "text/plain");
  });
  auto redirect = [&](const std::string& path, const std::string& to, int status = 302) {
    server.server.Post(path, [to, status](const httplib::Request&, httplib::Response& response) {
      response.status = status;
      response.set_header("Location", to);
    });
  };
  redirect("/same", "/upload");
  redirect("/same-absolute", server.url("/upload"), 307);
  redirect("/other-server", other.url("/upload"));
  redirect("/other-host", "http://localhost:" + std::to_string(server.port) + "/upload");
  redirect("/https-to-http", "https://127.0.0.1:" + std::to_string(server.port) + "/upload");
  redirect("/loop", "/loop", 301);
  for (int hop = 1; hop < net::kMaxRedirects; ++hop)
    redirect("/hop" + std::to_string(hop), "/hop" + std::to_string(hop + 1));
  redirect("/hop" + std::to_string(net::kMaxRedirects), "/upload");
  struct Case {
    const char* path;
    bool followed;
  };
  const Case cases[] = {
      {"/same", true},           {"/same-absolute", true}, {"/other-server", false}, {"/other-host", false},
      {"/https-to-http", false}, {"/loop", false},         {"/hop1", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    server.received = {};
    CurlHttp http(std::chrono::milliseconds(2000));
    auto request = http.CreateRequest(net::RequestClass::kXmlHttp);
    request->Open("POST", server.url(c.path), false);
    request->SetRequestHeader("Content-length", "4");
    if (c.followed) {
      request->Send("body");
      EXPECT_EQ(request->Status(), 200);
      EXPECT_EQ(request->ResponseText(), "ok");
      EXPECT_EQ(server.received.body, "body");
      continue;
    }
    try {
      request->Send("body");
      ADD_FAILURE() << "expected the redirect to be refused";
    } catch (const runtime::Error& error) {
      EXPECT_EQ(error.number(), net::kRedirectRefused);
      EXPECT_NE(error.description().find("was not followed"), std::string::npos);
    }
    EXPECT_EQ(request->ReadyState(), 1);
    EXPECT_EQ(server.received.body, "");
  }
  EXPECT_EQ(otherRequests, 0);
}

TEST(CurlHttpTest, OnlySynchronousRequestsAreSupported) {
  CurlHttp http;
  auto request = http.CreateRequest(net::RequestClass::kXmlHttp);
  EXPECT_THROW(request->Open("GET", "http://127.0.0.1/", true), runtime::Error);
  EXPECT_THROW(request->Send(), runtime::Error);
}

}  // namespace
}  // namespace tw::posix
