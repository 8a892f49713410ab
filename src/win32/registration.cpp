// regsvr32: the per-user registration of the class plugin as a Word add-in, and its removal.

#include "win32/windows_api.h"

#include <string>
#include <utility>

#include "runtime/error.h"
#include "win32/com_error.h"
#include "win32/handle.h"
#include "win32/module.h"
#include "win32/settings.h"
#include "win32/tallyweave_h.h"

// mingw-w64's oleauto.h lacks these two, though oleaut32 exports them.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* fullPath, OLECHAR* helpDir);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libraryId, WORD major, WORD minor, LCID locale,
                                                   SYSKIND kind);

namespace tw::win32 {
namespace {

constexpr const wchar_t* kAddinName = L"Tallyweave";
constexpr DWORD kLoadAtStartup = 3;
// The type library is registered for the kind of Word that loads this build.
constexpr SYSKIND kSystemKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

void check(LONG status, const char* what) {
  if (status != ERROR_SUCCESS) throw runtime::Error(HRESULT_FROM_WIN32(status), what);
}

// An open registry key, closed when it goes.
class RegKey {
 public:
  // Creates the key under HKEY_CURRENT_USER, or opens it when it exists.
  static RegKey create(const std::wstring& path) {
    RegKey key;
    check(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.key_.put(),
                          nullptr),
          "A registry key of the add-in cannot be written");
    return key;
  }

  void set(const wchar_t* name, const std::wstring& value) {
    check(RegSetValueExW(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
          "A registry value of the add-in cannot be written");
  }
  void set(const wchar_t* name, DWORD value) {
    check(RegSetValueExW(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
          "A registry value of the add-in cannot be written");
  }

 private:
  RegKey() = default;
  RegistryKey key_;
};

// Removes a key of ours with everything below it; a key that is not there is fine.
void removeTree(const std::wstring& path) {
  LONG status = RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    check(status, "A registry key of the add-in cannot be removed");
  }
  status = RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    check(status, "A registry key of the add-in cannot be removed");
  }
}

std::wstring guidText(REFGUID id) {
  wchar_t text[40];
  StringFromGUID2(id, text, 40);
  return text;
}

std::wstring classKey() {
  return L"Software\\Classes\\CLSID\\" + guidText(CLSID_plugin);
}

std::wstring progIdKey() {
  return std::wstring(L"Software\\Classes\\") + kProgId;
}

void registerServer() {
  std::wstring dll = modulePath();
  RegKey::create(classKey()).set(nullptr, kProgId);
  RegKey server = RegKey::create(classKey() + L"\\InprocServer32");
  server.set(nullptr, dll);
  server.set(L"ThreadingModel", L"Apartment");
  RegKey::create(classKey() + L"\\ProgID").set(nullptr, kProgId);
  RegKey::create(classKey() + L"\\TypeLib").set(nullptr, guidText(LIBID_Tallyweave));
  RegKey::create(classKey() + L"\\Version").set(nullptr, L"1.0");

  RegKey::create(progIdKey()).set(nullptr, kProgId);
  RegKey::create(progIdKey() + L"\\CLSID").set(nullptr, guidText(CLSID_plugin));

  std::wstring typeLibPath = dll + L"\\" + std::to_wstring(kAddinTypeLib);
  HRESULT hr = RegisterTypeLibForUser(loadTypeLib(kAddinTypeLib).get(), typeLibPath.data(), nullptr);
  if (FAILED(hr)) throw runtime::Error(hr, "The type library of the add-in cannot be registered");

  RegKey addin = RegKey::create(wordAddinKey());
  addin.set(L"FriendlyName", kAddinName);
  addin.set(L"Description", kAddinName);
  addin.set(L"LoadBehavior", kLoadAtStartup);
}

void unregisterServer() {
  removeTree(wordAddinKey());
  HRESULT hr = UnRegisterTypeLibForUser(LIBID_Tallyweave, 1, 0, LOCALE_NEUTRAL, kSystemKind);
  if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && hr != TYPE_E_LIBNOTREGISTERED) {
    throw runtime::Error(hr, "The type library of the add-in cannot be unregistered");
  }
  removeTree(progIdKey());
  removeTree(classKey());
}

}  // namespace
}  // namespace tw::win32

extern "C" HRESULT WINAPI DllRegisterServer() {
  HRESULT hr = tw::win32::comEntry([] { tw::win32::registerServer(); });
  // A half-written registration is taken back.
  if (FAILED(hr)) tw::win32::comEntry([] { tw::win32::unregisterServer(); });
  return hr;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  return tw::win32::comEntry([] { tw::win32::unregisterServer(); });
}
