#include "connector/document_job.h"

#include "addin/plugin.h"
#include "connector/cleanup.h"
#include "connector/connector_reader.h"
#include "connector/template_job.h"

namespace tw::addin {
namespace {

constexpr const char* kJobFile = "twDoc.tmp";
constexpr const char* kFailedJobFile = "twDoc.err";

bool failDocumentJob(plugin& self) {
  self.services().ui.MsgBox(
      "Het document kan niet geladen worden omdat deze niet geldig is.\r\nKan niet verder gaan");
  // The job file was closed by the reader when it gave up, so it can be moved.
  moveJobAside(self, kJobFile, kFailedJobFile);
  cleanupTempFiles(self);
  return false;
}

}  // namespace

bool runDocumentJob(plugin& self) {
  tallyweaveModule& m = self.module();
  m.resultDocName = "unknownDocument";
  try {
    if (!readConnectorFile(self, self.tempPath(kJobFile))) return failDocumentJob(self);
    self.debugMsg("Parse ok");
    self.services().sys.DeleteFile(self.tempPath(kJobFile));
    self.debugMsg("Opening template");
    self.OpenDocument(self.tempPath("SjabloonDocument.doc"), true);
    self.Domerge("0", static_cast<runtime::Integer>(m.fieldCount - 1), m.dataString, m.fieldValues);
    return true;
  } catch (...) {
    return failDocumentJob(self);
  }
}

}  // namespace tw::addin
