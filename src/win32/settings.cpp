#include "win32/settings.h"

namespace tw::win32 {

std::wstring wordAddinKey() {
  return std::wstring(L"Software\\Microsoft\\Office\\Word\\Addins\\") + kProgId;
}

std::optional<std::chrono::milliseconds> configuredLongestHttpWait() {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, wordAddinKey().c_str(), L"HttpTimeout", RRF_RT_REG_DWORD, nullptr,
                   &value, &size) != ERROR_SUCCESS ||
      value == 0) {
    return std::nullopt;
  }
  return std::chrono::milliseconds(value);
}

}  // namespace tw::win32
