// The document operations of the plugin object that every document-producing path shares.

#include "addin/plugin.h"
#include "daemon/daemon_form.h"

namespace tw::addin {

void plugin::OpenDocument(const std::string& location, bool isSourceDocument) {
  if (!active()) return;
  try {
    if (!FileExists(location)) return;
    std::shared_ptr<word::Document> document = runtime::objectRef(oXL).Documents()->Open(location);
    runtime::objectRef(document).Activate();
    if (isSourceDocument) sourceDocument = oXL->ActiveDocument();
  } catch (...) {
    debugMsg("Error opening document : " + location);
    if (startMode() == kStartDaemon) daemonForm().quitWord();
  }
}

void plugin::saveActiveDocument(const std::string& location) {
  if (!active()) return;
  try {
    debugMsg("Saving document: " + location);
    runtime::objectRef(oXL).ActiveDocument()->SaveAs(location, word::wdFormatDocument);
  } catch (...) {
    debugMsg("Error saving document : " + location + runtime::currentError().description());
    if (startMode() == kStartDaemon) daemonForm().quitWord();
  }
}

void plugin::resetDocuments() {
  if (!active()) return;
  std::shared_ptr<word::Document> document = runtime::objectRef(oXL).ActiveDocument();
  oXL->NewWindow();
  runtime::objectRef(document).Close(false);
}

}  // namespace tw::addin
