#include "win32/module.h"

#include <atomic>

#include "runtime/error.h"
#include "win32/class_factory.h"
#include "win32/com_error.h"
#include "win32/tallyweave_h.h"

namespace tw::win32 {
namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_locks{0};

}  // namespace

HMODULE moduleHandle() {
  return g_module;
}

std::wstring modulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      throw runtime::Error(HRESULT_FROM_WIN32(GetLastError()), "The add-in cannot find its own file");
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void lockModule() {
  ++g_locks;
}

void unlockModule() {
  --g_locks;
}

ComPtr<ITypeLib> loadTypeLib(TypeLibResource resource) {
  std::wstring path = modulePath() + L"\\" + std::to_wstring(resource);
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
  if (FAILED(hr)) throw runtime::Error(hr, "The type library of the add-in cannot be loaded");
  return library;
}

ComPtr<ITypeInfo> loadTypeInfo(TypeLibResource resource, REFIID iid) {
  ComPtr<ITypeInfo> info;
  HRESULT hr = loadTypeLib(resource)->GetTypeInfoOfGuid(iid, info.put());
  if (FAILED(hr)) throw runtime::Error(hr, "The type library of the add-in lacks an interface");
  return info;
}

}  // namespace tw::win32

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    tw::win32::g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_plugin)) return CLASS_E_CLASSNOTAVAILABLE;
  return tw::win32::comCall([&] { return tw::win32::newPluginFactory()->QueryInterface(iid, object); });
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
  return tw::win32::g_locks == 0 ? S_OK : S_FALSE;
}
