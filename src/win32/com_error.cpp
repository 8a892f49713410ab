#include "win32/com_error.h"

#include <string>

#include "win32/com_ptr.h"
#include "win32/text.h"

namespace tw::win32 {

HRESULT hresultOf(long number) {
  if (number < 0) return static_cast<HRESULT>(number);
  if (number > 0 && number <= 0xFFFF) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
  return E_FAIL;
}

HRESULT reportError(const runtime::Error& error) noexcept {
  HRESULT hr = hresultOf(error.number());
  try {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.put()))) {
      std::wstring description = toWide(error.description());
      std::wstring source = toWide(error.source());
      create->SetGUID(GUID_NULL);
      create->SetDescription(description.data());
      create->SetSource(source.data());
      ComPtr<IErrorInfo> info = create.query<IErrorInfo>(IID_IErrorInfo);
      SetErrorInfo(0, info.get());
    }
  } catch (...) {
    // The HRESULT alone still tells the caller what failed.
  }
  return hr;
}

}  // namespace tw::win32
