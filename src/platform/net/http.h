#pragma once

// The synchronous HTTP request (the MSXML request object). Bodies are byte strings.

#include <memory>
#include <string>

namespace tw::net {

class HttpRequest {
 public:
  virtual ~HttpRequest() = default;
  // readyState 1 after Open. Only synchronous requests (async false) are supported.
  virtual void Open(const std::string& method, const std::string& url, bool async) = 0;
  virtual void SetRequestHeader(const std::string& name, const std::string& value) = 0;
  // Returns when the response is complete (readyState 4). Network failures throw runtime::Error.
  virtual void Send(const std::string& body = {}) = 0;
  virtual int ReadyState() = 0;
  virtual int Status() = 0;
  virtual std::string ResponseText() = 0;
  virtual std::string ResponseBody() = 0;
};

class Http {
 public:
  virtual ~Http() = default;
  virtual std::unique_ptr<HttpRequest> CreateRequest() = 0;
};

}  // namespace tw::net
