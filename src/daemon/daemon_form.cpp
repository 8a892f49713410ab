#include "daemon/daemon_form.h"

#include "context/addin_context.h"

namespace tw::addin {

void DaemonForm::Activate() {}

void DaemonForm::Show() {
  shown_ = true;
}

void DaemonForm::CloseDaemon() {
  quitWord();
}

std::string DaemonForm::statusFilePath() const {
  const std::string& basePath = ctx_.module.basePath;
  return basePath.empty() ? std::string() : basePath + "pidfiles\\officeDaemon";
}

void DaemonForm::quitWord() {
  ctx_.debugMsg("Quiting Word");
  shown_ = false;
  ctx_.quitWord();
  std::string statusFile = statusFilePath();
  if (!statusFile.empty() && ctx_.fileExists(statusFile)) ctx_.services.sys.DeleteFile(statusFile);
}

}  // namespace tw::addin
