// Stands in for the add-in's installer in the Wine checks: when it runs, it leaves the file
// installer.ran in the folder above TEMP, so the check sees that the downloaded program was started.

#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  wchar_t temp[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  const std::wstring marker = std::wstring(temp) + L"\\..\\installer.ran";
  FILE* file = _wfopen(marker.c_str(), L"wb");
  if (!file) return 1;
  const bool written = std::fputs("ran\n", file) >= 0;
  return std::fclose(file) == 0 && written ? 0 : 1;
}
