#include <memory>
#include <optional>
#include <string>

#include "modules/entry_guard.h"
#include "modules/module_entries.h"
#include "posix/curl_http.h"

// What the program holds a request by.
struct TwHttpRequest {
  std::unique_ptr<tw::net::HttpRequest> request;
};

namespace tw::modules {
namespace {

bool create(int64_t longestWaitMilliseconds, int requestClass, TwHttpRequest** request,
            const TwError* error) {
  return guarded(error, [&] {
    std::optional<std::chrono::milliseconds> longestWait;
    if (longestWaitMilliseconds >= 0) longestWait = std::chrono::milliseconds(longestWaitMilliseconds);
    auto made = std::make_unique<TwHttpRequest>(
        posix::CurlHttp(longestWait).CreateRequest(static_cast<net::RequestClass>(requestClass)));
    *request = made.release();  // owned by the program's handle from here, given back to destroy()
  });
}

void destroy(TwHttpRequest* request) {
  delete request;
}

bool open(TwHttpRequest* request, TwText method, TwText url, bool async, const TwError* error) {
  return guarded(
      error, [&] { request->request->Open(std::string(viewOf(method)), std::string(viewOf(url)), async); });
}

bool setRequestHeader(TwHttpRequest* request, TwText name, TwText value, const TwError* error) {
  return guarded(error, [&] {
    request->request->SetRequestHeader(std::string(viewOf(name)), std::string(viewOf(value)));
  });
}

bool setLimits(TwHttpRequest* request, const TwHttpLimits* limits, const TwError* error) {
  return guarded(error, [&] {
    request->request->SetLimits({.connect = std::chrono::milliseconds(limits->connectMilliseconds),
                                 .whole = std::chrono::milliseconds(limits->wholeMilliseconds),
                                 .maxResponseBytes = limits->maxResponseBytes});
  });
}

bool send(TwHttpRequest* request, TwText body, const TwError* error) {
  return guarded(error, [&] { request->request->Send(std::string(viewOf(body))); });
}

bool readyState(TwHttpRequest* request, int* state, const TwError* error) {
  return guarded(error, [&] { *state = request->request->ReadyState(); });
}

bool status(TwHttpRequest* request, int* status, const TwError* error) {
  return guarded(error, [&] { *status = request->request->Status(); });
}

bool responseText(TwHttpRequest* request, const TwSink* text, const TwError* error) {
  return guarded(error, [&] { writeTo(*text, request->request->ResponseText()); });
}

bool responseBody(TwHttpRequest* request, const TwSink* body, const TwError* error) {
  return guarded(error, [&] { writeTo(*body, request->request->ResponseBody()); });
}

constexpr TwHttpFunctions kFunctions = {create, destroy,    open,   setRequestHeader, setLimits,
                                        send,   readyState, status, responseText,     responseBody};

}  // namespace
}  // namespace tw::modules

extern "C" const TwHttpFunctions* tallyweave_http_functions() {
  return &tw::modules::kFunctions;
}

static_assert(std::is_same_v<decltype(tallyweave_http_functions), TwHttpEntry>);
