#pragma once

// A stand-in for the service's side of the upload and the update, on loopback: for tests, and for
// people who want to try the add-in without the real service.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tw::standin {

// How the stand-in answers an upload.
enum class ServiceAnswer {
  kOk,       // checks the upload and answers "ok" only for a valid one
  kError,    // always "error"
  kGarbage,  // a text that is neither "ok", "error" nor the refusal
  kSlow,     // never answers (until the service stops)
};

struct ServiceOptions {
  int port = 0;  // 0: any free port
  // With both set, an upload must carry this pair and the checksum that fits it.
  std::optional<std::string> user;
  std::optional<std::string> password;
  std::optional<std::string> installerFile;  // served at kInstallerPath
  std::optional<std::string> storeDir;       // accepted templates are written here under their file name
  ServiceAnswer answer = ServiceAnswer::kOk;
};

constexpr std::string_view kUploadPath = "/upload";
constexpr std::string_view kInstallerPath = "/twUpdate.exe";
// /redirect/<hops>?to=<address>: that many redirects of the service's own, then one to the address.
constexpr std::string_view kRedirectPath = "/redirect";

// An upload as the strict check read it; texts as sent (Windows-1252), `document` decoded.
struct ReceivedUpload {
  std::string sessionId;
  bool withCredentials = false;
  std::string user;
  std::string checksum;
  std::string password;
  std::string fileName;
  std::string document;
};

// Reads a multipart upload body strictly: the boundary, the parts in their order with their exact
// headers, CR LF everywhere, clean Base64 in the doc part, nothing after the closing boundary, and the
// checksum against the lengths. The reason when the body is not valid.
std::variant<ReceivedUpload, std::string> readUploadBody(std::string_view body);

// A request as the stand-in received it.
struct ReceivedRequest {
  std::string method;
  std::string path;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

class Service {
 public:
  // Starts listening on 127.0.0.1; what it does is logged to `log`, a line per request.
  Service(ServiceOptions options, std::ostream& log);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  int port() const;
  // The requests received so far, in order.
  std::vector<ReceivedRequest> received() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// `tallyweave service`: runs until interrupted. Returns the exit status.
int runService(const ServiceOptions& options, std::ostream& console);

}  // namespace tw::standin
