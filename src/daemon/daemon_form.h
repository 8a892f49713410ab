#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ui/ui.h"

namespace tw::addin {

class AddinContext;

// The form "Kontavera Document daemon": its timer polls the status file below the base folder every
// 500 ms and runs the spool job the service announces there. The base folder is read once, from the
// daemon marker in TEMP, when the form is first used. Its debug box shows a dot for every poll; a line
// above it says what became of the last job, and why the daemon stopped.
class DaemonForm {
 public:
  static constexpr const char* kTitle = "Kontavera Document daemon";
  static constexpr int kPollInterval = 500;

  explicit DaemonForm(AddinContext& ctx) : ctx_(ctx) {}
  ~DaemonForm();
  DaemonForm(const DaemonForm&) = delete;
  DaemonForm& operator=(const DaemonForm&) = delete;

  // Loads the form (the first use runs the load step); nothing else.
  void Activate();
  void Show();
  // Called when Word begins to shut down in daemon mode.
  void CloseDaemon();
  // Stops the daemon and closes Word; the status file is removed so the service sees the daemon go.
  // `reason` says why, on the form.
  void quitWord(std::string_view reason = {});

  // One poll of the status file (the timer's tick).
  void DaemonTimer_Timer();

  bool shown() const { return form_ && form_->IsShown(); }
  bool busy() const { return busy_; }
  // True once the daemon has been told to stop; its timer does not run again.
  bool stopped() const { return stopped_; }
  const std::string& debugText() const { return debugText_; }
  // What became of the last job, or why the daemon stopped; "" before either.
  std::string jobStatus() const;
  std::string statusFilePath() const;

 private:
  void Form_Load();
  // The service wrote the status file: a job announced, or the word to quit, is acted on at once rather
  // than at the next poll. The poll stays, for systems where the file cannot be watched.
  void statusFileChanged();
  void takeJob();
  // Writes a status value as the whole status file.
  void writeStatus(std::string_view value);
  // Reports the job failed (" 3") and sets its job file aside as docData.err.
  void failJob();
  void appendDebugText(std::string_view text);
  void showJobStatus(const std::string& text);

  AddinContext& ctx_;
  std::unique_ptr<ui::Form> form_;
  std::unique_ptr<ui::Timer> timer_;
  std::unique_ptr<ui::FileWatch> statusWatch_;
  bool busy_ = false;
  bool stopped_ = false;
  // The last step reached inside a poll; only the error log line shows it.
  std::string statusCode_;
  std::string debugText_;
};

// Runs the job waiting in `basePath`\documents\spool\docData: reads it, merges it into its template, saves
// the result below `basePath`, prints it to the spool folder and only then deletes the job file. False
// when the job file was not accepted, or when `quitting` says a failed step made Word quit; the job file
// then stays where it is.
bool processSpoolJob(AddinContext& ctx, const std::string& basePath, const std::function<bool()>& quitting);

}  // namespace tw::addin
