#pragma once

#include "engine/print/printer.h"
#include "platform/sys/sys.h"
#include "runtime/file_rule.h"

namespace tw::engine::model {
class DocumentModel;
}

namespace tw::engine::print {

// What a printer gets of a document: its sections with their page geometry, the default header and
// footer, paragraphs with their runs and inline pictures, and tables. Pictures linked to a file are read
// through `system` where `files` allows; one that cannot be read prints as an empty frame.
PrintLayout layoutOf(model::DocumentModel& document, sys::System& system,
                     const runtime::FileRule& files = {});

}  // namespace tw::engine::print
