#pragma once

// HTTP through the MSXML request objects, created by ProgID and called by name as a script would.

#include "platform/net/http.h"

namespace tw::win32 {

class MsxmlHttp final : public net::Http {
 public:
  std::unique_ptr<net::HttpRequest> CreateRequest(net::RequestClass requestClass) override;
};

}  // namespace tw::win32
