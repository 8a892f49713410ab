#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "posix/file_descriptor.h"

namespace tw::posix {

// The user interface of a Word session in a terminal. A message box is printed on the console, framed
// and marked as the add-in's, with its exact text and buttons, and answered from a script of answers
// (then with its default button). Timers run on a clock of their own that the session advances, so a
// session is repeatable. A shown form prints every text it sets; a log box, which grows at every tick of
// its form's timer, only when `verbose`.
class ConsoleUi : public ui::Ui {
 public:
  // `answers`: "ok", "cancel", "yes", "no", "abort", "retry", "ignore", in the order the boxes appear: each
  // box takes the next one, and one that names none of its buttons gets the default button.
  ConsoleUi(std::ostream& out, std::vector<std::string> answers, bool verbose = false);
  ~ConsoleUi() override;

  int MsgBox(const std::string& prompt, int buttons, const std::optional<std::string>& title) override;
  std::unique_ptr<ui::Timer> CreateTimer(std::function<void()> tick) override;
  std::unique_ptr<ui::Form> CreateForm(const std::string& title) override;
  std::shared_ptr<ui::Picture> LoadPicture(const std::string& hostPath) override;
  void DoEvents() override {}
  // Through inotify, on the folder of the file.
  std::unique_ptr<ui::FileWatch> WatchFile(const std::string& hostPath,
                                           std::function<void()> changed) override;

  // The last moment of the timer clock: far beyond any session, and a timer's interval still fits after it.
  static constexpr long kClockEnd = std::numeric_limits<long>::max() - std::numeric_limits<int>::max();

  // Advances the timer clock by `milliseconds`, running every tick that falls due, in time order. The
  // clock never runs backwards (a negative count waits for nothing) and stops at kClockEnd.
  void advance(long milliseconds);
  // Waits up to `timeout` for a watched file to change and runs the watches of the files that did; with
  // no watch it only waits. advance() also runs the watches of changes that have happened.
  void waitForFileChanges(std::chrono::milliseconds timeout);
  // Presses a button of the shown form with this title, named by its name or its caption; error 5 when
  // there is none or it is hidden or disabled.
  void pressButton(const std::string& formTitle, const std::string& control);
  // Types `text` into a text box of the shown form with this title, named by its name or by the label
  // before it (with or without the label's colon); error 5 when there is none.
  void fillText(const std::string& formTitle, const std::string& control, const std::string& text);
  // The text of a control of the form with this title.
  std::string controlText(const std::string& formTitle, const std::string& control);
  long now() const { return clock_; }

  struct TimerState;
  struct FormState;
  struct WatchState;

 private:
  // Reads the changes inotify has and runs each watch whose file changed once.
  void runFileWatches();
  std::ostream& out_;
  std::deque<std::string> answers_;
  bool verbose_;
  long clock_ = 0;
  std::vector<std::shared_ptr<TimerState>> timers_;
  std::vector<std::shared_ptr<FormState>> forms_;
  std::vector<std::shared_ptr<WatchState>> watches_;
  FileDescriptor inotify_;  // opened with the first watch
};

}  // namespace tw::posix
