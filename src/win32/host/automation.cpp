#include "host/automation.h"

#include <new>

#include "runtime/codepage.h"
#include "runtime/error.h"

namespace tw::host {

// Through UTF-8, so the core's one mapping of Windows-1252 holds here too.
BSTR newBstr(const std::string& cp1252) {
  if (cp1252.empty()) return nullptr;
  std::string utf8 = runtime::cp1252ToUtf8(cp1252);
  const int size = static_cast<int>(utf8.size());
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (!result) throw std::bad_alloc();
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, result, length);
  return result;
}

std::string fromBstr(const OLECHAR* text, UINT length) {
  if (!text || length == 0) return {};
  const int size = static_cast<int>(length);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, size, utf8.data(), bytes, nullptr, nullptr);
  return runtime::utf8ToCp1252(utf8);
}

std::string fromBstr(BSTR text) {
  return fromBstr(text, SysStringLen(text));
}

namespace {

// Member and parameter names compare as automation does: without regard to case.
bool sameName(const wchar_t* a, const wchar_t* b) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

bool omitted(const VARIANT& v) {
  return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND;
}

// A by-reference argument seen as its value.
const VARIANT& dereferenced(const VARIANT& v) {
  if (V_VT(&v) == (VT_VARIANT | VT_BYREF)) return *V_VARIANTREF(&v);
  return v;
}

VARIANT converted(const VARIANT& v, VARTYPE type) {
  VARIANT result;
  VariantInit(&result);
  if (FAILED(VariantChangeType(&result, const_cast<VARIANT*>(&v), 0, type))) {
    throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  }
  return result;
}

// One event source's subscriptions, by cookie.
class ConnectionPoint final : public IConnectionPoint, private win32::RefCounted<ConnectionPoint> {
  friend class win32::RefCounted<ConnectionPoint>;

 public:
  ConnectionPoint(ComPtr<AutomationBase> source, IID events) : source_(std::move(source)), events_(events) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return win32::answerQuery(iid, out, {{IID_IUnknown, this}, {IID_IConnectionPoint, this}});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* events) override {
    *events = events_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
    *container = source_.get();
    (*container)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    auto dispatch = ComPtr<IUnknown>(sink).query<IDispatch>(IID_IDispatch);
    if (!dispatch) return CONNECT_E_CANNOTCONNECT;
    try {
      auto connection = source_->subscribe(dispatch);
      if (!connection) return CONNECT_E_CANNOTCONNECT;
      *cookie = ++lastCookie_;
      connections_[*cookie] = std::move(connection);
      return S_OK;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    return connections_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

 private:
  ComPtr<AutomationBase> source_;
  IID events_;
  DWORD lastCookie_ = 0;
  std::map<DWORD, std::unique_ptr<platform::EventConnection>> connections_;
};

}  // namespace

// {5B0F4C1E-2A7D-4C39-9E1B-6D3F0A8C7E21}
const IID AutomationBase::kSelf = {
    0x5B0F4C1E, 0x2A7D, 0x4C39, {0x9E, 0x1B, 0x6D, 0x3F, 0x0A, 0x8C, 0x7E, 0x21}};

Call::Call(const DISPPARAMS& params, const std::vector<const wchar_t*>& parameterNames, VARIANT* result)
    : result_(result) {
  // DISPPARAMS holds the named arguments first, then the positional ones from last to first.
  const UINT named = params.cNamedArgs;
  positions_.assign(std::max<size_t>(parameterNames.size(), params.cArgs - named), nullptr);
  for (UINT i = named; i < params.cArgs; ++i) positions_[params.cArgs - 1 - i] = &params.rgvarg[i];
  for (UINT i = 0; i < named; ++i) {
    DISPID id = params.rgdispidNamedArgs[i];
    if (id == DISPID_PROPERTYPUT) {
      value_ = &dereferenced(params.rgvarg[i]);
    } else if (id < 0 || static_cast<size_t>(id) >= positions_.size()) {
      throw runtime::Error::fromNumber(448);  // Named argument not found
    } else {
      positions_[static_cast<size_t>(id)] = &params.rgvarg[i];
    }
  }
  if (!value_ && named == 0 && params.cArgs > 0 && !result_) value_ = &dereferenced(params.rgvarg[0]);
}

bool Call::has(size_t position) const {
  return position < positions_.size() && positions_[position] &&
         !omitted(dereferenced(*positions_[position]));
}

const VARIANT& Call::at(size_t position) const {
  if (!has(position)) throw runtime::Error::fromNumber(449);  // Argument not optional
  return dereferenced(*positions_[position]);
}

std::string Call::text(size_t position) const {
  VARIANT v = converted(at(position), VT_BSTR);
  std::string result = fromBstr(V_BSTR(&v));
  VariantClear(&v);
  return result;
}

long Call::number(size_t position) const {
  VARIANT v = converted(at(position), VT_I4);
  return V_I4(&v);
}

bool Call::boolean(size_t position) const {
  VARIANT v = converted(at(position), VT_BOOL);
  return V_BOOL(&v) != VARIANT_FALSE;
}

ComPtr<IDispatch> Call::object(size_t position) const {
  const VARIANT& v = at(position);
  if (V_VT(&v) == VT_DISPATCH) return ComPtr<IDispatch>(V_DISPATCH(&v));
  if (V_VT(&v) == (VT_DISPATCH | VT_BYREF)) return ComPtr<IDispatch>(*V_DISPATCHREF(&v));
  if (V_VT(&v) == VT_EMPTY || V_VT(&v) == VT_NULL) return nullptr;
  throw runtime::Error::fromNumber(runtime::kObjectRequired);
}

void Call::returns(const std::string& text) {
  if (!result_) return;
  V_VT(result_) = VT_BSTR;
  V_BSTR(result_) = newBstr(text);
}

void Call::returns(long number) {
  if (!result_) return;
  V_VT(result_) = VT_I4;
  V_I4(result_) = number;
}

void Call::returns(bool value) {
  if (!result_) return;
  V_VT(result_) = VT_BOOL;
  V_BOOL(result_) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void Call::returns(ComPtr<IDispatch> object) {
  if (!result_) return;
  V_VT(result_) = VT_DISPATCH;
  V_DISPATCH(result_) = object.detach();
}

HRESULT STDMETHODCALLTYPE AutomationBase::QueryInterface(REFIID iid, void** out) {
  IDispatch* self = this;
  return win32::answerQuery(iid, out,
                            {{IID_IUnknown, self},
                             {IID_IDispatch, self},
                             {kSelf, self},
                             {IID_IConnectionPointContainer, static_cast<IConnectionPointContainer*>(this)}});
}

HRESULT STDMETHODCALLTYPE AutomationBase::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AutomationBase::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return TYPE_E_ELEMENTNOTFOUND;
}

// A member's DISPID is its place in the table plus one; a parameter's is its position.
HRESULT STDMETHODCALLTYPE AutomationBase::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                        DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (size_t index = 0; index < memberCount(); ++index) {
    Entry member = entry(index);
    if (!sameName(member.name, names[0])) continue;
    ids[0] = static_cast<DISPID>(index + 1);
    bool allFound = true;
    for (UINT i = 1; i < count; ++i) {
      for (size_t p = 0; p < member.parameters->size(); ++p) {
        if (sameName((*member.parameters)[p], names[i])) ids[i] = static_cast<DISPID>(p);
      }
      allFound = allFound && ids[i] != DISPID_UNKNOWN;
    }
    return allFound ? S_OK : DISP_E_UNKNOWNNAME;
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE AutomationBase::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO* exception, UINT*) {
  if (id < 1 || static_cast<size_t>(id) > memberCount()) return DISP_E_MEMBERNOTFOUND;
  const size_t index = static_cast<size_t>(id - 1);
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  Entry member = entry(index);
  if (put && !member.settable) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (result) VariantInit(result);
  try {
    Call call(params ? *params : none, *member.parameters, put ? nullptr : result);
    run(index, put, call);
    return S_OK;
  } catch (...) {
    if (result) VariantClear(result);
    return reportError(exception);
  }
}

HRESULT STDMETHODCALLTYPE AutomationBase::FindConnectionPoint(REFIID events, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (!raises(events)) return CONNECT_E_NOCONNECTION;
  auto created = ComPtr<IConnectionPoint>(new ConnectionPoint(ComPtr<AutomationBase>(this), events));
  *point = created.detach();
  return S_OK;
}

HRESULT reportError(EXCEPINFO* exception) {
  long number = 0;
  std::string description, source = "Microsoft Word";
  try {
    throw;
  } catch (const runtime::Error& error) {
    number = error.number();
    description = error.description();
  } catch (const std::bad_alloc&) {
    number = 7;
    description = "Out of memory";
  } catch (const std::exception& error) {
    number = 5;
    description = error.what();
  }
  if (exception) {
    *exception = EXCEPINFO{};
    exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number & 0xFFFF);
    exception->bstrDescription = newBstr(description);
    exception->bstrSource = newBstr(source);
  }
  return DISP_E_EXCEPTION;
}

void raiseEvent(IDispatch& sink, DISPID id, std::vector<VARIANT> arguments) {
  std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  VARIANT result;
  VariantInit(&result);
  sink.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
  VariantClear(&result);
}

}  // namespace tw::host
