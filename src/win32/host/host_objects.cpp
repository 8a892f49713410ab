#include "host/host_objects.h"

namespace tw::host {

void raiseFlagEvent(IDispatch& sink, DISPID id, IDispatch& object, bool& flag) {
  VARIANT_BOOL value = flag ? VARIANT_TRUE : VARIANT_FALSE;
  VARIANT first, second;
  VariantInit(&first);
  V_VT(&first) = VT_DISPATCH;
  V_DISPATCH(&first) = &object;
  VariantInit(&second);
  V_VT(&second) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&second) = &value;
  raiseEvent(sink, id, {first, second});
  flag = value != VARIANT_FALSE;
}

std::string unixPathOf(const std::string& windowsPath) {
  BSTR wide = newBstr(windowsPath);
  char* unix = wide ? wine_get_unix_file_name(wide) : nullptr;
  SysFreeString(wide);
  if (!unix) return {};
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

std::string posixPath(const std::string& windowsPath) {
  std::string result = unixPathOf(windowsPath);
  if (result.empty()) throw runtime::Error::fromNumber(76);  // Path not found
  return result;
}

std::string windowsPath(const std::string& posix) {
  WCHAR* dos = wine_get_dos_file_name(posix.c_str());
  if (!dos) return posix;
  std::string result = fromBstr(dos, static_cast<UINT>(lstrlenW(dos)));
  HeapFree(GetProcessHeap(), 0, dos);
  return result;
}

std::optional<bool> optionalBoolean(Call& c, size_t position) {
  return c.has(position) ? std::optional<bool>(c.boolean(position)) : std::nullopt;
}
std::optional<std::string> optionalText(Call& c, size_t position) {
  return c.has(position) ? std::optional<std::string>(c.text(position)) : std::nullopt;
}

}  // namespace tw::host
