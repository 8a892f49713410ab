#pragma once

// The synchronous HTTP request (the MSXML request object). Bodies are byte strings.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace tw::net {

// The error a request raises when it did not connect or complete within its limits (0x80072EE2).
constexpr long kTimedOut = -2147012894;
// The error a request raises when the answer is longer than its limit allows (0x80070008, no room).
constexpr long kResponseTooLarge = -2147024888;
// The error a request raises when it will not follow a redirect (0x80072F7C): one to another scheme, host
// or port, or one hop too many.
constexpr long kRedirectRefused = -2147012740;
// The most redirects a request follows, each to the scheme, host and port it was sent to.
constexpr int kMaxRedirects = 5;

// Bounds of one request, so that a silent or endless server cannot hold Word forever.
struct RequestLimits {
  std::chrono::milliseconds connect{15'000};
  std::chrono::milliseconds whole{120'000};
  std::size_t maxResponseBytes = 1'000'000;
};

// The values of HttpRequest::ReadyState, counted as MSXML's request objects count them.
namespace ready_state {
constexpr int kUninitialized = 0;  // made, not yet opened
constexpr int kOpen = 1;           // Open called
constexpr int kSent = 2;           // Send called, no answer yet
constexpr int kReceiving = 3;      // part of the answer received
constexpr int kComplete = 4;       // the whole answer received
}  // namespace ready_state

class HttpRequest {
 public:
  virtual ~HttpRequest() = default;
  // ready_state::kOpen after Open. Only synchronous requests (async false) are supported.
  virtual void Open(const std::string& method, const std::string& url, bool async) = 0;
  virtual void SetRequestHeader(const std::string& name, const std::string& value) = 0;
  // The bounds of the next Send; until set, the defaults of RequestLimits.
  virtual void SetLimits(const RequestLimits& limits) = 0;
  // Returns when the response is complete (ready_state::kComplete). Redirects are followed only to the same
  // scheme, host and port, at most kMaxRedirects of them, sending the request again as it was. Network
  // failures, timeouts, answers beyond the limit and refused redirects throw runtime::Error.
  virtual void Send(const std::string& body = {}) = 0;
  virtual int ReadyState() = 0;
  virtual int Status() = 0;
  virtual std::string ResponseText() = 0;
  virtual std::string ResponseBody() = 0;
};

// The request object a request is made with: the upload uses "MSXML2.XMLHTTP", the installer download
// the MSXML 6.0 request class ("MSXML2.XMLHTTP.6.0").
enum class RequestClass { kXmlHttp, kXmlHttp60 };

class Http {
 public:
  virtual ~Http() = default;
  virtual std::unique_ptr<HttpRequest> CreateRequest(RequestClass requestClass) = 0;
};

}  // namespace tw::net
