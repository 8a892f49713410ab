#pragma once

namespace tw::addin {

class AddinContext;

// Produces the finished document from the active document by Word's mail merge, with the record of the
// job state. Every failing step is logged and skipped; the merge goes on. False when Word's mail merge
// itself did not run (a data source it could not open, say): what is left is the template, not a result.
// An example merge (`isVoorbeeld`) saves its result as TEMP\document_voorbeeld<n>.doc and keeps it open.
bool Domerge(AddinContext& ctx, bool isVoorbeeld = false);

// The example merge of the menu button and the ribbon: only from the template being edited.
void startVoorbeeldMerge(AddinContext& ctx);

}  // namespace tw::addin
