#pragma once

#include "runtime/conversions.h"

namespace tw::addin {

class AddinContext;

// The start mode the marker files in TEMP ask for: daemon, template job, document job, or none.
runtime::Integer detectStartMode(const AddinContext& ctx);

}  // namespace tw::addin
