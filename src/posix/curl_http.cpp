#include "posix/curl_http.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/net/redirect.h"
#include "runtime/error.h"

namespace tw::posix {
namespace {

// The error the request object reports when the server cannot be reached.
constexpr long kResourceNotFound = -2146697211;  // 0x800C0005

struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~CurlGlobal() { curl_global_cleanup(); }
};

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The answer as it arrives; stops the transfer once it would pass the limit.
struct ResponseSink {
  std::string bytes;
  std::size_t limit = 0;
  bool tooLarge = false;
};

size_t appendBody(char* data, size_t size, size_t count, void* target) {
  auto& sink = *static_cast<ResponseSink*>(target);
  if (sink.bytes.size() + size * count > sink.limit) {
    sink.tooLarge = true;
    return 0;
  }
  sink.bytes.append(data, size * count);
  return size * count;
}

long milliseconds(std::chrono::milliseconds wanted, std::optional<std::chrono::milliseconds> longest) {
  if (longest && *longest < wanted) wanted = *longest;
  return static_cast<long>(std::max<std::chrono::milliseconds::rep>(1, wanted.count()));
}

// Runs one transfer and turns its failures into the request object's errors.
void perform(CURL* curl, const ResponseSink& sink) {
  CURLcode result = curl_easy_perform(curl);
  if (sink.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
    throw runtime::Error(
        net::kResponseTooLarge,
        "The answer is longer than the " + std::to_string(sink.limit) + " bytes this request accepts");
  }
  if (result == CURLE_OPERATION_TIMEDOUT) throw runtime::Error(net::kTimedOut, "The operation timed out");
  if (result != CURLE_OK) {
    throw runtime::Error(kResourceNotFound,
                         std::string("The server could not be reached: ") + curl_easy_strerror(result));
  }
}

class CurlRequest : public net::HttpRequest {
 public:
  explicit CurlRequest(std::optional<std::chrono::milliseconds> longestWait) : longestWait_(longestWait) {}

  void Open(const std::string& method, const std::string& url, bool async) override {
    if (async)
      throw runtime::Error(runtime::kInvalidProcedureCall, "Only synchronous requests are supported");
    method_ = method;
    url_ = url;
    headers_.clear();
    state_ = net::ready_state::kOpen;
  }

  void SetRequestHeader(const std::string& name, const std::string& value) override {
    if (state_ != 1) throw runtime::Error(runtime::kInvalidProcedureCall, "The request is not open");
    headers_.emplace_back(name, value);
  }

  void SetLimits(const net::RequestLimits& limits) override { limits_ = limits; }

  void Send(const std::string& body) override {
    if (state_ != 1) throw runtime::Error(runtime::kInvalidProcedureCall, "The request is not open");
    static CurlGlobal global;
    std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl) throw runtime::Error::fromNumber(runtime::kOutOfMemory);
    std::unique_ptr<curl_slist, ListDeleter> headers;
    // The request object sends no "Expect: 100-continue" of its own; curl would add one to larger bodies.
    auto lines = headers_;
    lines.emplace_back("Expect", "");
    for (const auto& [name, value] : lines) {
      curl_slist* appended = curl_slist_append(headers.get(), (name + ": " + value).c_str());
      if (!appended) throw runtime::Error::fromNumber(runtime::kOutOfMemory);
      headers.release();
      headers.reset(appended);
    }
    if (method_ != "GET" && method_ != "HEAD") {
      curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.data());
      curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    curl_easy_setopt(curl.get(), CURLOPT_CUSTOMREQUEST, method_.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS, milliseconds(limits_.connect, longestWait_));
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, milliseconds(limits_.whole, longestWait_));
    curl_easy_setopt(curl.get(), CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(limits_.maxResponseBytes));
    // Redirects are followed here, each checked before it is sent (curl would follow one to any server).
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);

    std::string url = url_;
    for (int redirects = 0;; ++redirects) {
      ResponseSink sink{.bytes = {}, .limit = limits_.maxResponseBytes, .tooLarge = false};
      curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
      curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &sink);
      perform(curl.get(), sink);
      long status = 0;
      curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
      char* location = nullptr;
      curl_easy_getinfo(curl.get(), CURLINFO_REDIRECT_URL, &location);
      if (status / 100 != 3 || !location) {
        status_ = static_cast<int>(status);
        response_ = std::move(sink.bytes);
        state_ = net::ready_state::kComplete;
        return;
      }
      if (auto refused = net::refusedRedirect(url_, location, redirects + 1)) throw *refused;
      url = location;
    }
  }

  int ReadyState() override { return state_; }
  int Status() override { return status_; }
  std::string ResponseText() override { return response_; }
  std::string ResponseBody() override { return response_; }

 private:
  std::optional<std::chrono::milliseconds> longestWait_;
  net::RequestLimits limits_;
  std::string method_;
  std::string url_;
  std::vector<std::pair<std::string, std::string>> headers_;
  std::string response_;
  int state_ = net::ready_state::kUninitialized;
  int status_ = 0;
};

}  // namespace

std::unique_ptr<net::HttpRequest> CurlHttp::CreateRequest(net::RequestClass /*requestClass*/) {
  return std::make_unique<CurlRequest>(longestWait_);
}

}  // namespace tw::posix
