// Arbitrary bytes as a job file: first byte even, a document job (readConnectorFile); odd, a template job
// (readTemplateJob, run by a Word start). Reading must end with true, false or runtime::Error, never
// crash, and must write nothing outside TEMP (every name it forms stays inside its folder). Word runs on
// the fuzzer's confined system, without network or LibreOffice.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "connector/connector_reader.h"
#include "fuzz_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw::fuzz;
  if (size == 0) return 0;
  resetRoot({"temp"});
  const fs::path temp = root() / "temp";
  bool templateJob = data[0] % 2 == 1;
  writeFile(temp / (templateJob ? "twDocTemplate.tmp" : "twDoc.tmp"),
            std::string(reinterpret_cast<const char*>(data) + 1, size - 1));

  WordSession session;
  if (templateJob) {
    // A Word start runs the template job and catches what it throws.
    session.start();
  } else {
    tw::addin::readConnectorFile(session.addin.context(), session.addin.tempPath("twDoc.tmp"));
  }
  if (session.sys.refusedChanges() > 0) __builtin_trap();
  for (const auto& item : fs::directory_iterator(root())) {
    if (item.path() != temp) __builtin_trap();
  }
  return 0;
}
