#include "cli/modules.h"

#include <dlfcn.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/print/layout_codec.h"
#include "engine/print/pdf_printer.h"
#include "modules/module_entries.h"
#include "runtime/error.h"

namespace tw::cli {
namespace {

// Where modules are looked for: beside the running program (the command and its modules go together),
// then in the folder the build puts them in (for the build's tests and benchmarks, which live elsewhere).
// Always by full path: a sanitizer's dlopen interceptor hides the program's own run path.
std::vector<std::filesystem::path> moduleFolders() {
  std::vector<std::filesystem::path> folders;
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) folders.push_back(program.parent_path());
  folders.emplace_back(TW_MODULE_DIR);
  return folders;
}

// A loaded module. It stays mapped after the handle closes (RTLD_NODELETE): objects it made may outlive
// the handle at exit.
class Module {
 public:
  explicit Module(const char* fileName) : fileName_(fileName) {
    std::string searched;
    for (const std::filesystem::path& folder : moduleFolders()) {
      const std::filesystem::path path = folder / fileName;
      std::error_code error;
      if (!std::filesystem::exists(path, error)) {
        searched += (searched.empty() ? "" : ", ") + folder.string();
        continue;
      }
      handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
      if (!handle_) fail(::dlerror());
      return;
    }
    fail(("not found in " + searched).c_str());
  }
  ~Module() { ::dlclose(handle_); }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  template <typename Function>
  Function& entry(const char* name) const {
    void* address = ::dlsym(handle_, name);
    if (!address) fail(::dlerror());
    return *reinterpret_cast<Function*>(address);
  }

 private:
  [[noreturn]] void fail(const char* reason) const {
    throw runtime::Error(runtime::kActiveXCannotCreateObject,
                         std::string("Cannot load the module ") + fileName_ + ": " + (reason ? reason : ""));
  }

  const char* fileName_;
  void* handle_ = nullptr;
};

// Each module is loaded once per process, by the first thread that needs it.
const Module& pdfModule() {
  static const Module module(modules::kPdfModule);
  return module;
}

const Module& httpModule() {
  static const Module module(modules::kHttpModule);
  return module;
}

const Module& serviceModule() {
  static const Module module(modules::kServiceModule);
  return module;
}

// Calls a module's entry with the TwError it reports to, then throws what it reported as the
// runtime::Error it caught.
template <class Entry>
void call(Entry&& entry) {
  std::optional<runtime::Error> failure;
  const TwError error{&failure, [](void* context, long number, TwText description, TwText source) noexcept {
                        try {
                          static_cast<std::optional<runtime::Error>*>(context)->emplace(
                              number, std::string(modules::viewOf(description)),
                              std::string(modules::viewOf(source)));
                        } catch (...) {
                          // Left empty: reported as out of memory below.
                        }
                      }};
  if (entry(&error)) return;
  throw failure ? *failure : runtime::Error::fromNumber(runtime::kOutOfMemory);
}

// A sink that appends to a string.
TwSink sinkInto(std::string& bytes) {
  return {&bytes,
          [](void* context, const char* data, std::size_t size) noexcept {
            try {
              static_cast<std::string*>(context)->append(data, size);
              return true;
            } catch (...) {
              return false;
            }
          },
          nullptr};
}

// A sink that writes to a stream.
TwSink sinkInto(std::ostream& stream) {
  return {&stream,
          [](void* context, const char* data, std::size_t size) noexcept {
            try {
              return static_cast<bool>(
                  static_cast<std::ostream*>(context)->write(data, static_cast<std::streamsize>(size)));
            } catch (...) {
              return false;
            }
          },
          [](void* context) noexcept {
            try {
              static_cast<std::ostream*>(context)->flush();
            } catch (...) {
              // As a stream that cannot flush: its state says so.
            }
          }};
}

class ModulePdfPrinter : public engine::print::Printer {
 public:
  std::string name() const override { return engine::print::PdfPrinter::kName; }
  std::string render(const engine::print::PrintLayout& layout) const override {
    const std::string encoded = engine::print::encodeLayout(layout);
    std::string pdf;
    const TwSink sink = sinkInto(pdf);
    auto& entry = pdfModule().entry<TwRenderPdf>(modules::kPdfEntry);
    call([&](const TwError* error) { return entry(modules::textOf(encoded), &sink, error); });
    return pdf;
  }
};

// net::HttpRequest over a request of the HTTP module.
class ModuleHttpRequest : public net::HttpRequest {
 public:
  ModuleHttpRequest(const TwHttpFunctions& functions, std::optional<std::chrono::milliseconds> longestWait,
                    net::RequestClass requestClass)
      : functions_(functions), request_(nullptr, functions.destroy) {
    TwHttpRequest* made = nullptr;
    call([&](const TwError* error) {
      return functions_.create(longestWait ? longestWait->count() : -1, static_cast<int>(requestClass), &made,
                               error);
    });
    request_.reset(made);
  }

  void Open(const std::string& method, const std::string& url, bool async) override {
    call([&](const TwError* error) {
      return functions_.open(request(), modules::textOf(method), modules::textOf(url), async, error);
    });
  }
  void SetRequestHeader(const std::string& name, const std::string& value) override {
    call([&](const TwError* error) {
      return functions_.setRequestHeader(request(), modules::textOf(name), modules::textOf(value), error);
    });
  }
  void SetLimits(const net::RequestLimits& limits) override {
    const TwHttpLimits given{limits.connect.count(), limits.whole.count(), limits.maxResponseBytes};
    call([&](const TwError* error) { return functions_.setLimits(request(), &given, error); });
  }
  void Send(const std::string& body) override {
    call([&](const TwError* error) { return functions_.send(request(), modules::textOf(body), error); });
  }
  int ReadyState() override {
    int state = 0;
    call([&](const TwError* error) { return functions_.readyState(request(), &state, error); });
    return state;
  }
  int Status() override {
    int status = 0;
    call([&](const TwError* error) { return functions_.status(request(), &status, error); });
    return status;
  }
  std::string ResponseText() override { return response(functions_.responseText); }
  std::string ResponseBody() override { return response(functions_.responseBody); }

 private:
  TwHttpRequest* request() const { return request_.get(); }

  std::string response(bool (*read)(TwHttpRequest*, const TwSink*, const TwError*)) {
    std::string bytes;
    const TwSink sink = sinkInto(bytes);
    call([&](const TwError* error) { return read(request(), &sink, error); });
    return bytes;
  }

  const TwHttpFunctions& functions_;
  std::unique_ptr<TwHttpRequest, void (*)(TwHttpRequest*)> request_;
};

class ModuleHttp : public net::Http {
 public:
  explicit ModuleHttp(std::optional<std::chrono::milliseconds> longestWait) : longestWait_(longestWait) {}

  std::unique_ptr<net::HttpRequest> CreateRequest(net::RequestClass requestClass) override {
    static const TwHttpFunctions& functions = *httpModule().entry<TwHttpEntry>(modules::kHttpEntry)();
    return std::make_unique<ModuleHttpRequest>(functions, longestWait_, requestClass);
  }

 private:
  std::optional<std::chrono::milliseconds> longestWait_;
};

}  // namespace

std::shared_ptr<const engine::print::Printer> pdfPrinterInModule() {
  return std::make_shared<ModulePdfPrinter>();
}

std::unique_ptr<net::Http> curlHttpInModule(std::optional<std::chrono::milliseconds> longestWait) {
  return std::make_unique<ModuleHttp>(longestWait);
}

int runServiceInModule(const standin::ServiceOptions& options, std::ostream& console) {
  auto given = [](const std::optional<std::string>& text) {
    return text ? modules::textOf(*text) : TwText{nullptr, 0};
  };
  const TwServiceOptions serviceOptions{options.port,
                                        given(options.user),
                                        given(options.password),
                                        given(options.installerFile),
                                        given(options.storeDir),
                                        static_cast<int>(options.answer)};
  const TwSink sink = sinkInto(console);
  int exitStatus = 0;
  auto& entry = serviceModule().entry<TwRunService>(modules::kServiceEntry);
  call([&](const TwError* error) { return entry(&serviceOptions, &sink, &exitStatus, error); });
  return exitStatus;
}

}  // namespace tw::cli
