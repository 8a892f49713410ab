#pragma once

// HTTP through MSXML's request objects. Both request classes go through MSXML 6.0's own request object
// (IXMLHTTPRequest2, Windows 8 and later), which asks before it follows a redirect, so that the redirect
// rule of platform/net/redirect.h holds; where that object is missing, through the request object of the
// class's ProgID, called by name as a script would, which follows every redirect unasked.

#include <chrono>
#include <optional>

#include "platform/net/http.h"
#include "win32/com_ptr.h"
#include "win32/xmlhttp2_h.h"

namespace tw::win32 {

// A new request object of MSXML 6.0's own interface; null where the class is not there.
using NativeRequestFactory = ComPtr<IXMLHTTPRequest2> (*)();
ComPtr<IXMLHTTPRequest2> createNativeRequest();

class MsxmlHttp final : public net::Http {
 public:
  // `longestWait`: no time bound of a request exceeds it, whatever the request asks. `nativeRequest` makes
  // the request objects that check redirects (another one only for trying this class).
  explicit MsxmlHttp(std::optional<std::chrono::milliseconds> longestWait,
                     NativeRequestFactory nativeRequest = createNativeRequest)
      : longestWait_(longestWait), nativeRequest_(nativeRequest) {}

  std::unique_ptr<net::HttpRequest> CreateRequest(net::RequestClass requestClass) override;

 private:
  std::optional<std::chrono::milliseconds> longestWait_;
  NativeRequestFactory nativeRequest_;
};

}  // namespace tw::win32
