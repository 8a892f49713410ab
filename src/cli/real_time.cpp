#include "cli/real_time.h"

#include <atomic>
#include <chrono>

#include "engine/engine.h"
#include "posix/console_ui.h"

namespace tw::cli {
namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void requestStop(int /*signal*/) {
  stopRequested = true;
}

// How often the loop looks at the clock; timers fall due on the millisecond all the same.
constexpr std::chrono::milliseconds kSlice{20};

}  // namespace

RealTimeTimers::RealTimeTimers() {
  stopRequested = false;
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInt_);
  sigaction(SIGTERM, &action, &previousTerm_);
}

RealTimeTimers::~RealTimeTimers() {
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
}

bool RealTimeTimers::run(engine::EngineApplication& word, posix::ConsoleUi& ui) {
  using Clock = std::chrono::steady_clock;
  Clock::time_point last = Clock::now();
  while (!word.quitRequested() && !stopRequested) {
    // A watched file that changes ends the wait at once (the daemon's status file announcing a job).
    ui.waitForFileChanges(kSlice);
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - last);
    if (elapsed.count() <= 0) continue;
    last += elapsed;
    ui.advance(static_cast<long>(elapsed.count()));
  }
  return stopRequested;
}

}  // namespace tw::cli
