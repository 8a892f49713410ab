// A document job end to end on the embedded Word: the connector file read, the template opened, merged
// and the result saved. Two templates: a one-page letter with 50 merge fields, and an invoice whose
// record group has from 10 to 20,000 lines. The time per line must not grow with the number of lines;
// peak_rss_growth_MiB is how far one invoice job raises the resident memory (run in a child process).
//
// The throughput of whole sessions comes first: each job runs as `tallyweave word --temp T --out O` does
// (connector file in TEMP, a fresh Word with the add-in, the result saved, Word shut down), in one
// process. peak_rss_MB is the process's high-water mark so far, so it belongs to one benchmark only when
// that benchmark runs alone (--benchmark_filter).

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "addin/plugin.h"
#include "cli/connector_writer.h"
#include "cli/word_session.h"
#include "engine/engine.h"
#include "engine/model/document_model.h"
#include "engine/model/story.h"
#include "posix/console_ui.h"
#include "posix/curl_http.h"
#include "posix/posix_system.h"
#include "server/base64.h"
#include "support/document_builder.h"

namespace tw::addin {
namespace {

using testing::entry;
using testing::mergefield;

// A one-page letter: 50 fields, some with number pictures.
std::string letterJob() {
  std::string body;
  std::string fields;
  for (int i = 0; i < 50; ++i) {
    std::string name = "veld" + std::to_string(i);
    std::string spec = i % 5 == 0 ? name + " \\# \"#.##0,00\"" : name;
    body += "<w:p><w:r><w:t xml:space=\"preserve\">Regel " + std::to_string(i) + ": </w:t></w:r>" +
            mergefield(spec) + "</w:p>";
    fields += entry(name, i % 5 == 0 ? "1234,5" : "Waarde " + std::to_string(i));
  }
  return "Tallyweave bestand\r\n" + entry("_template", engine::minimalDocx(body)) + fields;
}

// An invoice: a table row of three fields of a group with `lines` entries.
std::string invoiceJob(int lines) {
  std::string body =
      "<w:p><w:r><w:t>Factuur</w:t></w:r></w:p><w:tbl><w:tblGrid><w:gridCol/><w:gridCol/><w:gridCol/></"
      "w:tblGrid><w:tr>";
  for (const char* name : {"omschrijving", "aantal", "bedrag \\# \"#.##0,00\""}) {
    body += "<w:tc><w:p>" + mergefield(name) + "</w:p></w:tc>";
  }
  body += "</w:tr></w:tbl><w:p/>";
  std::string job = "Tallyweave bestand\r\n" + entry("_template", engine::minimalDocx(body));
  for (int m = 0; m < lines; ++m) {
    job += entry("omschrijving_" + std::to_string(m), "Regel " + std::to_string(m));
    job += entry("aantal_" + std::to_string(m), std::to_string(m % 7 + 1));
    job += entry("bedrag_" + std::to_string(m), std::to_string(m) + ",5");
  }
  job += "col_regels,regels;" + std::to_string(lines) + ";" + base64Encode("omschrijving") + "|" +
         base64Encode("aantal") + "|" + base64Encode("bedrag") + "\r\n";
  return job;
}

std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The example invoice (examples/invoice) as the connector file `tallyweave connector` writes.
std::string exampleInvoiceJob() {
  const std::filesystem::path folder = std::filesystem::path(TW_SOURCE_DIR) / "examples" / "invoice";
  auto description = nlohmann::ordered_json::parse(readBytes(folder / "invoice.json"));
  return writeConnectorFile(description, [&](const std::string& name) { return readBytes(folder / name); });
}

// Whole Word sessions of one document job each; items_per_second is documents per second of wall time,
// as a caller waiting for its documents sees it.
//
// The argument places TEMP and the output folder: 0 in the system's temporary folder (TMPDIR, so any disk
// can be chosen), 1 in memory (/dev/shm). A job writes, reads and deletes five files. An ext4 file system
// without a journal does not hand out again an inode deleted in the last seconds (minutes while its block
// of the inode table is unwritten) and looks each one up to skip it, so at a thousand jobs a second most of
// the job's kernel time goes there and the figure depends on how long the benchmark has been running; with a
// journal (ext4's default) it does not. In memory the figure shows the job's own cost.
void runWordSessions(benchmark::State& state, const std::string& job) {
  const bool inMemory = state.range(0) != 0;
  if (inMemory && !std::filesystem::is_directory("/dev/shm")) {
    state.SkipWithError("no /dev/shm");
    return;
  }
  const auto root = (inMemory ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path()) /
                    ("tw-session-bench-" + std::to_string(::getpid()));
  cli::WordSessionOptions options;
  options.temp = (root / "temp").string();
  options.outDir = (root / "out").string();
  std::filesystem::create_directories(options.temp);
  for (auto _ : state) {
    std::ofstream(root / "temp" / "twDoc.tmp", std::ios::binary) << job;
    std::ostringstream console;
    if (cli::runWordSession(options, console) != cli::kSessionRan) {
      state.SkipWithError(("the session failed: " + console.str()).c_str());
      break;
    }
  }
  size_t results = 0;
  for (const auto& file : std::filesystem::directory_iterator(root / "out"))
    results += file.path().extension() == ".docx" ? 1 : 0;
  if (results != 1) state.SkipWithError("the sessions did not leave one result document");
  std::filesystem::remove_all(root);
  state.SetItemsProcessed(state.iterations());
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

void BM_WordSessionExampleInvoice(benchmark::State& state) {
  runWordSessions(state, exampleInvoiceJob());
}
BENCHMARK(BM_WordSessionExampleInvoice)
    ->ArgName("in_memory")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The example invoice's job against its floor: the engine opening the job's template, making one edit and
// saving it, all in memory. Both are timed in CPU time in the same run, alternately, each as the median of
// its rounds; job_per_floor is the ratio of the two medians. The job runs as BM_WordSessionExampleInvoice
// does with TEMP in memory. load_1min is the machine's load when the run ends: on a shared machine, compare
// ratios measured under like loads.
void BM_ExampleInvoiceJobPerFloor(benchmark::State& state) {
  if (!std::filesystem::is_directory("/dev/shm")) {
    state.SkipWithError("no /dev/shm");
    return;
  }
  const std::string job = exampleInvoiceJob();
  const std::string templateBytes =
      readBytes(std::filesystem::path(TW_SOURCE_DIR) / "examples" / "invoice" / "factuur.docx");
  const auto root = std::filesystem::path("/dev/shm") / ("tw-floor-bench-" + std::to_string(::getpid()));
  cli::WordSessionOptions options;
  options.temp = (root / "temp").string();
  options.outDir = (root / "out").string();
  std::filesystem::create_directories(options.temp);

  auto runJob = [&] {
    std::ofstream(root / "temp" / "twDoc.tmp", std::ios::binary) << job;
    std::ostringstream console;
    return cli::runWordSession(options, console) == cli::kSessionRan;
  };
  auto runFloor = [&] {
    auto document = engine::loadDocument(templateBytes, "factuur.docx");
    document->mainStory()->insert(0, "x");
    benchmark::DoNotOptimize(document->package().save());
  };
  // Enough rounds of each for a median that a stray interruption does not move.
  constexpr int kJobsPerRound = 20;
  constexpr int kFloorsPerRound = 200;
  std::vector<double> jobTimes;
  std::vector<double> floorTimes;
  // CPU time of this thread: on a shared machine, wall time also counts the other programs' turns.
  auto cpuSeconds = [] {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
  };
  for (auto _ : state) {
    const double jobStart = cpuSeconds();
    for (int i = 0; i < kJobsPerRound; ++i) {
      if (!runJob()) {
        state.SkipWithError("the session failed");
        break;
      }
    }
    jobTimes.push_back((cpuSeconds() - jobStart) / kJobsPerRound);
    const double floorStart = cpuSeconds();
    for (int i = 0; i < kFloorsPerRound; ++i) runFloor();
    floorTimes.push_back((cpuSeconds() - floorStart) / kFloorsPerRound);
  }
  std::filesystem::remove_all(root);
  auto median = [](std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
    return values[values.size() / 2];
  };
  const double jobMedian = median(jobTimes);
  const double floorMedian = median(floorTimes);
  state.counters["job_ms"] = jobMedian * 1e3;
  state.counters["floor_ms"] = floorMedian * 1e3;
  state.counters["job_per_floor"] = floorMedian > 0 ? jobMedian / floorMedian : 0;
  double load[1] = {0};
  if (::getloadavg(load, 1) == 1) state.counters["load_1min"] = load[0];
}
BENCHMARK(BM_ExampleInvoiceJobPerFloor)->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_WordSessionLetterWith50Fields(benchmark::State& state) {
  runWordSessions(state, letterJob());
}
BENCHMARK(BM_WordSessionLetterWith50Fields)
    ->ArgName("in_memory")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One document job's process state: TEMP, the system, console and HTTP client a session gives the add-in.
struct JobPlace {
  JobPlace()
      : temp(std::filesystem::temp_directory_path() / ("tw-job-bench-" + std::to_string(::getpid()))),
        sys(posix::PosixSystem::Options{.environment = {{"TEMP", temp.string()}}}),
        ui(console, {}) {
    cli::setUpProcessForJobs();  // as in a session
    std::filesystem::create_directories(temp);
  }
  ~JobPlace() { std::filesystem::remove_all(temp); }
  JobPlace(const JobPlace&) = delete;
  JobPlace& operator=(const JobPlace&) = delete;

  // Runs `job` as a session does and saves its result in TEMP; an error's description when it left no
  // document (a job of more fields than the field list holds, say), else empty.
  std::string run(const std::string& job) {
    std::ofstream(temp / "twDoc.tmp", std::ios::binary) << job;
    auto word = engine::createApplication(sys);
    plugin addin(Services{sys, ui, http});
    addin.AddinInstance_OnConnection(word, 0, AddInInstance{});
    try {
      word->ActiveDocument()->SaveAs(addin.tempPath("resultaat.docx"));
    } catch (const runtime::Error& error) {
      return "the job left no document: " + error.description();
    }
    addin.AddinInstance_OnDisconnection(0);
    return std::filesystem::exists(temp / "resultaat.docx") ? "" : "no result document";
  }

  std::filesystem::path temp;
  posix::PosixSystem sys;
  std::ostringstream console;
  posix::ConsoleUi ui;
  posix::CurlHttp http;
};

void runJob(benchmark::State& state, const std::string& job) {
  JobPlace place;
  for (auto _ : state) {
    if (std::string error = place.run(job); !error.empty()) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
}

// A figure of /proc/self/status in bytes ("VmRSS", "VmHWM"), or -1.
long long statusBytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return std::stoll(line.substr(key.size() + 1)) * 1024;  // kB
  }
  return -1;
}

// How far one run of `job` raises the resident memory above what the process held before it, in MiB,
// or -1 when that cannot be measured. The job runs in a child process: the allocator first gives the
// pages it keeps free back to the system, and the peak is reset, so neither earlier benchmarks' memory
// nor their freed pages hide the job's own.
double peakRssGrowthMiB(const std::string& job) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    double growth = -1;
    {
      JobPlace place;
#ifdef __GLIBC__
      ::malloc_trim(0);
#endif
      const bool reset = static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5" << std::flush);
      const long long before = statusBytes("VmRSS");
      if (reset && before > 0 && place.run(job).empty())
        growth = static_cast<double>(statusBytes("VmHWM") - before) / (1 << 20);
    }
    [[maybe_unused]] auto written = ::write(fds[1], &growth, sizeof growth);
    ::_exit(0);
  }
  ::close(fds[1]);
  double growth = -1;
  if (child < 0 || ::read(fds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  ::close(fds[0]);
  if (child > 0) ::waitpid(child, nullptr, 0);
  return growth;
}

void BM_LetterWith50Fields(benchmark::State& state) {
  runJob(state, letterJob());
}
BENCHMARK(BM_LetterWith50Fields)->Unit(benchmark::kMillisecond);

void BM_InvoiceLines(benchmark::State& state) {
  const auto lines = static_cast<int>(state.range(0));
  const std::string job = invoiceJob(lines);
  runJob(state, job);
  // Seconds per invoice line.
  state.counters["per_line"] =
      benchmark::Counter(lines, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  // The job's own memory (outside the timed runs); -1 where it cannot be measured.
  state.counters["peak_rss_growth_MiB"] = peakRssGrowthMiB(job);
}
BENCHMARK(BM_InvoiceLines)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)  // 60,000 fields: more than a 16-bit count holds
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tw::addin
