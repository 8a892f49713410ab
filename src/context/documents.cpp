#include "context/documents.h"

#include "context/addin_context.h"

namespace tw::addin {

bool OpenDocument(AddinContext& ctx, const std::string& location, bool isSourceDocument) {
  if (!ctx.active) return false;
  try {
    if (!ctx.fileExists(location)) return false;
    std::shared_ptr<word::Document> document = ctx.word().Documents()->Open(location);
    runtime::objectRef(document).Activate();
    if (isSourceDocument) ctx.settings.sourceDocument = ctx.oXL->ActiveDocument();
    return true;
  } catch (...) {
    const runtime::Error error = runtime::currentError();
    ctx.logFailure("Error opening document : " + location);
    runtime::resumeNext([&] { ctx.debugMsg("Reason: " + error.logText()); });
    return false;
  }
}

void saveActiveDocument(AddinContext& ctx, const std::string& location) {
  if (!ctx.active) return;
  try {
    ctx.debugMsg("Saving document: " + location);
    ctx.word().ActiveDocument()->SaveAs(location, word::wdFormatDocument);
  } catch (...) {
    ctx.logFailure("Error saving document : " + location + runtime::currentError().description());
  }
}

void resetDocuments(AddinContext& ctx) {
  if (!ctx.active) return;
  std::shared_ptr<word::Document> document = ctx.word().ActiveDocument();
  ctx.oXL->NewWindow();
  runtime::objectRef(document).Close(false);
}

void printToPrn(AddinContext& ctx, const std::string& location) {
  if (!ctx.active) return;
  ctx.word().ActiveDocument()->PrintOut(word::wdPrintAllDocument, location, true);
}

bool activeDocumentIsTemplate(AddinContext& ctx) {
  auto active = ctx.word().ActiveDocument();
  const auto& source = ctx.settings.sourceDocument;
  return source && runtime::objectRef(active).Is(*source);
}

}  // namespace tw::addin
