#pragma once

#include "platform/net/http.h"

namespace tw::posix {

// Synchronous HTTP over libcurl, with real TLS.
class CurlHttp : public net::Http {
 public:
  std::unique_ptr<net::HttpRequest> CreateRequest() override;
};

}  // namespace tw::posix
