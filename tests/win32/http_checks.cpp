// Drives the add-in's HTTP requests (the MSXML request objects, as the DLL makes them) against the service
// stand-in: a service that accepts and never answers ends the upload and the download at the longest wait
// the add-in's key sets, with the timeout error the forms show; a service that answers hands over its
// installer; a port where nothing listens fails. Redirects: through MSXML 6.0's own request object the
// redirect rule holds against the service's redirects where that object exists, and always against a
// stand-in of it that calls back as the object does. Run under Wine; prints one line per case and exits 1
// when any case failed.
// Usage: http_checks.exe <port of a service that never answers> <port where nothing listens>
//                        <port of a service that serves an installer> <that installer>

#include "win32/windows_api.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "check_report.h"
#include "platform/net/http.h"
#include "runtime/error.h"
#include "server/update_form.h"
#include "server/upload_form.h"
#include "win32/com_object.h"
#include "win32/com_ptr.h"
#include "win32/handle.h"
#include "win32/msxml_http.h"
#include "win32/settings.h"
#include "win32/text.h"

namespace {

using namespace tw;

using tw::checks::check;
using tw::checks::failures;

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

// ---- Redirects through MSXML 6.0's own request object --------------------------------------------------

// What the stand-in request object does once sent: the redirects it is told of, in order, then the answer;
// or nothing at all until it is aborted.
struct Script {
  std::vector<std::wstring> redirects;
  std::string body = "MZ answer";
  bool silent = false;
};

// What the last stand-in saw; read once it is gone.
struct StandInSeen {
  std::string sentBody;
  int redirectsOffered = 0;
  // The redirect whose OnRedirect aborted the request before it returned (1 for the first), or 0.
  int abortedInRedirect = 0;
  bool aborted = false;
  // The references the add-in still held on its callback object when the stand-in let it go.
  ULONG callbackReferencesLeft = 0;
};

// A stand-in for MSXML 6.0's request object, calling the add-in back from a thread of its own as the object
// does: OnRedirect for each redirect (stopping once aborted), then OnHeadersAvailable, OnDataAvailable and
// OnResponseReceived, or OnError(E_ABORT) after an abort. It records what the add-in did to it.
class StandInRequest final : public IXMLHTTPRequest2, private win32::RefCounted<StandInRequest> {
  friend class win32::RefCounted<StandInRequest>;

 public:
  // The script of the stand-ins made from now on.
  static inline Script script;
  static inline StandInSeen seen;
  static inline std::atomic<int> alive{0};

  static win32::ComPtr<IXMLHTTPRequest2> make() {
    seen = StandInSeen{};
    return win32::ComPtr<IXMLHTTPRequest2>(new StandInRequest(script));
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return win32::answerQuery(iid, object, {{IID_IUnknown, this}, {IID_IXMLHTTPRequest2, this}});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }

  HRESULT STDMETHODCALLTYPE Open(const WCHAR*, const WCHAR*, IXMLHTTPRequest2Callback* callback, const WCHAR*,
                                 const WCHAR*, const WCHAR*, const WCHAR*) override {
    if (!callback) return E_INVALIDARG;
    callback_ = win32::ComPtr<IXMLHTTPRequest2Callback>(callback);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Send(ISequentialStream* body, ULONGLONG length) override {
    if (body) {
      std::string bytes(static_cast<std::size_t>(length), '\0');
      ULONG read = 0;
      if (FAILED(body->Read(bytes.data(), static_cast<ULONG>(length), &read))) return E_FAIL;
      bytes.resize(read);
      seen.sentBody = bytes;
    }
    AddRef();  // the thread's own reference
    win32::Handle thread(CreateThread(nullptr, 0, &StandInRequest::run, this, 0, nullptr));
    if (!thread.valid()) {
      Release();
      return E_FAIL;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Abort() override {
    aborted_ = true;
    SetEvent(abortEvent_.get());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetCookie(const XHR_COOKIE*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetCustomResponseStream(ISequentialStream*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetProperty(XHR_PROPERTY, ULONGLONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetRequestHeader(const WCHAR*, const WCHAR*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetAllResponseHeaders(WCHAR**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCookie(const WCHAR*, const WCHAR*, DWORD, ULONG*, XHR_COOKIE**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetResponseHeader(const WCHAR*, WCHAR**) override { return E_NOTIMPL; }

 private:
  explicit StandInRequest(Script toPlay) : script_(std::move(toPlay)) { ++alive; }
  ~StandInRequest() {
    seen.aborted = aborted_;
    seen.callbackReferencesLeft = callback_ ? callback_.detach()->Release() : 0;
    --alive;
  }

  static DWORD WINAPI run(void* self) {
    auto* request = static_cast<StandInRequest*>(self);
    request->answer();
    request->Release();
    return 0;
  }

  void answer() {
    for (const std::wstring& url : script_.redirects) {
      if (aborted_) break;
      ++seen.redirectsOffered;
      callback_->OnRedirect(this, url.c_str());
      if (aborted_) seen.abortedInRedirect = seen.redirectsOffered;
    }
    if (script_.silent) WaitForSingleObject(abortEvent_.get(), 30'000);
    if (aborted_) {
      callback_->OnError(this, E_ABORT);
      return;
    }
    callback_->OnHeadersAvailable(this, 200, L"OK");
    win32::ComPtr<IStream> stream;
    ULONG written = 0;
    LARGE_INTEGER start{};
    CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    stream->Write(script_.body.data(), static_cast<ULONG>(script_.body.size()), &written);
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    callback_->OnDataAvailable(this, stream.get());
    callback_->OnResponseReceived(this, stream.get());
  }

  const Script script_;
  win32::ComPtr<IXMLHTTPRequest2Callback> callback_;
  std::atomic<bool> aborted_ = false;
  win32::Handle abortEvent_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// Waits a little for the last stand-in to go (its thread may still be unwinding).
bool standInGone() {
  for (int i = 0; i < 100 && StandInRequest::alive > 0; ++i) Sleep(20);
  return StandInRequest::alive == 0;
}

// The add-in's side of MSXML 6.0's request object, the same redirect table as the Linux client's: a
// redirect to the server the request went to is followed, a few hops at most; any other is refused with its
// message, aborted at once, and the request's body goes nowhere else.
void standInChecks() {
  const std::string from = "http://127.0.0.1:8080/upload";
  const std::wstring here = L"http://127.0.0.1:8080";
  struct Case {
    const char* name;
    std::string from;
    std::vector<std::wstring> redirects;
    bool followed;
    const char* why;
  };
  const char* elsewhere = "it leads to another scheme, host or port";
  const Case cases[] = {
      {"a redirect by path", from, {L"/b"}, true, ""},
      {"a redirect to the same server", from, {here + L"/b"}, true, ""},
      {"five redirects on the same server", from, std::vector<std::wstring>(5, here + L"/b"), true, ""},
      {"a sixth redirect", from, std::vector<std::wstring>(6, here + L"/b"), false, "more than 5 redirects"},
      {"a redirect to another port", from, {L"http://127.0.0.1:8081/upload"}, false, elsewhere},
      {"a redirect to another host", from, {L"http://localhost:8080/upload"}, false, elsewhere},
      {"a redirect from https to http",
       "https://127.0.0.1:8080/upload",
       {L"http://127.0.0.1:8080/upload"},
       false,
       elsewhere},
  };
  for (const Case& c : cases) {
    StandInRequest::script = {.redirects = c.redirects, .body = "ok", .silent = false};
    Outcome outcome;
    std::string answer;
    {
      win32::MsxmlHttp http(std::chrono::milliseconds(5000), &StandInRequest::make);
      auto request = http.CreateRequest(net::RequestClass::kXmlHttp);
      try {
        request->Open("POST", c.from, false);
        request->SetRequestHeader("Content-length", "4");
        request->Send("body");
        outcome.status = request->Status();
        answer = request->ResponseText();
      } catch (const runtime::Error& error) {
        outcome.number = error.number();
        outcome.description = error.description();
      }
    }
    const bool gone = standInGone();
    const StandInSeen& seen = StandInRequest::seen;
    const std::string target = c.redirects.empty() ? std::string() : win32::fromWide(c.redirects.back());
    bool passed = gone && seen.sentBody == "body" && seen.callbackReferencesLeft == 0;
    if (c.followed) {
      passed = passed && outcome.number == 0 && outcome.status == 200 && answer == "ok" && !seen.aborted &&
               seen.redirectsOffered == static_cast<int>(c.redirects.size());
    } else {
      passed =
          passed && outcome.number == net::kRedirectRefused &&
          outcome.description == "The redirect to " + target + " was not followed: " + std::string(c.why) &&
          seen.abortedInRedirect == static_cast<int>(c.redirects.size()) &&
          seen.redirectsOffered == static_cast<int>(c.redirects.size());
    }
    check(passed, std::string("through a stand-in of MSXML 6.0's request object, ") + c.name +
                      (c.followed ? " is followed" : " is refused and aborted at once") + " (got " +
                      (outcome.number ? std::to_string(outcome.number) + ": " + outcome.description
                                      : "status " + std::to_string(outcome.status) + " \"" + answer + "\"") +
                      ", " + std::to_string(seen.redirectsOffered) + " redirects offered, aborted " +
                      (seen.abortedInRedirect ? "in redirect " + std::to_string(seen.abortedInRedirect)
                                              : std::string(seen.aborted ? "later" : "no")) +
                      ", callback references left " + std::to_string(seen.callbackReferencesLeft) + ")");
  }

  // Its bounds hold as the other request objects' do: a silent server ends at the deadline with an abort,
  // and an answer beyond the limit is refused.
  StandInRequest::script = {.redirects = {}, .body = {}, .silent = true};
  {
    win32::MsxmlHttp http(std::chrono::milliseconds(500), &StandInRequest::make);
    const Outcome silent = request(http, net::RequestClass::kXmlHttp60, "GET", "http://127.0.0.1:8080/x",
                                   addin::UpdateForm::kDownloadLimits, "");
    check(silent.number == net::kTimedOut && silent.milliseconds >= 450 && silent.milliseconds <= 3000,
          "through a stand-in of MSXML 6.0's request object, a request that gets no answer ends at its "
          "deadline (got " +
              shown(silent) + ")");
  }
  check(standInGone() && StandInRequest::seen.aborted && StandInRequest::seen.callbackReferencesLeft == 0,
        "the request that got no answer was aborted and let go of");
  StandInRequest::script = {.redirects = {}, .body = std::string(2000, 'x'), .silent = false};
  {
    win32::MsxmlHttp http(std::chrono::milliseconds(5000), &StandInRequest::make);
    const Outcome large = request(
        http, net::RequestClass::kXmlHttp60, "GET", "http://127.0.0.1:8080/x",
        {.connect = std::chrono::seconds(5), .whole = std::chrono::seconds(5), .maxResponseBytes = 1000}, "");
    check(large.number == net::kResponseTooLarge,
          "through a stand-in of MSXML 6.0's request object, an answer beyond the limit is refused (got " +
              shown(large) + ")");
  }
  check(standInGone(), "the stand-in request objects are all let go of");
}

// The address `text` as the value of a query parameter.
std::string queryValue(const std::string& text) {
  std::string encoded;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      encoded += static_cast<char>(c);
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", c);
      encoded += escape;
    }
  }
  return encoded;
}

// The service's own redirects (/redirect/<hops>?to=...), against the redirect rule. Where MSXML 6.0's own
// request object exists, each case passes or fails; where it does not (Wine has none), the requests go
// through the objects of the ProgIDs, which follow redirects unasked: what they did is shown, and the cases
// are skipped with the reason.
void serviceRedirectChecks(const std::string& serving, const std::string& silent,
                           const std::string& installer,
                           std::optional<std::chrono::milliseconds> longestWait) {
  struct Case {
    const char* name;
    net::RequestClass requestClass;
    const char* method;
    int hops;
    std::string to;
    bool followed;
  };
  const Case cases[] = {
      {"a download redirected by path on its server", net::RequestClass::kXmlHttp60, "GET", 1,
       "/twUpdate.exe", true},
      {"a download redirected to its server's whole address", net::RequestClass::kXmlHttp60, "GET", 1,
       serving + "/twUpdate.exe", true},
      {"a download redirected five times on its server", net::RequestClass::kXmlHttp60, "GET", 5,
       "/twUpdate.exe", true},
      {"a download redirected six times on its server", net::RequestClass::kXmlHttp60, "GET", 6,
       "/twUpdate.exe", false},
      {"a download redirected to another port", net::RequestClass::kXmlHttp60, "GET", 1,
       silent + "/twUpdate.exe", false},
      {"a download redirected to another host name", net::RequestClass::kXmlHttp60, "GET", 1,
       "http://localhost:" + serving.substr(serving.rfind(':') + 1) + "/twUpdate.exe", false},
      {"an upload redirected to another port", net::RequestClass::kXmlHttp, "POST", 1, silent + "/upload",
       false},
  };
  const bool native = static_cast<bool>(win32::createNativeRequest());
  win32::MsxmlHttp http(longestWait);
  for (const Case& c : cases) {
    std::string body;
    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    try {
      auto request = http.CreateRequest(c.requestClass);
      request->Open(c.method, serving + "/redirect/" + std::to_string(c.hops) + "?to=" + queryValue(c.to),
                    false);
      request->SetLimits(addin::UpdateForm::kDownloadLimits);
      request->Send(std::string(c.method) == "POST" ? "body" : "");
      outcome.status = request->Status();
      body = request->ResponseBody();
    } catch (const runtime::Error& error) {
      outcome.number = error.number();
      outcome.description = error.description();
    }
    outcome.milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    const std::string got = outcome.number ? shown(outcome)
                                           : "status " + std::to_string(outcome.status) + ", " +
                                                 std::to_string(body.size()) + " bytes";
    const std::string name = std::string(c.name) + (c.followed ? " is followed" : " is refused");
    if (!native) {
      std::printf(
          "# skipped - %s: MSXML 6.0's own request object is missing here, and the request object of "
          "the ProgID follows redirects unasked (got %s)\n",
          name.c_str(), got.c_str());
      continue;
    }
    const bool passed = c.followed ? outcome.number == 0 && outcome.status == 200 && body == installer
                                   : outcome.number == net::kRedirectRefused &&
                                         outcome.description.find(" was not followed: ") != std::string::npos;
    check(passed, name + " (got " + got + ")");
  }
  if (!native) {
    std::printf(
        "# skipped: the redirect rule against the service's redirects, because MSXML 6.0's own "
        "request object (class FreeThreadedXMLHTTP60, interface IXMLHTTPRequest2) cannot be created "
        "here\n");
  }
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
        {"the upload", net::RequestClass::kXmlHttp, "POST", silent + "/upload", addin::Upload::kRequestLimits,
         std::string(70'000, 'x')},
        {"the installer download", net::RequestClass::kXmlHttp60, "GET", silent + "/twUpdate.exe",
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

  standInChecks();
  serviceRedirectChecks(serving, silent, installer, configured);

  removeLongestWait();
  CoUninitialize();
  std::printf("# done\n");
  return failures == 0 ? 0 : 1;
}
