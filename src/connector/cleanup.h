#pragma once

namespace tw::addin {

class plugin;

// Removes the temporary files of every job kind and resets the field list.
void cleanupTempFiles(plugin& self);

}  // namespace tw::addin
