#pragma once

#include "win32/windows_api.h"

#include "win32/com_ptr.h"

namespace tw::win32 {

// A new instance of the COM class plugin (ProgID Tallyweave.plugin), the object Word loads.
ComPtr<IUnknown> newPluginObject();

}  // namespace tw::win32
