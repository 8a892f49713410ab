// Arbitrary bytes as a job file: first byte even, a document job (readConnectorFile); odd, a template job
// (readTemplateJob, run by a Word start). Reading must end with true, false or runtime::Error, never
// crash, and must write nothing outside TEMP (every name it forms stays inside its folder).

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "addin/plugin.h"
#include "connector/connector_reader.h"
#include "connector/template_job.h"
#include "engine/engine.h"
#include "posix/console_ui.h"
#include "posix/curl_http.h"
#include "posix/posix_system.h"

namespace {

// The fuzzer's own folder, removed when the fuzzer exits.
const std::filesystem::path& root() {
  struct Folder {
    std::filesystem::path path;
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const Folder folder{std::filesystem::temp_directory_path() /
                             ("tw-connector-fuzz-" + std::to_string(::getpid()))};
  return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::filesystem::remove_all(root());
  std::filesystem::path temp = root() / "temp";
  std::filesystem::create_directories(temp);
  bool templateJob = data[0] % 2 == 1;
  std::ofstream(temp / (templateJob ? "twDocTemplate.tmp" : "twDoc.tmp"), std::ios::binary)
      .write(reinterpret_cast<const char*>(data) + 1, static_cast<std::streamsize>(size - 1));

  tw::posix::PosixSystem sys(tw::posix::PosixSystem::Options{.environment = {{"TEMP", temp.string()}}});
  std::ostringstream console;
  tw::posix::ConsoleUi ui(console, {});
  tw::posix::CurlHttp http;
  tw::addin::plugin addin(tw::addin::Services{sys, ui, http});
  if (templateJob) {
    // A Word start runs the template job and catches what it throws.
    addin.AddinInstance_OnConnection(tw::engine::createApplication(sys), 0, tw::addin::AddInInstance{});
  } else {
    tw::addin::readConnectorFile(addin.context(), addin.tempPath("twDoc.tmp"));
  }
  for (const auto& item : std::filesystem::directory_iterator(root())) {
    if (item.path() != temp) __builtin_trap();
  }
  return 0;
}
