// Arbitrary bytes as the daemon marker twDaemon.tmp, the base folder as the launcher wrote it, read when
// Word starts in daemon mode; "{root}" in the input stands for the fuzzer's folder, which holds a base
// folder with its pidfiles and spool folders (so seeds can name it wherever the fuzzer runs). The daemon
// then polls twice with a job announced in the status file. Never a crash; whatever folder the text
// names, nothing outside the fuzzer's folder is touched (the confined system sees to that).

#include <cstddef>
#include <cstdint>
#include <string>

#include "daemon/daemon_form.h"
#include "fuzz_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw::fuzz;
  resetRoot({"temp", "base/pidfiles", "base/documents/spool"});
  std::string marker(reinterpret_cast<const char*>(data), size);
  const std::string token = "{root}";
  for (size_t at = marker.find(token); at != std::string::npos; at = marker.find(token, at)) {
    marker.replace(at, token.size(), root().string());
    at += root().string().size();
  }
  writeFile(root() / "temp/twDaemon.tmp", marker);
  writeFile(root() / "base/pidfiles/officeDaemon", " 1");
  WordSession session;
  session.start();
  for (int poll = 0; poll < 2; ++poll) session.ui.advance(tw::addin::DaemonForm::kPollInterval);
  return 0;
}
