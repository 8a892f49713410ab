#pragma once

#include <string>

namespace tw::addin {

class AddinContext;

// The form "Kontavera Document daemon" whose timer polls the spool folder.
class DaemonForm {
 public:
  explicit DaemonForm(AddinContext& ctx) : ctx_(ctx) {}

  void Activate();
  void Show();
  // Called when Word begins to shut down in daemon mode.
  void CloseDaemon();
  // Stops the daemon and closes Word; the status file is removed so the service sees the daemon go.
  void quitWord();

  bool shown() const { return shown_; }

 private:
  std::string statusFilePath() const;

  AddinContext& ctx_;
  bool shown_ = false;
};

}  // namespace tw::addin
