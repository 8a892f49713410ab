#pragma once

#include <string>

namespace tw::addin {

class AddinContext;

// Reads TEMP\twDocTemplate.tmp; true when the template was accepted and opened. A rejected job (empty
// file, wrong start line, validity count not six, unsafe name) shows its message, is moved to
// TEMP\twTemplateDoc.err and gives false; a job another Word holds is left alone and gives false
// without a message. Any other error passes to the caller. `moduleName` is the
// caller's text for its start-up message; it is not changed.
bool readTemplateJob(AddinContext& ctx, std::string& moduleName);

// Moves the template job aside to TEMP\twTemplateDoc.err (replacing an older one), so that the next
// Word start is an ordinary one.
void setTemplateJobAside(AddinContext& ctx);

}  // namespace tw::addin
