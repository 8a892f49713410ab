#include "win32/msxml_http.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "platform/net/redirect.h"
#include "runtime/codepage.h"
#include "runtime/error.h"
#include "win32/com_object.h"
#include "win32/handle.h"
#include "win32/late_bound.h"
#include "win32/text.h"

namespace tw::win32 {
namespace {

using runtime::Error;
using Clock = std::chrono::steady_clock;

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

Error timedOut() {
  return Error(net::kTimedOut, "The operation timed out");
}

Error unreachable(const std::string& detail = {}) {
  return Error(kResourceNotFound, "The server could not be reached" + detail);
}

Error tooLarge(std::size_t limit) {
  return Error(net::kResponseTooLarge,
               "The answer is longer than the " + std::to_string(limit) + " bytes this request accepts");
}

// The error of a request that failed with `hr` before an answer arrived.
Error failureOf(HRESULT hr) {
  const long number = static_cast<long>(hr);
  if (number == net::kTimedOut) return timedOut();
  const long code = HRESULT_CODE(hr);
  if (HRESULT_FACILITY(hr) == FACILITY_WIN32 && code >= kFirstWinInetError && code <= kLastWinInetError)
    return unreachable(" (WinInet error " + std::to_string(code) + ")");
  if (const char* text = downloadErrorText(number)) return Error(number, text);
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08lX", static_cast<unsigned long>(hr));
  return Error(number, std::string("The request failed (HRESULT 0x") + hex + ")");
}

// The longest a request may take: its own bound, or the longest wait the add-in allows when that is shorter.
std::chrono::milliseconds wholeBound(const net::RequestLimits& limits,
                                     std::optional<std::chrono::milliseconds> longestWait) {
  return longestWait ? std::min(limits.whole, *longestWait) : limits.whole;
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

// Waits until `done()` holds, letting through the messages of `dispatchRequestMessages`; false when the
// deadline came first. `wake`, when not null, ends a pause as soon as it is signalled.
template <class Done>
bool waitUntil(Done done, HANDLE wake, Clock::time_point deadline) {
  // How long a pause lasts when neither a message nor `wake` ends it sooner.
  constexpr std::chrono::milliseconds kLookAgain{50};
  for (;;) {
    dispatchRequestMessages();
    if (done()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    MsgWaitForMultipleObjects(wake ? 1 : 0, wake ? &wake : nullptr, FALSE,
                              static_cast<DWORD>(std::min(left, kLookAgain).count()),
                              QS_POSTMESSAGE | QS_SENDMESSAGE);
  }
}

// ---- The request object of a ProgID, where MSXML 6.0's own is missing -------------------------------------

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

// A request made asynchronously and waited for: the request objects have no time limits of their own, so
// the wait ends at the deadline with `abort`. The request keeps its class, and with it the user's Internet
// settings (WinInet's proxy, automatic configuration and proxy sign-in). It follows redirects without
// telling where.
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
    const auto deadline = Clock::now() + wholeBound(limits_, longestWait_);
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
    if (!waitUntil([&] { return ReadyState() == net::ready_state::kComplete; }, nullptr, deadline)) {
      runtime::resumeNext([&] { request_.call(L"abort"); });
      throw timedOut();
    }
    long status = 0;
    try {
      status = LateBound::number(*request_.get(L"status"));
    } catch (const Error& error) {
      throw unreachable(": " + error.description());
    }
    // A request that ended without an answer reports no status, or WinInet's error number in its place.
    if (status == 0) throw unreachable();
    if (status >= kFirstWinInetError && status <= kLastWinInetError)
      throw unreachable(" (WinInet error " + std::to_string(status) + ")");
    body_ = LateBound::bytes(*request_.get(L"responseBody"));
    if (body_.size() > limits_.maxResponseBytes) {
      body_.clear();
      throw tooLarge(limits_.maxResponseBytes);
    }
    status_ = static_cast<int>(status);
  }

  int ReadyState() override { return static_cast<int>(LateBound::number(*request_.get(L"readyState"))); }
  int Status() override { return status_; }
  std::string ResponseText() override { return LateBound::text(*request_.get(L"responseText")); }
  std::string ResponseBody() override { return body_; }

 private:
  LateBound request_;
  std::optional<std::chrono::milliseconds> longestWait_;
  net::RequestLimits limits_;
  std::string body_;
  int status_ = 0;
};

// ---- MSXML 6.0's own request object
// ------------------------------------------------------------------------

// MSXML 6.0's free-threaded request class (msxml6.dll, Windows 8 and later).
constexpr CLSID kFreeThreadedXmlHttp60 = {
    0x88d96a09, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};

// An exclusive hold on a slim lock for as long as it lives.
class Locked {
 public:
  explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  ~Locked() { ReleaseSRWLockExclusive(&lock_); }

 private:
  SRWLOCK& lock_;
};

// What comes back for one request, told by the request object on threads of its own: each redirect, which
// is refused here unless the redirect rule allows it, the status, the body up to its limit, and the end.
// The waiting thread sees the end through an event and then takes the outcome.
class ResponseSink final : public IXMLHTTPRequest2Callback, private RefCounted<ResponseSink> {
  friend class RefCounted<ResponseSink>;

 public:
  struct Outcome {
    std::optional<Error> refused;
    bool tooLarge = false;
    HRESULT failure = S_OK;
    DWORD status = 0;
    std::string body;
  };

  static ComPtr<ResponseSink> create(std::string url) {
    ComPtr<ResponseSink> sink(new ResponseSink(std::move(url)));
    if (!sink->ended_.valid()) throw Error::fromNumber(runtime::kOutOfMemory);
    // The callbacks come on any thread of the request object, which this object takes as it is: the
    // free-threaded marshaler keeps COM from putting a proxy between them.
    HRESULT hr = CoCreateFreeThreadedMarshaler(static_cast<IXMLHTTPRequest2Callback*>(sink.get()),
                                               sink->marshaler_.put());
    if (FAILED(hr)) throw failureOf(hr);
    return sink;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object && IsEqualIID(iid, IID_IMarshal) && marshaler_) return marshaler_->QueryInterface(iid, object);
    return answerQuery(
        iid, object, {{IID_IUnknown, this}, {IID_IXMLHTTPRequest2Callback, this}, {IID_IAgileObject, this}});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }

  HRESULT STDMETHODCALLTYPE OnRedirect(IXMLHTTPRequest2* request, const WCHAR* url) override {
    bool refuse = true;
    try {
      const std::string target = url ? fromWide(url) : std::string();
      Locked hold(lock_);
      if (auto refused = net::refusedRedirect(url_, target, ++redirects_)) {
        if (!endedLocked()) outcome_.refused = std::move(refused);
        endLocked();
      } else {
        refuse = endedLocked();
      }
    } catch (...) {
      fail(E_OUTOFMEMORY);
    }
    // Outside the lock: the request may report its end from inside Abort, on this thread.
    if (refuse && request) request->Abort();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE OnHeadersAvailable(IXMLHTTPRequest2*, DWORD status, const WCHAR*) override {
    Locked hold(lock_);
    if (!endedLocked()) outcome_.status = status;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE OnDataAvailable(IXMLHTTPRequest2*, ISequentialStream* body) override {
    take(body);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE OnResponseReceived(IXMLHTTPRequest2*, ISequentialStream* body) override {
    take(body);
    Locked hold(lock_);
    endLocked();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE OnError(IXMLHTTPRequest2*, HRESULT error) override {
    fail(error);
    return S_OK;
  }

  // The most body bytes the request accepts.
  void expectAtMost(std::size_t bytes) {
    Locked hold(lock_);
    limit_ = bytes;
  }
  HANDLE endedEvent() const { return ended_.get(); }
  bool ended() const { return WaitForSingleObject(ended_.get(), 0) == WAIT_OBJECT_0; }
  // Once ended: how.
  Outcome outcome() {
    Locked hold(lock_);
    return std::move(outcome_);
  }

 private:
  explicit ResponseSink(std::string url) : url_(std::move(url)) {}

  bool endedLocked() const { return ended(); }
  void endLocked() { SetEvent(ended_.get()); }

  void fail(HRESULT error) noexcept {
    Locked hold(lock_);
    if (endedLocked()) return;
    outcome_.failure = FAILED(error) ? error : E_FAIL;
    endLocked();
  }

  // Takes what has arrived of the body. Past the limit it takes nothing more and the request ends, too
  // large, for the waiting thread to abort.
  void take(ISequentialStream* body) noexcept {
    if (!body) return;
    try {
      char buffer[16384];
      for (;;) {
        ULONG read = 0;
        if (FAILED(body->Read(buffer, sizeof buffer, &read)) || read == 0) return;
        Locked hold(lock_);
        if (endedLocked()) return;
        if (outcome_.body.size() + read > limit_) {
          outcome_.body.clear();
          outcome_.tooLarge = true;
          endLocked();
          return;
        }
        outcome_.body.append(buffer, read);
      }
    } catch (...) {
      fail(E_OUTOFMEMORY);
    }
  }

  const std::string url_;
  ComPtr<IUnknown> marshaler_;
  Handle ended_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  SRWLOCK lock_ = SRWLOCK_INIT;
  // Guarded by lock_:
  int redirects_ = 0;
  std::size_t limit_ = net::RequestLimits{}.maxResponseBytes;
  Outcome outcome_;
};

// The headers the request object sends by itself, from the URL and the body; where it declines to take
// them from the caller, it sends its own, with the same values.
bool sentByTheRequestObject(const std::string& header) {
  for (const char* own : {"Host", "Content-Length", "Connection"}) {
    if (_stricmp(header.c_str(), own) == 0) return true;
  }
  return false;
}

ComPtr<IStream> memoryStream(const std::string& bytes) {
  ComPtr<IStream> stream;
  ULONG written = 0;
  LARGE_INTEGER start{};
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
      FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) ||
      written != bytes.size() || FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) {
    throw Error::fromNumber(runtime::kOutOfMemory);
  }
  return stream;
}

// A request through MSXML 6.0's own request object, waited for up to its deadline and aborted there. The
// object asks before it follows a redirect, and the redirect rule answers. It goes through WinInet as the
// other request objects do, with the user's Internet settings.
class NativeRequest final : public net::HttpRequest {
 public:
  NativeRequest(ComPtr<IXMLHTTPRequest2> request, std::optional<std::chrono::milliseconds> longestWait)
      : request_(std::move(request)), longestWait_(longestWait) {}
  NativeRequest(const NativeRequest&) = delete;
  NativeRequest& operator=(const NativeRequest&) = delete;
  ~NativeRequest() override {
    if (sink_ && sent_ && !sink_->ended()) request_->Abort();
  }

  void Open(const std::string& method, const std::string& url, bool async) override {
    if (async) throw Error(runtime::kInvalidProcedureCall, "Only synchronous requests are supported");
    ComPtr<ResponseSink> sink = ResponseSink::create(url);
    HRESULT hr = request_->Open(toWide(method).c_str(), toWide(url).c_str(), sink.get(), nullptr, nullptr,
                                nullptr, nullptr);
    if (FAILED(hr)) throw failureOf(hr);
    sink_ = std::move(sink);
    state_ = net::ready_state::kOpen;
  }

  void SetRequestHeader(const std::string& name, const std::string& value) override {
    requireOpen();
    HRESULT hr = request_->SetRequestHeader(toWide(name).c_str(), toWide(value).c_str());
    if (FAILED(hr) && !sentByTheRequestObject(name)) throw failureOf(hr);
  }

  void SetLimits(const net::RequestLimits& limits) override { limits_ = limits; }

  void Send(const std::string& body) override {
    requireOpen();
    if (sent_) throw Error(runtime::kInvalidProcedureCall, "The request has been sent");
    const auto deadline = Clock::now() + wholeBound(limits_, longestWait_);
    ComPtr<IStream> stream;
    if (!body.empty()) stream = memoryStream(body);
    sink_->expectAtMost(limits_.maxResponseBytes);
    HRESULT hr = request_->Send(stream.get(), body.size());
    if (FAILED(hr)) throw failureOf(hr);
    sent_ = true;
    if (!waitUntil([&] { return sink_->ended(); }, sink_->endedEvent(), deadline)) {
      request_->Abort();
      throw timedOut();
    }
    ResponseSink::Outcome outcome = sink_->outcome();
    // The sink aborted a refused redirect at once, where the object let it; this stops it where not.
    if (outcome.refused || outcome.tooLarge) request_->Abort();
    if (outcome.refused) throw *outcome.refused;
    if (outcome.tooLarge) throw tooLarge(limits_.maxResponseBytes);
    if (FAILED(outcome.failure)) throw failureOf(outcome.failure);
    if (outcome.status == 0) throw unreachable();
    body_ = std::move(outcome.body);
    status_ = static_cast<int>(outcome.status);
    state_ = net::ready_state::kComplete;
  }

  int ReadyState() override { return state_; }
  int Status() override { return status_; }
  // The body read as UTF-8, as the request objects read an answer that names no character set.
  std::string ResponseText() override { return runtime::utf8ToCp1252(body_); }
  std::string ResponseBody() override { return body_; }

 private:
  void requireOpen() const {
    if (state_ != net::ready_state::kOpen)
      throw Error(runtime::kInvalidProcedureCall, "The request is not open");
  }

  ComPtr<IXMLHTTPRequest2> request_;
  std::optional<std::chrono::milliseconds> longestWait_;
  ComPtr<ResponseSink> sink_;
  net::RequestLimits limits_;
  bool sent_ = false;
  std::string body_;
  int state_ = net::ready_state::kUninitialized;
  int status_ = 0;
};

}  // namespace

ComPtr<IXMLHTTPRequest2> createNativeRequest() {
  ComPtr<IXMLHTTPRequest2> request;
  if (FAILED(CoCreateInstance(kFreeThreadedXmlHttp60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLHTTPRequest2,
                              reinterpret_cast<void**>(request.put())))) {
    request.reset();
  }
  return request;
}

std::unique_ptr<net::HttpRequest> MsxmlHttp::CreateRequest(net::RequestClass requestClass) {
  if (ComPtr<IXMLHTTPRequest2> native = nativeRequest_()) {
    return std::make_unique<NativeRequest>(std::move(native), longestWait_);
  }
  return std::make_unique<MsxmlRequest>(requestClass, longestWait_);
}

}  // namespace tw::win32
