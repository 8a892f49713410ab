#include "connector/document_job.h"

#include "connector/cleanup.h"
#include "connector/connector_reader.h"
#include "connector/template_job.h"
#include "context/addin_context.h"
#include "context/documents.h"
#include "context/temp_files.h"
#include "merge/merge_driver.h"

namespace tw::addin {
namespace {

bool failDocumentJob(AddinContext& ctx) {
  ctx.services.ui.MsgBox(
      "Het document kan niet geladen worden omdat deze niet geldig is.\r\nKan niet verder gaan");
  // The job file was closed by the reader when it gave up, so it can be moved.
  moveJobAside(ctx, tempfile::kDocumentJob, tempfile::kRejectedDocumentJob);
  cleanupTempFiles(ctx);
  return false;
}

}  // namespace

bool runDocumentJob(AddinContext& ctx) {
  tallyweaveModule& m = ctx.module;
  m.resultDocName = "unknownDocument";
  try {
    if (!readConnectorFile(ctx, ctx.tempPath(tempfile::kDocumentJob))) return failDocumentJob(ctx);
    ctx.debugMsg("Parse ok");
    ctx.services.sys.DeleteFile(ctx.tempPath(tempfile::kDocumentJob));
    ctx.debugMsg("Opening template");
    OpenDocument(ctx, ctx.tempPath(tempfile::kJobTemplate), true);
    Domerge(ctx);
    return true;
  } catch (...) {
    return failDocumentJob(ctx);
  }
}

}  // namespace tw::addin
