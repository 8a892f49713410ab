#pragma once

// The DLL itself: its handle and path, the count that tells COM when it may be unloaded, and the type
// information of the interfaces its objects implement.

#include "win32/windows_api.h"

#include <string>

#include "win32/com_ptr.h"

namespace tw::win32 {

// The type library resources of the DLL.
enum TypeLibResource : UINT {
  kAddinTypeLib = 1,   // Tallyweave: _plugin and the class plugin (registered)
  kOfficeTypeLib = 2,  // the Office interfaces the add-in implements (never registered)
};

HMODULE moduleHandle();
// The full path of the DLL.
std::wstring modulePath();

// Living objects and server locks keep the DLL loaded.
void lockModule();
void unlockModule();

// The type information of `iid` from one of the DLL's type library resources; throws when it cannot be
// loaded.
ComPtr<ITypeInfo> loadTypeInfo(TypeLibResource resource, REFIID iid);
ComPtr<ITypeLib> loadTypeLib(TypeLibResource resource);

// Holds the DLL loaded while a COM object lives.
class ModuleLock {
 public:
  ModuleLock() { lockModule(); }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
  ~ModuleLock() { unlockModule(); }
};

}  // namespace tw::win32
