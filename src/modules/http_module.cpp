#include "modules/module_entries.h"
#include "posix/curl_http.h"

extern "C" void tallyweave_create_http(const std::optional<std::chrono::milliseconds>& longestWait,
                                       std::unique_ptr<tw::net::Http>& http) {
  http = std::make_unique<tw::posix::CurlHttp>(longestWait);
}

static_assert(std::is_same_v<decltype(tallyweave_create_http), tw::modules::CreateHttp>);
