#include "posix/curl_http.h"

#include <curl/curl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

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

size_t appendBody(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

class CurlRequest : public net::HttpRequest {
 public:
  void Open(const std::string& method, const std::string& url, bool async) override {
    if (async)
      throw runtime::Error(runtime::kInvalidProcedureCall, "Only synchronous requests are supported");
    method_ = method;
    url_ = url;
    headers_.clear();
    state_ = 1;
  }

  void SetRequestHeader(const std::string& name, const std::string& value) override {
    if (state_ != 1) throw runtime::Error(runtime::kInvalidProcedureCall, "The request is not open");
    headers_.emplace_back(name, value);
  }

  void Send(const std::string& body) override {
    if (state_ != 1) throw runtime::Error(runtime::kInvalidProcedureCall, "The request is not open");
    static CurlGlobal global;
    std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl) throw runtime::Error::fromNumber(runtime::kOutOfMemory);
    std::unique_ptr<curl_slist, ListDeleter> headers;
    for (const auto& [name, value] : headers_) {
      curl_slist* appended = curl_slist_append(headers.get(), (name + ": " + value).c_str());
      if (!appended) throw runtime::Error::fromNumber(runtime::kOutOfMemory);
      headers.release();
      headers.reset(appended);
    }
    response_.clear();
    curl_easy_setopt(curl.get(), CURLOPT_URL, url_.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_CUSTOMREQUEST, method_.c_str());
    if (method_ != "GET" && method_ != "HEAD") {
      curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.data());
      curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &response_);
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    CURLcode result = curl_easy_perform(curl.get());
    if (result != CURLE_OK) {
      throw runtime::Error(kResourceNotFound,
                           std::string("The server could not be reached: ") + curl_easy_strerror(result));
    }
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    status_ = static_cast<int>(status);
    state_ = 4;
  }

  int ReadyState() override { return state_; }
  int Status() override { return status_; }
  std::string ResponseText() override { return response_; }
  std::string ResponseBody() override { return response_; }

 private:
  std::string method_;
  std::string url_;
  std::vector<std::pair<std::string, std::string>> headers_;
  std::string response_;
  int state_ = 0;
  int status_ = 0;
};

}  // namespace

std::unique_ptr<net::HttpRequest> CurlHttp::CreateRequest() {
  return std::make_unique<CurlRequest>();
}

}  // namespace tw::posix
