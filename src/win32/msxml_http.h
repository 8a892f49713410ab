#pragma once

// HTTP through the MSXML request objects, created by ProgID and called by name as a script would.

#include <chrono>
#include <optional>

#include "platform/net/http.h"

namespace tw::win32 {

class MsxmlHttp final : public net::Http {
 public:
  // `longestWait`: no time bound of a request exceeds it, whatever the request asks.
  explicit MsxmlHttp(std::optional<std::chrono::milliseconds> longestWait) : longestWait_(longestWait) {}

  std::unique_ptr<net::HttpRequest> CreateRequest(net::RequestClass requestClass) override;

 private:
  std::optional<std::chrono::milliseconds> longestWait_;
};

}  // namespace tw::win32
