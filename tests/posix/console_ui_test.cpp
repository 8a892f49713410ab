#include "posix/console_ui.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tw::posix {
namespace {

constexpr long kLongest = std::numeric_limits<long>::max();

// Waits as a session script's `wait` lines give them, against a timer of one second that the session
// started at 0 and that stops itself after its first tick.
TEST(ConsoleUiClock, WaitsNeverRunTheClockBackNorPastItsEnd) {
  struct Case {
    const char* name;
    std::vector<long> waits;
    long now;
    int ticks;
  };
  const Case cases[] = {
      {"ordinary waits", {400, 700}, 1100, 1},
      {"a negative wait waits for nothing", {-5, 1000}, 1000, 1},
      {"a wait to the end of the clock", {1, kLongest}, ConsoleUi::kClockEnd, 1},
      {"waits beyond the end of the clock", {1, kLongest, kLongest, 1}, ConsoleUi::kClockEnd, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream console;
    ConsoleUi ui(console, {});
    int ticks = 0;
    std::unique_ptr<ui::Timer> timer;
    timer = ui.CreateTimer([&] {
      ++ticks;
      timer->SetInterval(0);
    });
    timer->SetInterval(1000);
    for (long wait : c.waits) ui.advance(wait);
    EXPECT_EQ(ui.now(), c.now);
    EXPECT_EQ(ticks, c.ticks);
    // A timer set at the end of the clock never comes due, and setting it overflows nothing.
    timer->SetInterval(std::numeric_limits<int>::max());
    ui.advance(kLongest);
  }
}

// A log box grows at every tick of its form's timer; the console shows it only when asked to, and every
// other text of a shown form always.
TEST(ConsoleUiForms, ALogBoxIsEchoedOnlyWhenVerbose) {
  for (bool verbose : {false, true}) {
    SCOPED_TRACE(verbose);
    std::ostringstream console;
    ConsoleUi ui(console, {}, verbose);
    auto daemon = ui.CreateForm("Kontavera Document daemon");
    daemon->Show();
    daemon->SetText("debugText", "..");
    daemon->SetText("jobStatus", "Opdracht opgehaald");
    EXPECT_EQ(console.str().find("[Kontavera Document daemon] debugText: ..\n") != std::string::npos, verbose)
        << console.str();
    EXPECT_NE(console.str().find("[Kontavera Document daemon] jobStatus: Opdracht opgehaald\n"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace tw::posix
