#include <gtest/gtest.h>

#include <sstream>

#include "addin/plugin.h"
#include "daemon/daemon_form.h"
#include "engine/engine.h"
#include "posix/console_ui.h"
#include "posix/posix_system.h"
#include "support/test_services.h"

namespace tw::addin {
namespace {

// A base folder that the status file cannot be written below makes the daemon quit Word at start. Where
// even looking for the status file fails (a folder name longer than the system takes), quitting still
// ends quietly: nothing escapes to Word.
TEST(DaemonStart, ABaseFolderWhoseNameTheSystemRefusesQuitsWordQuietly) {
  testing::TempFolder root;
  std::filesystem::create_directories(root.path() / "temp");
  root.write("temp/twDebug.tmp", "");
  root.write("temp/twDaemon.tmp", (root.path() / std::string(300, 'x')).string() + "\\");
  posix::PosixSystem sys{
      posix::PosixSystem::Options{.environment = {{"TEMP", (root.path() / "temp").string()}}}};
  std::ostringstream console;
  posix::ConsoleUi ui{console, {}};
  testing::RefusingHttp http;
  plugin addin{Services{sys, ui, http}};
  auto word = engine::createApplication(sys);
  addin.AddinInstance_OnConnection(word, 0, AddInInstance{});

  EXPECT_NO_THROW(addin.AddinInstance_OnStartupComplete());
  EXPECT_TRUE(word->quitRequested());
  EXPECT_FALSE(addin.daemonForm().shown());
  EXPECT_FALSE(root.exists("temp/twDaemon.tmp"));
  EXPECT_NE(root.read("temp/debugTw.txt").find("Quiting Word"), std::string::npos);
}

}  // namespace
}  // namespace tw::addin
