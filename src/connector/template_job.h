#pragma once

#include <string>

namespace tw::addin {

class plugin;

// Reads TEMP\twDocTemplate.tmp; true when the template was accepted and opened. `moduleName` is the
// caller's text for its start-up message; it is not changed.
bool readTemplateJob(plugin& self, std::string& moduleName);

}  // namespace tw::addin
