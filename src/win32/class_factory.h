#pragma once

#include "win32/windows_api.h"

#include "win32/com_ptr.h"

namespace tw::win32 {

// The class factory of the creatable class plugin.
ComPtr<IClassFactory> newPluginFactory();

}  // namespace tw::win32
