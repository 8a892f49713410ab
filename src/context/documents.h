#pragma once

// The document operations that every document-producing path shares (jobs, merges, the daemon, the
// upload). Each does nothing before the add-in is active.

#include <string>

namespace tw::addin {

class AddinContext;

// Opens the document at `location` (when it exists) and activates it; with `isSourceDocument` it becomes
// the template of the job. A failure is logged and, in daemon mode, quits Word. True when it was opened.
bool OpenDocument(AddinContext& ctx, const std::string& location, bool isSourceDocument = false);

// Saves the active document at `location` in Word's document format. A failure is logged and, in daemon
// mode, quits Word.
void saveActiveDocument(AddinContext& ctx, const std::string& location);

// Opens a new window and closes the active document without saving.
void resetDocuments(AddinContext& ctx);

// Prints the active document to the file `location`.
void printToPrn(AddinContext& ctx, const std::string& location);

// True when the active document is the template of the job; the upload and the example merge work only
// there.
bool activeDocumentIsTemplate(AddinContext& ctx);

}  // namespace tw::addin
