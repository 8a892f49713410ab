// Soak run of the spool daemon: plays the service's side against a real `tallyweave word` process. It
// hands the daemon one job after another (every tenth one faulty), waits for each status, checks what
// each job left behind, restarts Word where the daemon is meant to quit, kills it with SIGKILL now and
// then as a power cut would, and reports the daemon's memory and the rate of jobs.
//
//   daemon_soak [jobs] [--good-only] [--kills N] [--tallyweave PATH]
//
// Defaults: 1000 jobs, 3 kills and the tallyweave built beside this program. A template that cannot be
// opened and a result folder that does not exist make Word quit (the service then starts it again), so
// the faulty run has many short-lived daemons; --good-only runs every job through one daemon to show its
// memory over time.

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

enum class Kind {
  kGood,
  kRejected,
  kNotAZip,
  kUnsafeName,
  kUnreadableDataFile,
  kMissingTemplate,
  kGarbageStatus,
  kMissingResultFolder,
};

const char* nameOf(Kind kind) {
  switch (kind) {
    case Kind::kGood:
      return "good";
    case Kind::kRejected:
      return "rejected connector file";
    case Kind::kNotAZip:
      return "template that is not a zip";
    case Kind::kUnsafeName:
      return "result name that leaves its folder";
    case Kind::kUnreadableDataFile:
      return "data file that cannot be read";
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
  Soak(fs::path root, std::string tallyweave, bool faults, int kills)
      : root_(std::move(root)), tallyweave_(std::move(tallyweave)), faults_(faults), kills_(kills) {
    for (const char* folder : {"temp", "base/pidfiles", "base/documents/spool", "base/results"})
      fs::create_directories(root_ / folder);
    writeFile(root_ / "base/kapot.csv", "naam\r\n\"Jansen\r\n");  // a quote that never closes
  }

  ~Soak() { stopDaemon(); }

  int run(int jobs) {
    if (!startDaemon()) return 1;
    const auto started = Clock::now();
    double goodSeconds = 0;
    for (int i = 1; i <= jobs; ++i) {
      Kind kind = faults_ ? kindOf(i) : Kind::kGood;
      const auto jobStart = Clock::now();
      // The kills fall on good jobs spread over the run.
      const bool kill =
          kind == Kind::kGood && killsDone_ < kills_ && i >= (killsDone_ + 1) * jobs / (kills_ + 1);
      std::string problem = kill ? runKilledJob(i, killsDone_++) : runJob(i, kind);
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
              << " ms each (the daemon polls every 500 ms; on Linux the service's write wakes it)\n";
    if (processingSeen_)
      std::cout << "processing (status \" 2\" to \" 0\"), seen for " << processingSeen_
                << " good jobs: " << 1000 * processingSeconds_ / processingSeen_ << " ms each on average\n";
    for (auto [kind, count] : counts_) std::cout << "  " << nameOf(kind) << ": " << count << "\n";
    int leftovers = 0;
    for (const auto& item : fs::recursive_directory_iterator(root_ / "base"))
      leftovers += item.path().filename().string().find(".~tw") != std::string::npos;
    std::cout << "kills: " << killsDone_ << ", files left under a temporary name: " << leftovers << "\n";
    std::cout << "Word restarts (the daemon quitting as it should): " << restarts_
              << ", unexpected endings: " << crashes_ << ", jobs not as expected: " << failures_ << "\n";
    return failures_ == 0 && crashes_ == 0 ? 0 : 1;
  }

 private:
  // Every tenth job is faulty, the faults in turn.
  static Kind kindOf(int job) {
    if (job % 10 != 0) return Kind::kGood;
    static const Kind faults[] = {Kind::kRejected,           Kind::kNotAZip,         Kind::kUnsafeName,
                                  Kind::kUnreadableDataFile, Kind::kMissingTemplate, Kind::kGarbageStatus,
                                  Kind::kMissingResultFolder};
    return faults[(job / 10) % std::size(faults)];
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
    auto& settings = description["settings"];
    settings["resultDocName"] =
        kind == Kind::kUnsafeName ? "..\\job" + std::to_string(job) : "job" + std::to_string(job);
    settings["resultDocPath"] = kind == Kind::kMissingResultFolder ? "nowhere\\" : "results\\";
    if (kind == Kind::kUnreadableDataFile) {
      settings["generate_mode"] = "csvFile";
      settings["merge_data_file"] = "kapot.csv";
    }
    if (kind == Kind::kMissingTemplate) description.erase("template");
    if (kind == Kind::kNotAZip) description["template"] = {{"file", "not-a-zip"}};
    return tw::addin::writeConnectorFile(description, [](const std::string& name) {
      return name == "not-a-zip" ? std::string("Geen zip\r\n") : readFile(kInvoice / name);
    });
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

  // A first start begins without a status file; a restart after a kill finds what the killed Word left.
  bool startDaemon(bool afterKill = false) {
    writeFile(root_ / "temp/twDaemon.tmp", (root_ / "base").string() + "\\");
    if (!afterKill) fs::remove(statusFile());
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
    // Started once the marker is read; after a kill the status may also be " 3" (a job cut off) or a
    // job announced before the kill may still run.
    const auto started = [&] {
      if (!afterKill) return status() == " 0";
      auto now = status();
      return !fs::exists(root_ / "temp/twDaemon.tmp") && now && *now != " 1" && *now != " 2";
    };
    if (waitFor(started, 60s)) {
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
  bool waitFor(Condition done, std::chrono::seconds limit, std::chrono::milliseconds step = 5ms) {
    for (auto until = Clock::now() + limit; Clock::now() < until; std::this_thread::sleep_for(step)) {
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
      case Kind::kUnsafeName:
      case Kind::kUnreadableDataFile:
        if (final != " 3") return "status " + final.value_or("(gone)") + " instead of \" 3\"";
        if (fs::exists(jobFile()) || readFile(setAsideFile()) != bytes)
          return "docData not kept as docData.err";
        fs::remove(setAsideFile());
        return "";
      case Kind::kNotAZip:
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

  // A good job whose Word is killed: the first kills while the job runs (status " 2"), the third right
  // after the announcement, before the daemon's poll takes it. Whatever the moment, the restarted daemon
  // must end with " 0" and the whole results, or " 3" and the job kept as docData.err.
  std::string runKilledJob(int job, int kill) {
    const std::string name = "job" + std::to_string(job);
    const std::string bytes = jobBytes(job, Kind::kGood);
    writeFile(jobFile(), bytes);
    writeFile(statusFile(), " 1");
    if (kill % 3 != 2) waitFor([&] { return status() == " 2"; }, 10s, 1ms);
    const std::string statusAtKill = status().value_or("(gone)");
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    if (!startDaemon(true)) return "the daemon could not be started again after the kill";
    if (!waitFor(
            [&] {
              auto now = status();
              return now && *now != " 1" && *now != " 2";
            },
            60s))
      return "no status after 60 s";
    const std::string final = status().value_or("(gone)");
    std::cout << "kill " << kill + 1 << " at job " << job << ": status " << statusAtKill << " when killed, "
              << final << " after the restart\n";
    fs::path doc = root_ / "base/results" / (name + ".doc");
    fs::path prn = root_ / "base/documents/spool" / (name + ".prn");
    std::string problem;
    if (final == " 0") {
      if (!fs::exists(doc) || !readFile(prn).starts_with("%PDF-") || fs::exists(jobFile()))
        problem = "reported done without its results";
    } else if (final == " 3") {
      if (fs::exists(jobFile()) || readFile(setAsideFile()) != bytes)
        problem = "docData not kept as docData.err";
      fs::remove(setAsideFile());
    } else {
      problem = "status " + final + " after the restart";
    }
    fs::remove(doc);
    fs::remove(prn);
    // The service answers a finished job by making the daemon idle again.
    writeFile(statusFile(), " 0");
    return problem;
  }

  fs::path root_;
  std::string tallyweave_;
  bool faults_ = true;
  int kills_ = 0;
  int killsDone_ = 0;
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
  int kills = 3;
  std::string tallyweave = TW_TALLYWEAVE;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--good-only")
      faults = false;
    else if (argument == "--kills" && i + 1 < argc)
      kills = std::atoi(argv[++i]);
    else if (argument == "--tallyweave" && i + 1 < argc)
      tallyweave = argv[++i];
    else
      jobs = std::atoi(argv[i]);
  }
  if (jobs <= 0) {
    std::cerr << "usage: daemon_soak [jobs] [--good-only] [--kills N] [--tallyweave PATH]\n";
    return 2;
  }
  char pattern[] = "/tmp/tw-soak-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  fs::path root = pattern;
  int result = Soak(root, tallyweave, faults, kills).run(jobs);
  std::cout << "session log: " << (root / "session.log").string() << "\n";
  return result;
}
