#include "win32/text.h"

#include <new>

#include "runtime/codepage.h"

namespace tw::win32 {

// Through UTF-8, so the core's one mapping of Windows-1252 (the five undefined bytes included) holds here
// too.
std::wstring toWide(std::string_view cp1252) {
  std::string utf8 = runtime::cp1252ToUtf8(cp1252);
  if (utf8.empty()) return {};
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string fromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                      nullptr);
  return runtime::utf8ToCp1252(utf8);
}

BSTR newBstr(std::string_view cp1252) {
  if (cp1252.empty()) return nullptr;
  std::wstring wide = toWide(cp1252);
  BSTR result = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!result) throw std::bad_alloc();
  return result;
}

std::string fromBstr(BSTR text) {
  return text ? fromWide(std::wstring_view(text, SysStringLen(text))) : std::string();
}

}  // namespace tw::win32
