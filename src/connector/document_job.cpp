#include "connector/document_job.h"

#include "connector/cleanup.h"
#include "connector/connector_reader.h"
#include "connector/job_files.h"
#include "context/addin_context.h"
#include "context/documents.h"
#include "context/temp_files.h"
#include "merge/merge_driver.h"

namespace tw::addin {
namespace {

bool failDocumentJob(AddinContext& ctx) {
  runtime::resumeNext([&] {
    ctx.services.ui.MsgBox(
        "Het document kan niet geladen worden omdat deze niet geldig is.\r\nKan niet verder gaan");
  });
  // The job file was closed by the reader when it gave up, so it can be moved.
  setJobAside(ctx, tempfile::kDocumentJob, tempfile::kRejectedDocumentJob);
  cleanupTempFiles(ctx);
  return false;
}

// Reads the job and opens its template; the job file goes only once the template is open, so a job whose
// template Word cannot open is kept.
bool readJobAndOpenTemplate(AddinContext& ctx) {
  if (!readConnectorFile(ctx, ctx.tempPath(tempfile::kDocumentJob))) return false;
  ctx.debugMsg("Parse ok");
  ctx.debugMsg("Opening template");
  if (!OpenDocument(ctx, ctx.tempPath(tempfile::kJobTemplate), true)) return false;
  ctx.services.sys.DeleteFile(ctx.tempPath(tempfile::kDocumentJob));
  return true;
}

}  // namespace

bool runDocumentJob(AddinContext& ctx) {
  ctx.module.resultDocName = "unknownDocument";
  const auto claim = claimJob(ctx, tempfile::kDocumentJob);
  if (!claim) return false;
  bool opened = false;
  runtime::resumeNext([&] { opened = readJobAndOpenTemplate(ctx); });
  // The failure path runs once, whatever failed.
  if (!opened) return failDocumentJob(ctx);
  Domerge(ctx);
  return true;
}

}  // namespace tw::addin
