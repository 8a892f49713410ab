#include "cli/modules.h"

#include <dlfcn.h>

#include <string>

#include "engine/print/pdf_printer.h"
#include "modules/module_entries.h"
#include "runtime/error.h"

namespace tw::cli {
namespace {

// A loaded module. It stays mapped after the handle closes (RTLD_NODELETE): objects it made may outlive
// the handle at exit.
class Module {
 public:
  explicit Module(const char* fileName) : fileName_(fileName) {
    // Found through the program's run path, which names the folder the modules are built into.
    handle_ = ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle_) fail(::dlerror());
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

class ModulePdfPrinter : public engine::print::Printer {
 public:
  std::string name() const override { return engine::print::PdfPrinter::kName; }
  std::string render(const engine::print::PrintLayout& layout) const override {
    std::string pdf;
    pdfModule().entry<modules::RenderPdf>(modules::kPdfEntry)(layout, pdf);
    return pdf;
  }
};

class ModuleHttp : public net::Http {
 public:
  explicit ModuleHttp(std::optional<std::chrono::milliseconds> longestWait) : longestWait_(longestWait) {}

  std::unique_ptr<net::HttpRequest> CreateRequest(net::RequestClass requestClass) override {
    if (!http_) httpModule().entry<modules::CreateHttp>(modules::kHttpEntry)(longestWait_, http_);
    return http_->CreateRequest(requestClass);
  }

 private:
  std::optional<std::chrono::milliseconds> longestWait_;
  std::unique_ptr<net::Http> http_;
};

}  // namespace

std::shared_ptr<const engine::print::Printer> pdfPrinterInModule() {
  return std::make_shared<ModulePdfPrinter>();
}

std::unique_ptr<net::Http> curlHttpInModule(std::optional<std::chrono::milliseconds> longestWait) {
  return std::make_unique<ModuleHttp>(longestWait);
}

int runServiceInModule(const ServiceOptions& options, std::ostream& console) {
  return serviceModule().entry<modules::RunService>(modules::kServiceEntry)(options, console);
}

}  // namespace tw::cli
