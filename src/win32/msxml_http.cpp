#include "win32/msxml_http.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "runtime/error.h"
#include "win32/late_bound.h"
#include "win32/text.h"

namespace tw::win32 {
namespace {

using runtime::Error;

// The error the request object reports when the server cannot be reached.
constexpr long kResourceNotFound = -2146697211;  // 0x800C0005

// Windows' texts of the download errors (INET_E_...), for a request object that reports only the number.
const char* downloadErrorText(long number) {
  switch (static_cast<unsigned long>(number)) {
    case 0x800C0002:
      return "The URL is invalid.";
    case 0x800C0004:
      return "The attempt to connect to the Internet has failed.";
    case 0x800C0005:
      return "The system cannot locate the resource specified.";
    case 0x800C0007:
      return "No data is available for the requested resource.";
    case 0x800C0008:
      return "The download of the specified resource has failed.";
    case 0x800C000E:
      return "A security problem occurred.";
    default:
      return nullptr;
  }
}
// Transfer failures show as WinInet's error numbers in the place of the HTTP status.
constexpr long kFirstWinInetError = 12000;
constexpr long kLastWinInetError = 12999;

const wchar_t* progIdOf(net::RequestClass requestClass) {
  switch (requestClass) {
    case net::RequestClass::kXmlHttp:
      return L"MSXML2.XMLHTTP";
    case net::RequestClass::kXmlHttp60:
      return L"MSXML2.XMLHTTP.6.0";
  }
  return L"MSXML2.XMLHTTP";
}

ComPtr<IDispatch> createObject(const wchar_t* progId) {
  CLSID clsid;
  ComPtr<IDispatch> object;
  HRESULT hr = CLSIDFromProgID(progId, &clsid);
  if (SUCCEEDED(hr)) {
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(object.put()));
  }
  if (FAILED(hr) || !object) {
    throw Error(runtime::kActiveXCannotCreateObject,
                std::string(runtime::errorDescription(runtime::kActiveXCannotCreateObject)) + " (" +
                    fromWide(progId) + ")");
  }
  return object;
}

// Dispatches the messages a request's progress arrives by (posted to the thread or sent to it), but no
// input, painting or timer: the user's input waits until the request is done, as it did while a
// synchronous request held the thread, and no timer of the add-in runs in the middle of a request.
void dispatchRequestMessages() {
  constexpr UINT kQueued = PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
  MSG message;
  for (auto [first, last] :
       {std::pair<UINT, UINT>{0, WM_TIMER - 1}, std::pair<UINT, UINT>{WM_TIMER + 1, ~0U}}) {
    while (PeekMessageW(&message, nullptr, first, last, kQueued)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

// A request made asynchronously and waited for: the request objects have no time limits of their own, so
// the wait ends at the deadline with `abort`. The request keeps its class, and with it the user's Internet
// settings (WinInet's proxy, automatic configuration and proxy sign-in).
class MsxmlRequest final : public net::HttpRequest {
 public:
  MsxmlRequest(net::RequestClass requestClass, std::optional<std::chrono::milliseconds> longestWait)
      : request_(createObject(progIdOf(requestClass))), longestWait_(longestWait) {}

  void Open(const std::string& method, const std::string& url, bool async) override {
    if (async) throw Error(runtime::kInvalidProcedureCall, "Only synchronous requests are supported");
    request_.call(L"open", args(method, url, true));
  }

  void SetRequestHeader(const std::string& name, const std::string& value) override {
    request_.call(L"setRequestHeader", args(name, value));
  }

  // The whole time is bounded here; the connection is bounded by it and by Windows' own connect timeout,
  // since the request objects do not tell when they have connected. The size limit is checked on the
  // answer.
  void SetLimits(const net::RequestLimits& limits) override { limits_ = limits; }

  void Send(const std::string& body) override {
    std::chrono::milliseconds whole = limits_.whole;
    if (longestWait_ && *longestWait_ < whole) whole = *longestWait_;
    const auto deadline = std::chrono::steady_clock::now() + whole;
    try {
      // The body goes as bytes: a text beyond ASCII would go as UTF-8, and Content-length counts bytes.
      if (body.empty())
        request_.call(L"send");
      else
        request_.call(L"send", args(Arg::bytes(body)));
    } catch (const Error& error) {
      const char* text = downloadErrorText(error.number());
      if (!text || error.description() != runtime::errorDescription(error.number())) throw;
      throw Error(error.number(), text, error.source());
    }
    waitUntilComplete(deadline);
    long status = 0;
    try {
      status = LateBound::number(*request_.get(L"status"));
    } catch (const Error& error) {
      throw Error(kResourceNotFound, "The server could not be reached: " + error.description());
    }
    // A request that ended without an answer reports no status, or WinInet's error number in its place.
    if (status == 0) throw Error(kResourceNotFound, "The server could not be reached");
    if (status >= kFirstWinInetError && status <= kLastWinInetError) {
      throw Error(kResourceNotFound,
                  "The server could not be reached (WinInet error " + std::to_string(status) + ")");
    }
    body_ = LateBound::bytes(*request_.get(L"responseBody"));
    if (body_.size() > limits_.maxResponseBytes) {
      body_.clear();
      throw Error(net::kResponseTooLarge, "The answer is longer than the " +
                                              std::to_string(limits_.maxResponseBytes) +
                                              " bytes this request accepts");
    }
    status_ = static_cast<int>(status);
  }

  int ReadyState() override { return static_cast<int>(LateBound::number(*request_.get(L"readyState"))); }
  int Status() override { return status_; }
  std::string ResponseText() override { return LateBound::text(*request_.get(L"responseText")); }
  std::string ResponseBody() override { return body_; }

 private:
  static constexpr int kComplete = 4;
  // How often the request's state is looked at when no message has woken the wait.
  static constexpr std::chrono::milliseconds kLookAgain{50};

  void waitUntilComplete(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
      dispatchRequestMessages();
      if (ReadyState() == kComplete) return;
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        runtime::resumeNext([&] { request_.call(L"abort"); });
        throw Error(net::kTimedOut, "The operation timed out");
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min(left, kLookAgain).count()),
                                QS_POSTMESSAGE | QS_SENDMESSAGE);
    }
  }

  LateBound request_;
  std::optional<std::chrono::milliseconds> longestWait_;
  net::RequestLimits limits_;
  std::string body_;
  int status_ = 0;
};

}  // namespace

std::unique_ptr<net::HttpRequest> MsxmlHttp::CreateRequest(net::RequestClass requestClass) {
  return std::make_unique<MsxmlRequest>(requestClass, longestWait_);
}

}  // namespace tw::win32
