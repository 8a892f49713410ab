// What a caller that runs one tallyweave command per process pays: the bare start (`tallyweave --help`)
// and the example invoice's document job as two processes (`tallyweave connector --json
// examples/invoice/invoice.json --out T/twDoc.tmp`, then `tallyweave word --temp T --out O`). The figure is
// the CPU time of the child processes (user + system, from wait4), not wall time: on a shared machine it
// moves far less with the load.
//
// TW_BASELINE=/path/to/another/tallyweave runs that program too, alternating with this build's in every
// iteration so that both see the same load, and reports its figures and the ratio beside this build's:
//
//     TW_BASELINE=/tmp/tallyweave-before ./build/default/bench/start_bench
//
// Counters: cpu_ms and faults are medians per run (faults: minor page faults); baseline_cpu_ms and
// baseline_faults the same for the baseline; ratio is cpu_ms / baseline_cpu_ms; load1 the machine's
// one-minute load average when the benchmark ended. BM_EmptyProgram (/bin/true) is the floor: what any
// process costs here.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// What one child process cost.
struct Cost {
  double cpuSeconds = 0;
  long minorFaults = 0;
};

Cost operator+(Cost a, Cost b) {
  return {a.cpuSeconds + b.cpuSeconds, a.minorFaults + b.minorFaults};
}

class SpawnActions {
 public:
  SpawnActions() { ::posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// Runs `argv` with its output in `log` and waits for it; nothing when it could not start or did not exit
// with 0. posix_spawn starts the child without copying the caller's memory, so the child's CPU time is
// the program's own.
std::optional<Cost> run(const std::vector<std::string>& argv, const fs::path& log) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  SpawnActions actions;
  ::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  ::posix_spawn_file_actions_adddup2(actions.get(), STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = 0;
  if (::posix_spawn(&pid, args[0], actions.get(), nullptr, args.data(), environ) != 0) return std::nullopt;
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  auto seconds = [](timeval t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return Cost{seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_minflt};
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Folders for one program's jobs, in memory where there is memory to hold them (the figure is the
// program's cost, not the disk's).
class Workspace {
 public:
  explicit Workspace(const std::string& name) {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    root_ = base / ("tw-start-bench-" + std::to_string(::getpid()) + "-" + name);
    fs::create_directories(temp());
    fs::create_directories(out());
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  fs::path temp() const { return root_ / "temp"; }
  fs::path out() const { return root_ / "out"; }
  fs::path log() const { return root_ / "output.txt"; }

 private:
  fs::path root_;
};

// One program under measurement: what it costs per run, and why it failed if it did.
class Program {
 public:
  Program(std::string path, const std::string& name) : path_(std::move(path)), workspace_(name) {}

  // The program with no arguments.
  bool alone() { return record(run({path_}, workspace_.log())); }

  bool bareStart() { return record(run({path_, "--help"}, workspace_.log())); }

  // The example invoice: the connector file written from its description, then the Word session that
  // merges it and saves the result.
  bool documentJob() {
    for (const auto& file : fs::directory_iterator(workspace_.out())) fs::remove(file.path());
    const fs::path example = fs::path(TW_SOURCE_DIR) / "examples" / "invoice" / "invoice.json";
    auto connector = run(
        {path_, "connector", "--json", example.string(), "--out", (workspace_.temp() / "twDoc.tmp").string()},
        workspace_.log());
    if (!connector) return record(std::nullopt);
    auto word = run({path_, "word", "--temp", workspace_.temp().string(), "--out", workspace_.out().string()},
                    workspace_.log());
    if (!word) return record(std::nullopt);
    if (fs::is_empty(workspace_.out())) {
      error_ = path_ + " saved no document";
      return false;
    }
    connector_.push_back(connector->cpuSeconds);
    word_.push_back(word->cpuSeconds);
    return record(*connector + *word);
  }

  double lastCpuSeconds() const { return cpu_.back(); }
  double medianCpuMs() const { return median(cpu_) * 1e3; }
  double medianConnectorMs() const { return median(connector_) * 1e3; }
  double medianWordMs() const { return median(word_) * 1e3; }
  double medianFaults() const { return median(faults_); }
  const std::string& error() const { return error_; }

 private:
  bool record(std::optional<Cost> cost) {
    if (!cost) {
      error_ = path_ + " failed: " + readFile(workspace_.log());
      return false;
    }
    cpu_.push_back(cost->cpuSeconds);
    faults_.push_back(static_cast<double>(cost->minorFaults));
    return true;
  }

  static double median(std::vector<double> values) {
    if (values.empty()) return 0;
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
  }

  std::string path_;
  Workspace workspace_;
  std::vector<double> cpu_, connector_, word_, faults_;
  std::string error_;
};

double loadAverage() {
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  return load;
}

using Step = bool (Program::*)();

// Runs `step` on `path` and, when `compare` and TW_BASELINE names a program, on the baseline in turn; the
// iteration's time is the CPU time of `path`.
void measure(benchmark::State& state, const std::string& path, Step step, bool compare,
             bool jobParts = false) {
  Program current(path, "current");
  const char* baselinePath = std::getenv("TW_BASELINE");
  std::optional<Program> baseline;
  if (compare && baselinePath && *baselinePath) baseline.emplace(baselinePath, "baseline");
  for (auto _ : state) {
    if (!(current.*step)()) {
      state.SkipWithError(current.error().c_str());
      return;
    }
    state.SetIterationTime(current.lastCpuSeconds());
    if (baseline && !((*baseline).*step)()) {
      state.SkipWithError(baseline->error().c_str());
      return;
    }
  }
  state.counters["cpu_ms"] = current.medianCpuMs();
  state.counters["faults"] = current.medianFaults();
  if (jobParts) {
    state.counters["connector_ms"] = current.medianConnectorMs();
    state.counters["word_ms"] = current.medianWordMs();
  }
  if (baseline) {
    state.counters["baseline_cpu_ms"] = baseline->medianCpuMs();
    state.counters["baseline_faults"] = baseline->medianFaults();
    state.counters["ratio"] = current.medianCpuMs() / baseline->medianCpuMs();
  }
  state.counters["load1"] = loadAverage();
}

void BM_EmptyProgram(benchmark::State& state) {
  measure(state, "/bin/true", &Program::alone, false);
}
BENCHMARK(BM_EmptyProgram)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_BareStart(benchmark::State& state) {
  measure(state, TW_TALLYWEAVE, &Program::bareStart, true);
}
BENCHMARK(BM_BareStart)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_DocumentJob(benchmark::State& state) {
  measure(state, TW_TALLYWEAVE, &Program::documentJob, true, true);
}
BENCHMARK(BM_DocumentJob)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
