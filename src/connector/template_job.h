#pragma once

#include <string>

namespace tw::addin {

class plugin;

// Reads TEMP\twDocTemplate.tmp; true when the template was accepted and opened. A rejected job (empty
// file, wrong start line, validity count not six, unsafe name) shows its message, is moved to
// TEMP\twTemplateDoc.err and gives false. Any other error passes to the caller. `moduleName` is the
// caller's text for its start-up message; it is not changed.
bool readTemplateJob(plugin& self, std::string& moduleName);

// Moves the template job aside to TEMP\twTemplateDoc.err (replacing an older one), so that the next
// Word start is an ordinary one.
void setTemplateJobAside(plugin& self);

// Deletes TEMP\<errName> when it exists, then renames TEMP\<jobName> to it when that exists.
void moveJobAside(plugin& self, const std::string& jobName, const std::string& errName);

}  // namespace tw::addin
