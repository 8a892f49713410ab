// Reading a connector file whose _template value is 20 MB of Base64, against the Base64 decoder alone.
// Both figures are MB/s of input: file bytes for the readers, Base64 text for the decoder.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "addin/plugin.h"
#include "connector/connector_reader.h"
#include "posix/console_ui.h"
#include "posix/curl_http.h"
#include "posix/posix_system.h"
#include "server/base64.h"

namespace tw::addin {
namespace {

constexpr size_t kTemplateBase64 = 20 * 1024 * 1024;

std::string templateBase64() {
  std::string bytes(kTemplateBase64 / 4 * 3, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
  return base64Encode(bytes);
}

// A folder for TEMP with a job file of the given start line and a 20 MB _template line among a few
// ordinary entries.
struct JobFolder {
  JobFolder() {
    path = std::filesystem::temp_directory_path() / ("tw-connector-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    std::string job = "Tallyweave bestand\r\n";
    job += "_resultDocName," + base64Encode("factuur") + "\r\n";
    job += "naam," + base64Encode("Jansen") + "\r\n";
    job += "_template," + templateBase64() + "\r\n";
    job += "_header_cols," + base64Encode("a,b,c") + "\r\n";
    size = job.size();
    std::ofstream(path / "job.tmp", std::ios::binary) << job;
  }
  ~JobFolder() { std::filesystem::remove_all(path); }
  std::filesystem::path path;
  size_t size = 0;
};

struct Session {
  explicit Session(const JobFolder& folder)
      : sys(posix::PosixSystem::Options{.environment = {{"TEMP", folder.path.string()}}}),
        ui(std::cerr, {}),
        addin(Services{sys, ui, http}) {}
  posix::PosixSystem sys;
  posix::ConsoleUi ui;
  posix::CurlHttp http;
  plugin addin;
};

void BM_Base64Decode(benchmark::State& state) {
  std::string text = templateBase64();
  for (auto _ : state) {
    std::string bytes = base64Decode(text);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// The shared reading loop with the template kept in memory, as a template job keeps it.
void BM_ReadTemplateEntries(benchmark::State& state) {
  JobFolder folder;
  Session session(folder);
  static const KeyTable keys = {
      {"_template", [](ReadContext& c, std::string& v) { c.templateBytes = std::move(v); }}};
  std::string path = session.addin.tempPath("job.tmp");
  for (auto _ : state) {
    JobFile file;
    file.open(session.sys, path);
    ReadContext context(session.addin.context(), true);
    if (readEntries(context, file, keys) != ReadOutcome::kRead) state.SkipWithError("not read");
    benchmark::DoNotOptimize(context.templateBytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * folder.size));
}

// A whole document-job read, which also writes the template to TEMP\SjabloonDocument.doc.
void BM_ReadConnectorFile(benchmark::State& state) {
  JobFolder folder;
  Session session(folder);
  std::string path = session.addin.tempPath("job.tmp");
  for (auto _ : state) {
    session.addin.module().fieldNames.assign(1, "");
    session.addin.module().fieldValues.assign(1, "");
    if (!readConnectorFile(session.addin.context(), path)) state.SkipWithError("not read");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * folder.size));
}

// The floor of a document-job read: the whole file read at once, split at its line ends, the template's
// value decoded and the template written, with nothing else done.
void BM_ReadSplitDecodeWriteFloor(benchmark::State& state) {
  JobFolder folder;
  posix::PosixSystem sys;
  const std::string path = (folder.path / "job.tmp").string();
  const std::string out = (folder.path / "floor.doc").string();
  for (auto _ : state) {
    const std::string file = sys.ReadFile(path);
    std::string_view rest = file;
    while (!rest.empty()) {
      const size_t end = std::min(rest.find('\n'), rest.size());
      std::string_view line = rest.substr(0, end);
      rest.remove_prefix(std::min(end + 1, rest.size()));
      if (line.starts_with("_template,")) sys.WriteFile(out, base64Decode(line.substr(10)));
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * folder.size));
}

BENCHMARK(BM_Base64Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSplitDecodeWriteFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTemplateEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadConnectorFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tw::addin
