#include "standin/service.h"

#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <ostream>
#include <sstream>
#include <thread>

#include "runtime/codepage.h"
#include "server/base64.h"
#include "server/upload_protocol.h"

namespace tw::standin {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kTextPartType = "Content-Type: text/plain; charset=Windows-1252";
// The library would take a multipart body apart itself, leniently; the stand-in reads the raw bytes, so
// the content type is moved aside before the body is read.
constexpr const char* kOriginalContentType = "X-Tallyweave-Content-Type";
constexpr const char* kGarbageAnswer = "<html><body>503 Service Unavailable</body></html>";

bool isBase64Text(std::string_view text) {
  if (text.size() % 4 != 0) return false;
  size_t padding = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool alphabet =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
    if (c == '=') {
      ++padding;
    } else if (!alphabet || padding > 0) {
      return false;  // a foreign character, or data after the padding
    }
  }
  return padding <= 2;
}

// Walks the body line by line; every line must end with CR LF.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  std::optional<std::string_view> next() {
    size_t end = text_.find(kCrLf, position_);
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view line = text_.substr(position_, end - position_);
    position_ = end + kCrLf.size();
    return line;
  }
  bool atEnd() const { return position_ == text_.size(); }

 private:
  std::string_view text_;
  size_t position_ = 0;
};

struct Refused {
  std::string reason;
};

std::string_view expectLine(LineReader& lines, std::string_view wanted, const char* what) {
  auto line = lines.next();
  if (!line) throw Refused{std::string("the body ends before ") + what};
  if (*line != wanted)
    throw Refused{std::string("expected ") + what + ", found '" + std::string(*line) + "'"};
  return *line;
}

std::string_view valueLine(LineReader& lines, const char* what) {
  auto line = lines.next();
  if (!line) throw Refused{std::string("the body ends before the value of ") + what};
  return *line;
}

std::string disposition(std::string_view name) {
  return "Content-Disposition: form-data; name=\"" + std::string(name) + "\"";
}

const std::string& boundaryLine() {
  static const std::string line = "--" + std::string(addin::kUploadBoundary);
  return line;
}

// A text part after its disposition line: type, empty line, value, then the boundary that follows it.
std::string readTextPartRest(LineReader& lines, const char* name) {
  expectLine(lines, kTextPartType, "the text part's content type");
  expectLine(lines, "", "the empty line after the part's headers");
  std::string value(valueLine(lines, name));
  expectLine(lines, boundaryLine(), "the boundary");
  return value;
}

ReceivedUpload readUpload(std::string_view body) {
  LineReader lines(body);
  ReceivedUpload upload;
  expectLine(lines, boundaryLine(), "the opening boundary");
  expectLine(lines, disposition("sessid"), "the sessid part");
  upload.sessionId = readTextPartRest(lines, "sessid");

  auto line = lines.next();
  if (!line) throw Refused{"the body ends before the doc part"};
  if (*line == disposition("user")) {
    upload.withCredentials = true;
    upload.user = readTextPartRest(lines, "user");
    expectLine(lines, disposition("checksum"), "the checksum part");
    upload.checksum = readTextPartRest(lines, "checksum");
    expectLine(lines, disposition("pass"), "the pass part");
    upload.password = readTextPartRest(lines, "pass");
    line = lines.next();
    if (!line) throw Refused{"the body ends before the doc part"};
  }
  const std::string docPrefix = disposition("doc") + "; filename=\"";
  if (!line->starts_with(docPrefix) || !line->ends_with("\"") || line->size() <= docPrefix.size())
    throw Refused{"expected the doc part with its file name, found '" + std::string(*line) + "'"};
  upload.fileName = std::string(line->substr(docPrefix.size(), line->size() - docPrefix.size() - 1));
  expectLine(lines, "Content-Type: application/msword", "the doc part's content type");
  expectLine(lines, "", "the empty line after the doc part's headers");
  std::string_view encoded = valueLine(lines, "doc");
  if (!isBase64Text(encoded)) throw Refused{"the doc part is not clean Base64 on one line"};
  upload.document = addin::base64Decode(encoded);
  expectLine(lines, boundaryLine() + "--", "the closing boundary");
  if (!lines.atEnd()) throw Refused{"bytes follow the closing boundary"};

  if (upload.withCredentials) {
    std::string expected = addin::formatChecksum(addin::uploadChecksum(
        static_cast<long long>(upload.document.size()), static_cast<long long>(upload.user.size()),
        static_cast<long long>(upload.password.size())));
    if (upload.checksum != expected)
      throw Refused{"checksum '" + upload.checksum + "' does not fit the lengths (expected '" + expected +
                    "')"};
  }
  return upload;
}

bool safeFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

std::variant<ReceivedUpload, std::string> readUploadBody(std::string_view body) {
  try {
    return readUpload(body);
  } catch (const Refused& refused) {
    return refused.reason;
  }
}

struct Service::State {
  ServiceOptions options;
  std::ostream& log;
  httplib::Server server;
  std::thread thread;
  std::atomic<bool> stopping = false;
  mutable std::mutex mutex;  // guards `received` and `log`
  std::vector<ReceivedRequest> received;
  int port = 0;

  State(ServiceOptions serviceOptions, std::ostream& out) : options(std::move(serviceOptions)), log(out) {}

  void note(const std::string& line) {
    std::lock_guard lock(mutex);
    log << line << "\n" << std::flush;
  }

  void record(const httplib::Request& request) {
    ReceivedRequest copy{request.method, request.path, {}, request.body};
    for (const auto& [name, value] : request.headers) {
      copy.headers.emplace_back(name == kOriginalContentType ? "Content-Type" : name, value);
    }
    std::lock_guard lock(mutex);
    received.push_back(std::move(copy));
  }

  // Holds the request until the service stops: a server that never answers.
  void hang() {
    while (!stopping) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  std::string answerUpload(const httplib::Request& request) {
    if (request.get_header_value(kOriginalContentType) != addin::kUploadContentType)
      return "error: the content type is not the upload's multipart type";
    auto result = readUploadBody(request.body);
    if (auto* reason = std::get_if<std::string>(&result)) return "error: " + *reason;
    const ReceivedUpload& upload = std::get<ReceivedUpload>(result);
    if (options.user && options.password &&
        (!upload.withCredentials || upload.user != *options.user || upload.password != *options.password)) {
      note("upload refused: the credentials do not match");
      return std::string(addin::kNotAuthenticatedMarker);
    }
    if (!safeFileName(upload.fileName)) return "error: the file name is not a plain name";
    if (options.storeDir) {
      std::filesystem::path target = std::filesystem::path(*options.storeDir) / upload.fileName;
      std::ofstream out(target, std::ios::binary | std::ios::trunc);
      out.write(upload.document.data(), static_cast<std::streamsize>(upload.document.size()));
      if (!out) return "error: the template could not be stored";
      note("stored " + target.string() + " (" + std::to_string(upload.document.size()) + " bytes)");
    }
    return "ok";
  }

  void onUpload(const httplib::Request& request, httplib::Response& response) {
    record(request);
    switch (options.answer) {
      case ServiceAnswer::kSlow:
        hang();
        return;
      case ServiceAnswer::kError:
        response.set_content("error", "text/plain");
        return;
      case ServiceAnswer::kGarbage:
        response.set_content(kGarbageAnswer, "text/html");
        return;
      case ServiceAnswer::kOk:
        break;
    }
    std::string answer = answerUpload(request);
    note("POST " + request.path + ": " + runtime::cp1252ToUtf8(answer));
    response.set_content(answer, "text/plain; charset=Windows-1252");
  }

  void onInstaller(const httplib::Request& request, httplib::Response& response) {
    record(request);
    if (options.answer == ServiceAnswer::kSlow) return hang();
    if (!options.installerFile) {
      response.status = 404;
      response.set_content("no installer here", "text/plain");
    } else {
      response.status = 200;  // httplib fills it in only after the handler, too late for the log
      response.set_content(readWhole(*options.installerFile), "application/octet-stream");
    }
    note("GET " + request.path + ": " + std::to_string(response.status));
  }

  // Sends a request on through `hops` redirects: to /redirect/<hops - 1> with the same query, and from
  // /redirect/1 to the address in "to". For trying a client's redirect rule.
  void onRedirect(const httplib::Request& request, httplib::Response& response) {
    record(request);
    const int hops = std::stoi(request.matches[1]);
    const auto query = request.target.find('?');
    if (hops < 1 || !request.has_param("to") || query == std::string::npos) {
      response.status = 400;
      response.set_content("a redirect needs /redirect/<hops>?to=<address>", "text/plain");
      return;
    }
    const std::string location = hops > 1
                                     ? "/redirect/" + std::to_string(hops - 1) + request.target.substr(query)
                                     : request.get_param_value("to");
    response.status = 302;
    response.set_header("Location", location);
    note(request.method + " " + request.path + ": 302 to " + location);
  }
};

Service::Service(ServiceOptions options, std::ostream& log)
    : state_(std::make_shared<State>(std::move(options), log)) {
  State& s = *state_;
  s.server.set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
    // The request object is the server's own, not const; only the handler's view of it is.
    auto& headers = const_cast<httplib::Headers&>(request.headers);
    auto type = headers.find("Content-Type");
    if (type != headers.end()) {
      std::string value = type->second;
      headers.erase(type);
      headers.emplace(kOriginalContentType, value);
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  s.server.Post(std::string(kUploadPath), [&s](const httplib::Request& request, httplib::Response& response) {
    s.onUpload(request, response);
  });
  s.server.Get(std::string(kInstallerPath),
               [&s](const httplib::Request& request, httplib::Response& response) {
                 s.onInstaller(request, response);
               });
  const auto redirect = [&s](const httplib::Request& request, httplib::Response& response) {
    s.onRedirect(request, response);
  };
  s.server.Get(std::string(kRedirectPath) + R"(/(\d{1,2}))", redirect);
  s.server.Post(std::string(kRedirectPath) + R"(/(\d{1,2}))", redirect);
  if (s.options.port == 0) {
    s.port = s.server.bind_to_any_port("127.0.0.1");
  } else if (s.server.bind_to_port("127.0.0.1", s.options.port)) {
    s.port = s.options.port;
  }
  if (s.port <= 0) throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(s.options.port));
  s.thread = std::thread([&s] { s.server.listen_after_bind(); });
  while (!s.server.is_running()) std::this_thread::yield();
}

Service::~Service() {
  state_->stopping = true;
  state_->server.stop();
  state_->thread.join();
}

int Service::port() const {
  return state_->port;
}

std::vector<ReceivedRequest> Service::received() const {
  std::lock_guard lock(state_->mutex);
  return state_->received;
}

int runService(const ServiceOptions& options, std::ostream& console) {
  // Interrupts are taken by sigwait below, not by the server's threads.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  try {
    Service service(options, console);
    console << "tallyweave service: listening on http://127.0.0.1:" << service.port() << " (upload "
            << kUploadPath << ", installer " << kInstallerPath << ")\n"
            << std::flush;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    console << "tallyweave service: stopped\n";
    return 0;
  } catch (const std::exception& error) {
    console << "tallyweave service: " << error.what() << "\n";
    return 2;
  }
}

}  // namespace tw::standin
