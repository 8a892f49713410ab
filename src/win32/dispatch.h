#pragma once

// IDispatch for one dual interface of an object, from that interface's type information. An object that
// implements several dual interfaces derives from one DispatchOf per interface, so each of its IDispatch
// pointers resolves the names of its own interface (a single Invoke in the object would serve all of them).
// Names an interface does not know go on to the object's main dispatch interface, so Office finds the
// ribbon callbacks whichever IDispatch of the object it holds.

#include "win32/com_error.h"
#include "win32/com_ptr.h"
#include "win32/module.h"

namespace tw::win32 {

template <class Itf>
class DispatchOf : public Itf {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID /*locale*/, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return comEntry([&] { *info = typeInfo().detach(); });
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID /*iid*/, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    HRESULT result = E_UNEXPECTED;
    HRESULT hr = comEntry([&] { result = DispGetIDsOfNames(typeInfo().get(), names, count, ids); });
    if (FAILED(hr)) return hr;
    if (result == DISP_E_UNKNOWNNAME && mainDispatch() != this) {
      return mainDispatch()->GetIDsOfNames(IID_NULL, names, count, locale, ids);
    }
    return result;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID /*iid*/, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
    ComPtr<ITypeInfo> info;
    HRESULT hr = comEntry([&] { info = typeInfo(); });
    if (FAILED(hr)) return hr;
    SetErrorInfo(0, nullptr);
    hr = info->Invoke(static_cast<Itf*>(this), member, flags, params, result, exception, argError);
    if (hr == DISP_E_MEMBERNOTFOUND && mainDispatch() != this) {
      return mainDispatch()->Invoke(member, IID_NULL, locale, flags, params, result, exception, argError);
    }
    if (FAILED(hr) && hr != DISP_E_EXCEPTION && exception) fillException(hr, *exception);
    return hr;
  }

 protected:
  explicit DispatchOf(TypeLibResource resource, const IID& iid) : resource_(resource), iid_(iid) {}
  virtual ~DispatchOf() = default;

  // The object's main dispatch interface.
  virtual IDispatch* mainDispatch() = 0;

 private:
  ComPtr<ITypeInfo> typeInfo() {
    if (!info_) info_ = loadTypeInfo(resource_, iid_);
    return info_;
  }

  // A member failed with an error of its own: its error info becomes the caller's EXCEPINFO.
  static void fillException(HRESULT& hr, EXCEPINFO& exception) {
    ComPtr<IErrorInfo> error;
    if (GetErrorInfo(0, error.put()) != S_OK || !error) return;
    exception = EXCEPINFO{};
    error->GetSource(&exception.bstrSource);
    error->GetDescription(&exception.bstrDescription);
    exception.scode = hr;
    hr = DISP_E_EXCEPTION;
  }

  TypeLibResource resource_;
  const IID& iid_;
  ComPtr<ITypeInfo> info_;
};

}  // namespace tw::win32
