// Drives the add-in's HTTP requests (the MSXML request objects, as the DLL makes them) against the service
// stand-in: a service that accepts and never answers ends the upload and the download at the longest wait
// the add-in's key sets, with the timeout error the forms show; a service that answers hands over its
// installer; a port where nothing listens fails. Run under Wine; prints one line per case and exits 1 when
// any case failed. Usage: http_checks.exe <port of a service that never answers> <port where nothing listens>
//                        <port of a service that serves an installer> <that installer>

#include "win32/windows_api.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/net/http.h"
#include "runtime/error.h"
#include "server/update_form.h"
#include "server/upload_form.h"
#include "win32/com_ptr.h"
#include "win32/msxml_http.h"
#include "win32/settings.h"

namespace {

using namespace tw;

int failures = 0;

void check(bool passed, const std::string& name) {
  std::printf("%s - %s\n", passed ? "ok" : "not ok", name.c_str());
  std::fflush(stdout);
  if (!passed) ++failures;
}

// The longest wait the checks give the add-in through its key, as a user or a test may.
constexpr DWORD kLongestWaitMs = 1500;
// What Wine may add to the wait: the request's own polling and its abort.
constexpr long long kSlackMs = 3000;

void setLongestWait(DWORD milliseconds) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, win32::wordAddinKey().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(key, L"HttpTimeout", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&milliseconds),
                 sizeof milliseconds);
  RegCloseKey(key);
}

void removeLongestWait() {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, win32::wordAddinKey().c_str(), L"HttpTimeout");
}

struct Outcome {
  long number = 0;
  std::string description;
  long long milliseconds = 0;
  int status = 0;
};

// One request made as the forms make it; the error it ends in, and how long it took.
Outcome request(net::Http& http, net::RequestClass requestClass, const std::string& method,
                const std::string& url, const net::RequestLimits& limits, const std::string& body) {
  Outcome outcome;
  const auto start = std::chrono::steady_clock::now();
  try {
    auto request = http.CreateRequest(requestClass);
    request->Open(method, url, false);
    request->SetRequestHeader("Accept", "*/*");
    request->SetRequestHeader("Connection", "Keep-Alive");
    request->SetLimits(limits);
    request->Send(body);
    outcome.status = request->Status();
  } catch (const runtime::Error& error) {
    outcome.number = error.number();
    outcome.description = error.description();
  }
  outcome.milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  return outcome;
}

std::string shown(const Outcome& outcome) {
  return std::to_string(outcome.number) + ": " + outcome.description + " after " +
         std::to_string(outcome.milliseconds) + " ms";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: http_checks.exe <silent port> <closed port> <serving port> <installer>\n");
    return 2;
  }
  const std::string serving = std::string("http://127.0.0.1:") + argv[3];
  std::string installer;
  if (FILE* file = std::fopen(argv[4], "rb")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) installer.append(buffer, n);
    std::fclose(file);
  }
  const std::string silent = std::string("http://127.0.0.1:") + argv[1];
  const std::string closed = std::string("http://127.0.0.1:") + argv[2];
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  removeLongestWait();
  check(!win32::configuredLongestHttpWait(),
        "without HttpTimeout in the add-in's key a request keeps its bounds");
  setLongestWait(kLongestWaitMs);
  const auto configured = win32::configuredLongestHttpWait();
  check(configured && configured->count() == kLongestWaitMs,
        "HttpTimeout in the add-in's key is the longest wait");

  {
    win32::MsxmlHttp http(configured);
    struct Case {
      const char* name;
      net::RequestClass requestClass;
      const char* method;
      std::string url;
      net::RequestLimits limits;
      std::string body;
    };
    const Case silentCases[] = {
        {"the upload (MSXML2.XMLHTTP)", net::RequestClass::kXmlHttp, "POST", silent + "/upload",
         addin::Upload::kRequestLimits, std::string(70'000, 'x')},
        {"the download (MSXML2.XMLHTTP.6.0)", net::RequestClass::kXmlHttp60, "GET", silent + "/twUpdate.exe",
         addin::UpdateForm::kDownloadLimits, ""},
    };
    for (const Case& c : silentCases) {
      const Outcome outcome = request(http, c.requestClass, c.method, c.url, c.limits, c.body);
      check(outcome.number == net::kTimedOut && outcome.description == "The operation timed out" &&
                outcome.milliseconds >= kLongestWaitMs - 50 &&
                outcome.milliseconds <= kLongestWaitMs + kSlackMs,
            std::string(c.name) + " to a service that never answers times out after the longest wait (got " +
                shown(outcome) + ")");
    }
    std::string body;
    Outcome served;
    const auto start = std::chrono::steady_clock::now();
    try {
      auto download = http.CreateRequest(net::RequestClass::kXmlHttp60);
      download->Open("GET", serving + "/twUpdate.exe", false);
      download->SetLimits(addin::UpdateForm::kDownloadLimits);
      download->Send("");
      served.status = download->Status();
      body = download->ResponseBody();
    } catch (const runtime::Error& error) {
      served.number = error.number();
      served.description = error.description();
    }
    served.milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    check(served.number == 0 && served.status == 200 && !installer.empty() && body == installer,
          "a download from a service that answers brings the installer's " +
              std::to_string(installer.size()) + " bytes (got " + std::to_string(body.size()) +
              " bytes, status " + std::to_string(served.status) + ", " + shown(served) + ")");

    // Windows completes a request whose connection was refused with WinInet's error in place of the status;
    // Wine's request object never completes it, so there it ends at the longest wait. Either way it fails
    // and lets Word go on.
    const Outcome unreachable = request(http, net::RequestClass::kXmlHttp, "POST", closed + "/upload",
                                        addin::Upload::kRequestLimits, "x");
    check((unreachable.number == -2146697211 || unreachable.number == net::kTimedOut) &&
              unreachable.milliseconds <= kLongestWaitMs + kSlackMs,
          "an upload to a port where nothing listens fails within the longest wait (got " +
              shown(unreachable) + ")");
  }

  removeLongestWait();
  CoUninitialize();
  std::printf("# done\n");
  return failures == 0 ? 0 : 1;
}
