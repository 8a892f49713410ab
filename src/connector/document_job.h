#pragma once

namespace tw::addin {

class plugin;

// Runs the document job of TEMP\twDoc.tmp; true when it was read and handed to the merge driver.
bool runDocumentJob(plugin& self);

}  // namespace tw::addin
