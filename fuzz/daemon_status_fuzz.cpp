// Arbitrary bytes as the daemon's status file (<base>\pidfiles\officeDaemon), written by the service after
// the daemon has started: three polls read it as the daemon does and act on it (wait, take the job the
// service announced, of which there is none, or quit). Never a crash; while Word has not quit, the
// status file is still there for the service to read.

#include <cstddef>
#include <cstdint>
#include <string>

#include "daemon/daemon_form.h"
#include "fuzz_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw::fuzz;
  resetRoot({"temp", "base/pidfiles", "base/documents/spool"});
  writeFile(root() / "temp/twDaemon.tmp", (root() / "base").string() + "\\");
  WordSession session;
  session.start();
  const fs::path status = root() / "base/pidfiles/officeDaemon";
  writeFile(status, std::string(reinterpret_cast<const char*>(data), size));
  for (int poll = 0; poll < 3; ++poll) session.ui.advance(tw::addin::DaemonForm::kPollInterval);
  if (!session.word->quitRequested() && !fs::exists(status)) __builtin_trap();
  return 0;
}
