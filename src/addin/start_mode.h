#pragma once

#include "runtime/conversions.h"

namespace tw::addin {

class plugin;

// The start mode from the marker files in TEMP: twDaemon.tmp 5, twDocTemplate.tmp 2, twDoc.tmp 1, else 0.
runtime::Integer detectStartMode(plugin& self);

}  // namespace tw::addin
