#pragma once

namespace tw::addin {

class AddinContext;

// Removes the temporary files of every job kind and resets the field list.
void cleanupTempFiles(AddinContext& ctx);

}  // namespace tw::addin
