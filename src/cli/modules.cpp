#include "cli/modules.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <vector>

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

int runServiceInModule(const standin::ServiceOptions& options, std::ostream& console) {
  return serviceModule().entry<modules::RunService>(modules::kServiceEntry)(options, console);
}

}  // namespace tw::cli
