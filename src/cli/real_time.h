#pragma once

#include <csignal>

namespace tw::engine {
class EngineApplication;
}
namespace tw::posix {
class ConsoleUi;
}

namespace tw::cli {

// Runs a session's timers on the wall clock, as Word's message loop would, for a session that lives until
// it is told to end (the spool daemon). While it exists SIGINT and SIGTERM do not kill the process: they
// end run(), so that Word shuts down as a user closing it would.
class RealTimeTimers {
 public:
  RealTimeTimers();
  ~RealTimeTimers();
  RealTimeTimers(const RealTimeTimers&) = delete;
  RealTimeTimers& operator=(const RealTimeTimers&) = delete;

  // Lets the timers run until Word quits or a signal arrives; true when a signal ended it.
  bool run(engine::EngineApplication& word, posix::ConsoleUi& ui);

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

}  // namespace tw::cli
