#pragma once

#include <chrono>
#include <optional>

#include "platform/net/http.h"

namespace tw::posix {

// Synchronous HTTP over libcurl, with real TLS.
class CurlHttp : public net::Http {
 public:
  CurlHttp() = default;
  // `longestWait`: no time bound of a request exceeds it, whatever the request asks (for tests and for
  // trying the add-in against a local service).
  explicit CurlHttp(std::optional<std::chrono::milliseconds> longestWait) : longestWait_(longestWait) {}

  std::unique_ptr<net::HttpRequest> CreateRequest(net::RequestClass requestClass) override;

 private:
  std::optional<std::chrono::milliseconds> longestWait_;
};

}  // namespace tw::posix
