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

  void start() {
    session = std::async(std::launch::async, [this] {
      WordSessionOptions options;
      options.temp = (root.path() / "temp").string();
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
