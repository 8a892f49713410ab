#include "daemon/daemon_form.h"

#include "addin/plugin.h"

namespace tw::addin {

void DaemonForm::Activate() {}

void DaemonForm::Show() {
  shown_ = true;
}

void DaemonForm::CloseDaemon() {
  quitWord();
}

std::string DaemonForm::statusFilePath() const {
  const std::string& basePath = plugin_.module().basePath;
  return basePath.empty() ? std::string() : basePath + "pidfiles\\officeDaemon";
}

void DaemonForm::quitWord() {
  plugin_.debugMsg("Quiting Word");
  shown_ = false;
  plugin_.quitWord();
  std::string statusFile = statusFilePath();
  if (!statusFile.empty() && plugin_.FileExists(statusFile)) plugin_.services().sys.DeleteFile(statusFile);
}

}  // namespace tw::addin
