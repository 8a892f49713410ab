#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/sys/sys.h"

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

// Deletes TEMP\<errName> when it exists, then renames TEMP\<jobName> to it when that exists.
void moveJobAside(AddinContext& ctx, std::string_view jobName, std::string_view errName);

// Sets a rejected job aside as TEMP\<errName>, never failing: when that is not possible (the name taken by
// a folder, a file held open) the job goes to the first free TEMP\<errName>.<n>, else it is removed, so
// that the next start is an ordinary one. The debug log says which.
void setJobAside(AddinContext& ctx, std::string_view jobName, std::string_view errName);

// Holds the job file `jobName` in TEMP for this Word alone while it reads and sets it aside: two Words
// started on one TEMP must not both take it, nor call it invalid once the other has. nullptr, after
// saying so in the log, when another Word holds or has taken the file; the job is then left alone.
std::unique_ptr<sys::FileHold> claimJob(AddinContext& ctx, std::string_view jobName);

}  // namespace tw::addin
