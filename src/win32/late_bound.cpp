#include "win32/late_bound.h"

#include <algorithm>

#include "runtime/error.h"
#include "win32/text.h"

namespace tw::win32 {
namespace {

// The resolved names of every type of object met, keyed by type and member (with its named arguments).
std::map<std::wstring, std::vector<DISPID>>& sharedIds() {
  static std::map<std::wstring, std::vector<DISPID>> ids;
  return ids;
}

std::wstring typeKey(IDispatch* object) {
  ComPtr<ITypeInfo> info;
  if (FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put())) || !info) return {};
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr)) || !attr) return {};
  wchar_t guid[40] = {};
  StringFromGUID2(attr->guid, guid, 40);
  bool known = !IsEqualGUID(attr->guid, GUID_NULL);
  info->ReleaseTypeAttr(attr);
  return known ? std::wstring(guid) : std::wstring();
}

// The elements of a one-dimensional byte array, locked while this lives; error `failure` when they cannot be.
class ArrayBytes {
 public:
  ArrayBytes(SAFEARRAY* array, int failure) : array_(array) {
    if (FAILED(SafeArrayAccessData(array_, &elements_))) throw runtime::Error::fromNumber(failure);
  }
  ArrayBytes(const ArrayBytes&) = delete;
  ArrayBytes& operator=(const ArrayBytes&) = delete;
  ~ArrayBytes() { SafeArrayUnaccessData(array_); }
  char* data() const { return static_cast<char*>(elements_); }

 private:
  SAFEARRAY* array_;
  void* elements_ = nullptr;
};

std::string narrowName(const wchar_t* member) {
  return fromWide(member);
}

// The error the object reported, or the automation error of a failed call.
[[noreturn]] void throwCallError(HRESULT hr, EXCEPINFO& exception, const wchar_t* member) {
  if (hr == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    long number = exception.wCode;
    if (number == 0) {
      HRESULT code = exception.scode;
      number = HRESULT_FACILITY(code) == FACILITY_CONTROL ? HRESULT_CODE(code) : static_cast<long>(code);
    }
    std::string description = fromBstr(exception.bstrDescription);
    std::string source = fromBstr(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    if (description.empty()) description = runtime::errorDescription(number);
    throw runtime::Error(number, description, source.empty() ? runtime::Error::kProjectName : source);
  }
  switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME:
      throw runtime::Error(runtime::kObjectDoesNotSupportProperty,
                           std::string(runtime::errorDescription(runtime::kObjectDoesNotSupportProperty)) +
                               " (" + narrowName(member) + ")");
    case DISP_E_TYPEMISMATCH:
      throw runtime::Error::fromNumber(runtime::kTypeMismatch);
    case DISP_E_OVERFLOW:
      throw runtime::Error::fromNumber(runtime::kOverflow);
    case DISP_E_BADPARAMCOUNT:
    case DISP_E_PARAMNOTOPTIONAL:
      throw runtime::Error::fromNumber(450);
    default:
      throw runtime::Error(static_cast<long>(hr), "Automation error calling " + narrowName(member));
  }
}

}  // namespace

Arg::Arg() {
  VariantInit(&v_);
}

Arg::Arg(const std::string& text) : Arg() {
  V_VT(&v_) = VT_BSTR;
  V_BSTR(&v_) = newBstr(text);
}

Arg::Arg(long number) : Arg() {
  V_VT(&v_) = VT_I4;
  V_I4(&v_) = number;
}

Arg::Arg(bool value) : Arg() {
  V_VT(&v_) = VT_BOOL;
  V_BOOL(&v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

Arg::Arg(IDispatch* object) : Arg() {
  V_VT(&v_) = VT_DISPATCH;
  V_DISPATCH(&v_) = object;
  if (object) object->AddRef();
}

Arg::Arg(Arg&& other) noexcept : v_(other.v_) {
  VariantInit(&other.v_);
}

Arg::~Arg() {
  VariantClear(&v_);
}

Arg Arg::omitted() {
  Arg arg;
  V_VT(&arg.v_) = VT_ERROR;
  V_ERROR(&arg.v_) = DISP_E_PARAMNOTFOUND;
  return arg;
}

Arg Arg::bytes(const std::string& data) {
  Arg arg;
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(data.size()));
  if (!array) throw runtime::Error::fromNumber(runtime::kOutOfMemory);
  V_VT(&arg.v_) = VT_ARRAY | VT_UI1;
  V_ARRAY(&arg.v_) = array;
  std::copy(data.begin(), data.end(), ArrayBytes(array, runtime::kOutOfMemory).data());
  return arg;
}

LateBound::LateBound(ComPtr<IDispatch> object) : object_(std::move(object)) {
  if (!object_) throw runtime::Error::fromNumber(runtime::kObjectVariableNotSet);
  type_ = typeKey(object_.get());
}

std::vector<DISPID> LateBound::idsOf(const wchar_t* member, const std::vector<NamedArg>& named) {
  std::wstring key = member;
  for (const NamedArg& arg : named) key += L"," + arg.name;
  auto& cache = type_.empty() ? ownIds_ : sharedIds();
  std::wstring cacheKey = type_.empty() ? key : type_ + L":" + key;
  auto found = cache.find(cacheKey);
  if (found != cache.end()) return found->second;

  std::vector<LPOLESTR> names{const_cast<LPOLESTR>(member)};
  for (const NamedArg& arg : named) names.push_back(const_cast<LPOLESTR>(arg.name.c_str()));
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  HRESULT hr = object_->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                      LOCALE_USER_DEFAULT, ids.data());
  if (FAILED(hr)) {
    EXCEPINFO none{};
    throwCallError(hr, none, member);
  }
  cache.emplace(cacheKey, ids);
  return ids;
}

std::shared_ptr<Variant> LateBound::invoke(const wchar_t* member, WORD flags, std::vector<Arg>& args,
                                           std::vector<NamedArg>& named) {
  std::vector<DISPID> ids = idsOf(member, named);
  // DISPPARAMS lists the named arguments first, then the positional ones from last to first.
  std::vector<VARIANT> values;
  std::vector<DISPID> namedIds;
  for (std::size_t i = 0; i < named.size(); ++i) {
    values.push_back(named[i].value.value());
    namedIds.push_back(ids[i + 1]);
  }
  for (auto it = args.rbegin(); it != args.rend(); ++it) values.push_back(it->value());
  DISPID put = DISPID_PROPERTYPUT;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    namedIds.insert(namedIds.begin(), put);
  }
  DISPPARAMS params{values.data(), namedIds.empty() ? nullptr : namedIds.data(),
                    static_cast<UINT>(values.size()), static_cast<UINT>(namedIds.size())};
  auto result = std::make_shared<Variant>();
  EXCEPINFO exception{};
  UINT argError = 0;
  HRESULT hr =
      object_->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                      (flags & DISPATCH_PROPERTYPUT) ? nullptr : result->get(), &exception, &argError);
  if (FAILED(hr)) throwCallError(hr, exception, member);
  return result;
}

std::shared_ptr<Variant> LateBound::get(const wchar_t* member, std::vector<Arg> args) {
  std::vector<NamedArg> none;
  return invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, none);
}

void LateBound::put(const wchar_t* member, Arg value) {
  std::vector<Arg> args;
  args.push_back(std::move(value));
  std::vector<NamedArg> none;
  invoke(member, DISPATCH_PROPERTYPUT, args, none);
}

std::shared_ptr<Variant> LateBound::call(const wchar_t* member, std::vector<Arg> args,
                                         std::vector<NamedArg> named) {
  return invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, named);
}

std::string LateBound::text(const Variant& value) {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&*value), 0, VT_BSTR))) {
    throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  }
  return fromBstr(V_BSTR(converted.get()));
}

long LateBound::number(const Variant& value) {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&*value), 0, VT_I4))) {
    throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  }
  return V_I4(converted.get());
}

bool LateBound::boolean(const Variant& value) {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&*value), 0, VT_BOOL))) {
    throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  }
  return V_BOOL(converted.get()) != VARIANT_FALSE;
}

std::string LateBound::bytes(const Variant& value) {
  const VARIANT& v = *value;
  if (V_VT(&v) == VT_EMPTY) return {};
  if (V_VT(&v) != (VT_ARRAY | VT_UI1) || !V_ARRAY(&v) || SafeArrayGetDim(V_ARRAY(&v)) != 1)
    throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  SAFEARRAY* array = V_ARRAY(&v);
  LONG lower = 0, upper = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)))
    throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  if (upper < lower) return {};
  // An array that cannot be read is an answer that did not arrive, not an empty one.
  return std::string(ArrayBytes(array, runtime::kTypeMismatch).data(),
                     static_cast<std::size_t>(upper - lower + 1));
}

ComPtr<IDispatch> LateBound::object(const Variant& value) {
  const VARIANT& v = *value;
  if (V_VT(&v) == VT_EMPTY || V_VT(&v) == VT_NULL) return nullptr;
  if (V_VT(&v) == VT_DISPATCH) return ComPtr<IDispatch>(V_DISPATCH(&v));
  if (V_VT(&v) == VT_UNKNOWN && V_UNKNOWN(&v)) {
    return ComPtr<IUnknown>(V_UNKNOWN(&v)).query<IDispatch>(IID_IDispatch);
  }
  throw runtime::Error::fromNumber(runtime::kObjectRequired);
}

}  // namespace tw::win32
