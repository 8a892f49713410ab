#pragma once

namespace tw::addin {

class AddinContext;

// Runs the document job of TEMP\twDoc.tmp; true when it was read and handed to the merge driver.
bool runDocumentJob(AddinContext& ctx);

}  // namespace tw::addin
