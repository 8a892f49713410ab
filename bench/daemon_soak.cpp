// Soak run of the spool daemon: plays the service's side against a real `tallyweave word` process. It
// hands the daemon one job after another (every tenth one faulty), waits for each status, checks what
// each job left behind, restarts Word where the daemon is meant to quit, and reports the daemon's memory
// and the rate of jobs.
//
//   daemon_soak [jobs] [--good-only] [--tallyweave PATH]
//
// Defaults: 1000 jobs and the tallyweave built beside this program. A missing template and a result
// folder that does not exist make Word quit (the service then starts it again), so the faulty run has
// many short-lived daemons; --good-only runs every job through one daemon to show its memory over time.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "cli/connector_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const fs::path kInvoice = fs::path(TW_SOURCE_DIR) / "examples" / "invoice";

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// VmRSS or VmHWM of a process in kB; 0 when it is gone.
long memoryKb(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
  }
  return 0;
}

enum class Kind { kGood, kRejected, kMissingTemplate, kGarbageStatus, kMissingResultFolder };

const char* nameOf(Kind kind) {
  switch (kind) {
    case Kind::kGood:
      return "good";
    case Kind::kRejected:
      return "rejected connector file";
    case Kind::kMissingTemplate:
      return "missing template";
    case Kind::kGarbageStatus:
      return "status file holding garbage";
    case Kind::kMissingResultFolder:
      return "result folder that does not exist";
  }
  return "";
}

class Soak {
 public:
  Soak(fs::path root, std::string tallyweave, bool faults)
      : root_(std::move(root)), tallyweave_(std::move(tallyweave)), faults_(faults) {
    for (const char* folder : {"temp", "base/pidfiles", "base/documents/spool", "base/results"})
      fs::create_directories(root_ / folder);
  }

  ~Soak() { stopDaemon(); }

  int run(int jobs) {
    if (!startDaemon()) return 1;
    const auto started = Clock::now();
    double goodSeconds = 0;
    for (int i = 1; i <= jobs; ++i) {
      Kind kind = faults_ ? kindOf(i) : Kind::kGood;
      const auto jobStart = Clock::now();
      std::string problem = runJob(i, kind);
      if (kind == Kind::kGood) goodSeconds += std::chrono::duration<double>(Clock::now() - jobStart).count();
      ++counts_[kind];
      if (!problem.empty()) {
        ++failures_;
        std::cerr << "job " << i << " (" << nameOf(kind) << "): " << problem << "\n";
      }
      if (i == 100 || i == jobs / 2 || i == jobs) {
        std::cout << "after job " << i << ": daemon pid " << pid_ << ", RSS " << memoryKb(pid_, "VmRSS")
                  << " kB, peak RSS " << memoryKb(pid_, "VmHWM") << " kB, restarts so far " << restarts_
                  << "\n";
      }
      if (problem.find("daemon") != std::string::npos && !daemonAlive() && !startDaemon()) return 1;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::cout << "jobs: " << jobs << " in " << seconds << " s (" << jobs / seconds << " jobs/s overall)\n";
    std::cout << "good jobs: " << counts_[Kind::kGood] << ", " << counts_[Kind::kGood] / goodSeconds
              << " jobs/s, " << 1000 * goodSeconds / counts_[Kind::kGood]
              << " ms each (the daemon polls every 500 ms)\n";
    if (processingSeen_)
      std::cout << "processing (status \" 2\" to \" 0\"), seen for " << processingSeen_
                << " good jobs: " << 1000 * processingSeconds_ / processingSeen_ << " ms each on average\n";
    for (auto [kind, count] : counts_) std::cout << "  " << nameOf(kind) << ": " << count << "\n";
    std::cout << "Word restarts (the daemon quitting as it should): " << restarts_
              << ", unexpected endings: " << crashes_ << ", jobs not as expected: " << failures_ << "\n";
    return failures_ == 0 && crashes_ == 0 ? 0 : 1;
  }

 private:
  // Every tenth job is faulty, the four faults in turn.
  static Kind kindOf(int job) {
    if (job % 10 != 0) return Kind::kGood;
    static const Kind faults[] = {Kind::kRejected, Kind::kMissingTemplate, Kind::kGarbageStatus,
                                  Kind::kMissingResultFolder};
    return faults[(job / 10) % 4];
  }

  fs::path statusFile() const { return root_ / "base/pidfiles/officeDaemon"; }
  fs::path jobFile() const { return root_ / "base/documents/spool/docData"; }
  fs::path setAsideFile() const { return root_ / "base/documents/spool/docData.err"; }

  std::optional<std::string> status() const {
    if (!fs::exists(statusFile())) return std::nullopt;
    return readFile(statusFile());
  }

  std::string jobBytes(int job, Kind kind) const {
    nlohmann::ordered_json description = nlohmann::ordered_json::parse(readFile(kInvoice / "invoice.json"));
    description["settings"]["resultDocName"] = "job" + std::to_string(job);
    description["settings"]["resultDocPath"] = kind == Kind::kMissingResultFolder ? "nowhere\\" : "results\\";
    if (kind == Kind::kMissingTemplate) description.erase("template");
    return tw::addin::writeConnectorFile(description,
                                         [](const std::string& name) { return readFile(kInvoice / name); });
  }

  bool daemonAlive() {
    if (pid_ <= 0) return false;
    int status = 0;
    pid_t ended = waitpid(pid_, &status, WNOHANG);
    if (ended == 0) return true;
    // Word quitting ends the session with status 0; anything else is a crash.
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++crashes_;
    pid_ = -1;
    return false;
  }

  bool startDaemon() {
    writeFile(root_ / "temp/twDaemon.tmp", (root_ / "base").string() + "\\");
    fs::remove(statusFile());
    std::cout.flush();  // the child must not write this process's buffered output again
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      std::string log = (root_ / "session.log").string();
      std::freopen(log.c_str(), "a", stderr);
      std::freopen("/dev/null", "w", stdout);
      std::string temp = (root_ / "temp").string();
      execl(tallyweave_.c_str(), tallyweave_.c_str(), "word", "--temp", temp.c_str(), nullptr);
      _exit(127);
    }
    if (waitFor([&] { return status() == " 0"; }, 60s)) {
      ++starts_;
      restarts_ = starts_ - 1;
      return true;
    }
    std::cerr << "the daemon did not start (see " << (root_ / "session.log").string() << ")\n";
    return false;
  }

  void stopDaemon() {
    if (!daemonAlive()) return;
    writeFile(statusFile(), "15");
    if (!waitFor([&] { return !daemonAlive(); }, 30s)) kill(pid_, SIGTERM);
  }

  template <typename Condition>
  bool waitFor(Condition done, std::chrono::seconds limit) {
    for (auto until = Clock::now() + limit; Clock::now() < until; std::this_thread::sleep_for(5ms)) {
      if (done()) return true;
    }
    return false;
  }

  // Hands over one job and checks its outcome; the text says what was wrong, empty when all was right.
  std::string runJob(int job, Kind kind) {
    const std::string name = "job" + std::to_string(job);
    const std::string bytes = kind == Kind::kRejected ? "Geen connector bestand\r\n" : jobBytes(job, kind);
    writeFile(jobFile(), bytes);
    if (kind == Kind::kGarbageStatus) {
      writeFile(statusFile(), "x1");
      std::this_thread::sleep_for(1600ms);  // three polls
      std::string problem;
      if (status() != "x1") problem = "the status changed";
      if (!fs::exists(jobFile())) problem = "the job was taken";
      if (!daemonAlive()) problem = "the daemon ended";
      fs::remove(jobFile());
      writeFile(statusFile(), " 0");
      return problem;
    }
    writeFile(statusFile(), " 1");
    std::optional<Clock::time_point> pickedUp;
    bool settled = waitFor(
        [&] {
          auto now = status();
          if (now == " 2" && !pickedUp) pickedUp = Clock::now();
          return !now || (*now != " 1" && *now != " 2") || !daemonAlive();
        },
        60s);
    // The time the daemon worked on the job, seen through the status (to within the driver's 5 ms look).
    if (pickedUp && kind == Kind::kGood) {
      processingSeconds_ += std::chrono::duration<double>(Clock::now() - *pickedUp).count();
      ++processingSeen_;
    }
    if (!settled) return "no status after 60 s";
    auto final = status();

    switch (kind) {
      case Kind::kGood: {
        if (final != " 0") return "status " + final.value_or("(status file gone; daemon ended)");
        fs::path doc = root_ / "base/results" / (name + ".doc");
        fs::path prn = root_ / "base/documents/spool" / (name + ".prn");
        std::string problem;
        if (!fs::exists(doc)) problem = "no .doc";
        if (!readFile(prn).starts_with("%PDF-")) problem = "no PDF .prn";
        if (fs::exists(jobFile())) problem = "docData left";
        fs::remove(doc);
        fs::remove(prn);
        return problem;
      }
      case Kind::kRejected:
        if (final != " 3") return "status " + final.value_or("(gone)") + " instead of \" 3\"";
        if (fs::exists(jobFile()) || readFile(setAsideFile()) != bytes)
          return "docData not kept as docData.err";
        fs::remove(setAsideFile());
        return "";
      case Kind::kMissingTemplate:
      case Kind::kMissingResultFolder:
        // The template cannot be opened or the result cannot be saved: the job is reported " 3" and kept
        // as docData.err, then Word quits and the status file goes; the service starts Word again.
        if (final && final != " 3") return "status " + *final + " instead of \" 3\" or none";
        if (!waitFor([&] { return !daemonAlive(); }, 30s)) return "the daemon did not end";
        if (fs::exists(jobFile()) || readFile(setAsideFile()) != bytes)
          return "docData not kept as docData.err";
        fs::remove(setAsideFile());
        return startDaemon() ? "" : "the daemon could not be started again";
      case Kind::kGarbageStatus:
        break;
    }
    return "";
  }

  fs::path root_;
  std::string tallyweave_;
  bool faults_ = true;
  pid_t pid_ = -1;
  int starts_ = 0;
  int restarts_ = 0;
  int crashes_ = 0;
  int failures_ = 0;
  double processingSeconds_ = 0;
  int processingSeen_ = 0;
  std::map<Kind, int> counts_;
};

}  // namespace

int main(int argc, char** argv) {
  int jobs = 1000;
  bool faults = true;
  std::string tallyweave = TW_TALLYWEAVE;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--good-only")
      faults = false;
    else if (argument == "--tallyweave" && i + 1 < argc)
      tallyweave = argv[++i];
    else
      jobs = std::atoi(argv[i]);
  }
  if (jobs <= 0) {
    std::cerr << "usage: daemon_soak [jobs] [--good-only] [--tallyweave PATH]\n";
    return 2;
  }
  char pattern[] = "/tmp/tw-soak-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  fs::path root = pattern;
  int result = Soak(root, tallyweave, faults).run(jobs);
  std::cout << "session log: " << (root / "session.log").string() << "\n";
  return result;
}
