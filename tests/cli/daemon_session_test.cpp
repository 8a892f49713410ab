#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <thread>

#include "cli/connector_writer.h"
#include "cli/word_session.h"
#include "support/test_services.h"
#include "support/unique_ids.h"

namespace tw::cli {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kInvoice = fs::path(TW_FIXTURES) / ".." / ".." / "examples" / "invoice";

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// A daemon session in a thread of its own, driven from the test as the service drives it: through the
// status file and the spool folder, on the wall clock.
class DaemonSessionTest : public ::testing::Test {
 protected:
  DaemonSessionTest() {
    for (const char* folder : {"temp", "base/pidfiles", "base/documents/spool"})
      fs::create_directories(root.path() / folder);
    root.write("temp/twDaemon.tmp", (root.path() / "base").string() + "\\");
  }

  void start(bool verbose = false) {
    session = std::async(std::launch::async, [this, verbose] {
      WordSessionOptions options;
      options.temp = (root.path() / "temp").string();
      options.verbose = verbose;
      return runWordSession(options, console);
    });
  }

  // What TEMP holds besides the marker that makes Word a daemon and the debug log.
  std::vector<std::string> tempLeftOver() const {
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(root.path() / "temp")) {
      std::string name = fs::relative(item.path(), root.path() / "temp").string();
      if (name != "twDaemon.tmp" && name != "twDebug.tmp" && name != "debugTw.txt" && !item.is_directory())
        files.push_back(name);
    }
    return files;
  }

  void announce(const nlohmann::ordered_json& job,
                const std::function<std::string(const std::string&)>& files) {
    root.write("base/documents/spool/docData", addin::writeConnectorFile(job, files));
    root.write("base/pidfiles/officeDaemon", " 1");
  }

  std::string status() const { return root.read("base/pidfiles/officeDaemon"); }
  bool statusExists() const { return root.exists("base/pidfiles/officeDaemon"); }

  // Waits (up to a generous limit, for a loaded machine) until `done` holds.
  template <typename Condition>
  bool waitFor(Condition done) const {
    for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;
         std::this_thread::sleep_for(10ms)) {
      if (done()) return true;
    }
    return false;
  }

  // The session's exit status, once it has ended.
  int ended() {
    EXPECT_EQ(session.wait_for(30s), std::future_status::ready);
    return session.get();
  }

  testing::TempFolder root;
  std::ostringstream console;
  std::future<int> session;
};

TEST_F(DaemonSessionTest, RunsJobsUntilTheServiceWritesFifteen) {
  start();
  ASSERT_TRUE(waitFor([&] { return statusExists() && status() == " 0"; }));

  nlohmann::ordered_json job = {
      {"kind", "document"},
      {"template", {{"file", "factuur.docx"}}},
      {"fields", {{"klant_naam", "Jansen"}, {"factuurnummer", "2026-001"}, {"totaal", "10"}}},
      {"settings", {{"resultDocName", "factuur-2026-001"}}},
  };
  root.write("base/documents/spool/docData", addin::writeConnectorFile(job, [](const std::string& name) {
               return readFile(kInvoice / name);
             }));
  root.write("base/pidfiles/officeDaemon", " 1");
  ASSERT_TRUE(waitFor([&] { return status() == " 0"; })) << status();
  EXPECT_TRUE(root.exists("base/factuur-2026-001.doc"));
  EXPECT_EQ(testing::repeatedIdentifiers(root.read("base/factuur-2026-001.doc")), std::vector<std::string>{});
  // Word's current printer is the PDF printer unless the session names another.
  EXPECT_TRUE(root.read("base/documents/spool/factuur-2026-001.prn").starts_with("%PDF-"));
  EXPECT_FALSE(root.exists("base/documents/spool/docData"));

  root.write("base/pidfiles/officeDaemon", "15");
  EXPECT_EQ(ended(), kSessionRan);
  EXPECT_FALSE(statusExists());
  // Word's own shutdown cleaned up after the job.
  EXPECT_EQ(tempLeftOver(), std::vector<std::string>{});
  // The console shows the job and its result, and none of the idle polls.
  const std::string shown = console.str();
  EXPECT_NE(
      shown.find("[Kontavera Document daemon] jobStatus: Opdracht opgehaald: documents\\spool\\docData\n"
                 "[Kontavera Document daemon] jobStatus: Opdracht klaar (status 0): factuur-2026-001.doc, "
                 "documents\\spool\\factuur-2026-001.prn\n"),
      std::string::npos)
      << shown;
  EXPECT_EQ(shown.find("debugText"), std::string::npos) << shown;
}

// The poll that reads the quit still adds its dot to the debug box: with --verbose the console shows it.
TEST_F(DaemonSessionTest, VerboseShowsThePollsDots) {
  for (bool verbose : {false, true}) {
    SCOPED_TRACE(verbose);
    root.write("temp/twDaemon.tmp", (root.path() / "base").string() + "\\");
    console.str("");
    start(verbose);
    ASSERT_TRUE(waitFor([&] { return statusExists() && status() == " 0"; }));
    root.write("base/pidfiles/officeDaemon", "15");
    EXPECT_EQ(ended(), kSessionRan);
    const std::string shown = console.str();
    EXPECT_EQ(shown.find("[Kontavera Document daemon] debugText: .") != std::string::npos, verbose) << shown;
    EXPECT_NE(shown.find("[Kontavera Document daemon] jobStatus: Gestopt: status 15\n"), std::string::npos)
        << shown;
  }
}

// A daemon that cannot start says why on the console, though its form never showed.
TEST_F(DaemonSessionTest, ADaemonThatCannotStartSaysWhy) {
  fs::remove_all(root.path() / "base");
  start();
  EXPECT_EQ(ended(), kSessionRan);
  EXPECT_NE(console.str().find(
                "tallyweave word: the daemon stopped while starting (Gestopt: Error starting daemon "),
            std::string::npos)
      << console.str();
}

// A job that fails makes the daemon quit Word; the job leaves nothing in TEMP.
TEST_F(DaemonSessionTest, AnErrorQuitsWordAndLeavesNothingOfTheJob) {
  root.write("temp/twDebug.tmp", "");
  start();
  ASSERT_TRUE(waitFor([&] { return statusExists() && status() == " 0"; }));
  nlohmann::ordered_json job = {
      {"kind", "document"},
      {"template", {{"file", "factuur.docx"}}},
      {"fields", {{"klant_naam", "Jansen"}}},
      {"settings", {{"resultDocName", "kapot"}}},
  };
  announce(job, [](const std::string&) { return std::string("geen document"); });
  EXPECT_EQ(ended(), kSessionRan);
  EXPECT_FALSE(statusExists());
  EXPECT_NE(root.read("temp/debugTw.txt").find("Quiting Word"), std::string::npos);
  EXPECT_EQ(tempLeftOver(), std::vector<std::string>{});
}

TEST_F(DaemonSessionTest, ASignalEndsTheSessionAndRemovesTheStatusFile) {
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    root.write("temp/twDaemon.tmp", (root.path() / "base").string() + "\\");
    start();
    ASSERT_TRUE(waitFor([&] { return statusExists() && status() == " 0"; }));
    std::raise(signal);
    EXPECT_EQ(ended(), kSessionRan);
    EXPECT_FALSE(statusExists());
    EXPECT_NE(console.str().find("stopped by a signal"), std::string::npos);
  }
}

}  // namespace
}  // namespace tw::cli
