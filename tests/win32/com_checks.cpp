// Drives tallyweave.dll the way Word and scripting hosts do: creation by ProgID, the type library, names
// through IDispatch, the Office interfaces, IObjectSafety and the errors of members. Run under Wine after
// regsvr32; prints one line per case and exits 1 when any case failed.

#include <windows.h>

#include <objsafe.h>
#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "check_report.h"
#include "win32/office_h.h"
#include "win32/tallyweave_h.h"

namespace {

using tw::checks::check;
using tw::checks::failures;

std::string hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::string narrow(const wchar_t* text) {
  std::string result;
  for (; text && *text; ++text) result += static_cast<char>(*text < 128 ? *text : '?');
  return result;
}

// One reference, released at the end of the scope.
template <class T>
struct Ref {
  T* p = nullptr;
  Ref() = default;
  Ref(const Ref&) = delete;
  ~Ref() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
  void** out() { return reinterpret_cast<void**>(&p); }
};

struct Excep : EXCEPINFO {
  Excep() : EXCEPINFO{} {}
  Excep(const Excep&) = delete;
  ~Excep() {
    SysFreeString(bstrSource);
    SysFreeString(bstrDescription);
    SysFreeString(bstrHelpFile);
  }
};

// The identities that were chosen once and never change.
const CLSID kPluginClsid = {0x4E2CAB3B, 0x668E, 0x4DF4, {0x9A, 0xB6, 0xC7, 0x06, 0x72, 0xEC, 0xB7, 0x4C}};
const IID kPluginIid = {0x197C4F79, 0x9387, 0x440A, {0x96, 0x91, 0x67, 0xB1, 0xC7, 0xFE, 0x73, 0x16}};
const GUID kTallyweaveLibid = {0xFEBAFB51, 0x6BF4, 0x42C3, {0xBA, 0x33, 0xCF, 0x49, 0x4E, 0xB1, 0xA1, 0x3F}};

// Every public member of plugin with the argument names late-bound callers may name.
const std::vector<std::vector<std::wstring>> kMembers = {
    {L"wordMenu"},
    {L"twMenu"},
    {L"MergeMenu"},
    {L"serveradres"},
    {L"serverPort"},
    {L"serverPath"},
    {L"maxUploadSize"},
    {L"supportContact"},
    {L"sourceDocument"},
    {L"voorbeeldDocAmount"},
    {L"generateMode"},
    {L"dataSourceCsvFileName"},
    {L"ribbonXML"},
    {L"useRibbon"},
    {L"latestConnectorVersion"},
    {L"minimumConnectorVersion"},
    {L"updatePath"},
    {L"decimalSeparator"},
    {L"thousandsSeparator"},
    {L"debugMsg", L"msg"},
    {L"IRibbonExtensibility_GetCustomUI", L"RibbonID"},
    {L"GetImage", L"imageName"},
    {L"Final"},
    {L"OpenDocument", L"location", L"isSourceDocument"},
    {L"saveActiveDocument", L"location"},
    {L"resetDocuments"},
    {L"printToPrn", L"location"},
    {L"Domerge", L"rowsize", L"recordsize", L"headerFields", L"data", L"isVoorbeeld"},
    {L"getMergefieldName", L"code"},
    {L"updateFormat", L"mergefield"},
    {L"revertFormat", L"mergefield"},
    {L"revertFields", L"mergeDoc"},
    {L"insertMergefieldButton", L"control"},
    {L"insertMergefieldGallery", L"control", L"selectedId", L"selectedIndex"},
    {L"insert_mergefield", L"tagname", L"format_"},
    {L"getTwVersion"},
    {L"UploadDocumentClick", L"control"},
    {L"mergeDocumentClick", L"control"},
    {L"continueInternalUpdateConnector"},
    {L"FileExists", L"sFile"},
    {L"DirExists", L"OrigFile"},
    {L"ArrayContains", L"values", L"target"},
    {L"keyExists", L"coll", L"key"},
    {L"quitWord"},
};

std::vector<std::vector<std::wstring>> allMembers() {
  std::vector<std::vector<std::wstring>> members = kMembers;
  for (int menu = 1; menu <= 10; ++menu) {
    members.push_back({L"mergeSubMenu" + std::to_wstring(menu)});
    for (int position = 0; position < 30; ++position) {
      std::wstring button = L"merge_Button" + std::to_wstring(menu * 100 + position);
      members.push_back({button});
      members.push_back({button + L"_click", L"ctrl", L"CancelDefault"});
    }
  }
  return members;
}

HRESULT idsOf(IDispatch* object, const std::vector<std::wstring>& names, std::vector<DISPID>& ids) {
  std::vector<LPOLESTR> pointers;
  for (const std::wstring& name : names) pointers.push_back(const_cast<LPOLESTR>(name.c_str()));
  ids.assign(names.size(), DISPID_UNKNOWN);
  return object->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()),
                               LOCALE_USER_DEFAULT, ids.data());
}

void checkIdentity(IDispatch* addin) {
  CLSID clsid{};
  check(SUCCEEDED(CLSIDFromProgID(L"Tallyweave.plugin", &clsid)) && IsEqualCLSID(clsid, kPluginClsid),
        "ProgID Tallyweave.plugin names the class plugin");
  Ref<ITypeInfo> info;
  check(SUCCEEDED(addin->GetTypeInfo(0, LOCALE_USER_DEFAULT, reinterpret_cast<ITypeInfo**>(info.out()))),
        "the object gives its type information");
  if (!info.p) return;
  BSTR name = nullptr;
  info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  check(narrow(name) == "_plugin", "its interface is _plugin");
  SysFreeString(name);
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&attributes))) {
    check(IsEqualIID(attributes->guid, kPluginIid), "_plugin has its fixed interface id");
    check((attributes->wTypeFlags & TYPEFLAG_FDUAL) != 0, "_plugin is a dual interface");
    info->ReleaseTypeAttr(attributes);
  }
  Ref<ITypeLib> library;
  UINT index = 0;
  info->GetContainingTypeLib(reinterpret_cast<ITypeLib**>(library.out()), &index);
  if (!library.p) return;
  library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
  check(narrow(name) == "Tallyweave", "the type library is Tallyweave");
  SysFreeString(name);
  TLIBATTR* libraryAttributes = nullptr;
  if (SUCCEEDED(library->GetLibAttr(&libraryAttributes))) {
    check(IsEqualGUID(libraryAttributes->guid, kTallyweaveLibid), "the type library has its fixed id");
    library->ReleaseTLibAttr(libraryAttributes);
  }
  Ref<ITypeInfo> coclass;
  check(SUCCEEDED(library->GetTypeInfoOfGuid(kPluginClsid, reinterpret_cast<ITypeInfo**>(coclass.out()))),
        "the type library holds the class plugin");
}

void checkNames(IDispatch* addin) {
  std::vector<DISPID> ids;
  int resolved = 0;
  std::vector<std::vector<std::wstring>> members = allMembers();
  for (const auto& names : members) {
    HRESULT hr = idsOf(addin, names, ids);
    bool ok = hr == S_OK;
    for (DISPID id : ids) ok = ok && id != DISPID_UNKNOWN;
    if (ok) {
      ++resolved;
    } else {
      check(false, "GetIDsOfNames " + narrow(names[0].c_str()) + " " + hex(hr));
    }
  }
  check(resolved == static_cast<int>(members.size()),
        "all " + std::to_string(members.size()) + " members of _plugin resolve with their argument names");
  check(idsOf(addin, {L"fileexists"}, ids) == S_OK, "names resolve without regard to case");
  check(idsOf(addin, {L"NoSuchMember"}, ids) == DISP_E_UNKNOWNNAME, "an unknown name is DISP_E_UNKNOWNNAME");
  check(idsOf(addin, {L"FileExists", L"noSuchArgument"}, ids) == DISP_E_UNKNOWNNAME,
        "an unknown argument name is DISP_E_UNKNOWNNAME");
}

// A failing member returns a COM error with the add-in's error in EXCEPINFO, never a crash: text that is
// no number given to the Integer property serverPort is error 13.
void checkErrors(IDispatch* addin) {
  std::vector<DISPID> ids;
  idsOf(addin, {L"serverPort"}, ids);
  VARIANT text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"abc");
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS assignment{&text, &put, 1, 1};
  VARIANT result;
  VariantInit(&result);
  Excep exception;
  HRESULT hr = addin->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &assignment,
                             nullptr, &exception, nullptr);
  VariantClear(&text);
  check(hr == DISP_E_EXCEPTION, "a failing member gives DISP_E_EXCEPTION (" + hex(hr) + ")");
  check(exception.scode == static_cast<HRESULT>(0x800A000D),
        "its EXCEPINFO carries the error number (" + hex(exception.scode) + ")");
  check(narrow(exception.bstrSource) == "Tallyweave", "its EXCEPINFO names the source");
  check(narrow(exception.bstrDescription) == "Type mismatch",
        "its EXCEPINFO describes the error (" + narrow(exception.bstrDescription) + ")");

  DISPPARAMS none{};
  idsOf(addin, {L"getTwVersion"}, ids);
  hr =
      addin->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr, nullptr);
  check(hr == S_OK && V_VT(&result) == VT_BSTR, "getTwVersion gives a text");
  VariantClear(&result);
  DISPPARAMS tooMany{&result, nullptr, 1, 0};
  V_VT(&result) = VT_I4;
  hr = addin->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &tooMany, nullptr, nullptr,
                     nullptr);
  check(hr == DISP_E_BADPARAMCOUNT, "an argument too many is DISP_E_BADPARAMCOUNT (" + hex(hr) + ")");
}

void checkOfficeInterfaces(IDispatch* addin) {
  Ref<_IDTExtensibility2> extensibility;
  check(SUCCEEDED(addin->QueryInterface(IID__IDTExtensibility2, extensibility.out())),
        "the object implements IDTExtensibility2");
  std::vector<DISPID> ids;
  if (extensibility.p) {
    const wchar_t* events[] = {L"OnConnection", L"OnDisconnection", L"OnAddInsUpdate", L"OnStartupComplete",
                               L"OnBeginShutdown"};
    bool inOrder = true;
    for (DISPID id = 1; id <= 5; ++id) {
      inOrder = inOrder && idsOf(extensibility.p, {events[id - 1]}, ids) == S_OK && ids[0] == id;
    }
    check(inOrder, "IDTExtensibility2's IDispatch gives the connection events their ids 1 to 5");
  }
  Ref<IRibbonExtensibility> ribbon;
  check(SUCCEEDED(addin->QueryInterface(IID_IRibbonExtensibility, ribbon.out())),
        "the object implements IRibbonExtensibility");
  if (ribbon.p) {
    check(idsOf(ribbon.p, {L"GetCustomUI"}, ids) == S_OK && ids[0] == 1,
          "IRibbonExtensibility's GetCustomUI is id 1");
    std::vector<DISPID> mainIds;
    idsOf(addin, {L"insertMergefieldButton"}, mainIds);
    check(idsOf(ribbon.p, {L"insertMergefieldButton"}, ids) == S_OK && ids[0] == mainIds[0],
          "the ribbon callbacks resolve through the IRibbonExtensibility pointer too");

    // GetCustomUI gives the job's ribbon XML when the job uses the ribbon, else nothing.
    Ref<_plugin> settings;
    addin->QueryInterface(IID__plugin, settings.out());
    BSTR xml = SysAllocString(L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"/>");
    settings->put_ribbonXML(xml);
    for (bool useRibbon : {true, false}) {
      settings->put_useRibbon(useRibbon ? VARIANT_TRUE : VARIANT_FALSE);
      BSTR answer = nullptr;
      HRESULT hr = ribbon->GetCustomUI(nullptr, &answer);
      std::string expected = useRibbon ? narrow(xml) : "";
      check(hr == S_OK && narrow(answer) == expected, std::string("GetCustomUI with useRibbon ") +
                                                          (useRibbon ? "True" : "False") + " gives \"" +
                                                          expected + "\" (got \"" + narrow(answer) + "\")");
      SysFreeString(answer);
    }
    SysFreeString(xml);
  }
  Ref<ISupportErrorInfo> errors;
  check(SUCCEEDED(addin->QueryInterface(IID_ISupportErrorInfo, errors.out())) &&
            errors->InterfaceSupportsErrorInfo(kPluginIid) == S_OK,
        "_plugin reports errors through error info");
}

// IObjectSafety as a C caller sees it, so a null interface id can be passed.
using GetOptions = HRESULT(STDMETHODCALLTYPE*)(IObjectSafety*, const IID*, DWORD*, DWORD*);
using SetOptions = HRESULT(STDMETHODCALLTYPE*)(IObjectSafety*, const IID*, DWORD, DWORD);

void checkObjectSafety(IDispatch* addin) {
  Ref<IObjectSafety> safety;
  check(SUCCEEDED(addin->QueryInterface(IID_IObjectSafety, safety.out())),
        "the object implements IObjectSafety");
  if (!safety.p) return;
  void** table = *reinterpret_cast<void***>(safety.p);
  auto get = reinterpret_cast<GetOptions>(table[3]);
  auto set = reinterpret_cast<SetOptions>(table[4]);

  const IID kDispatch = IID_IDispatch;
  const IID kPersistStorage = IID_IPersistStorage;
  const IID kPersistStream = IID_IPersistStream;
  const IID kPersistPropertyBag = IID_IPersistPropertyBag;
  const IID kUnknown = IID_IUnknown;
  constexpr DWORD kUntouched = 0xDEADBEEF;
  struct GetCase {
    const char* name;
    const IID* iid;
    HRESULT hr;
    DWORD enabled;
  };
  const GetCase gets[] = {
      {"IDispatch", &kDispatch, S_OK, 1},
      {"IPersistStorage", &kPersistStorage, S_OK, 2},
      {"IPersistStream", &kPersistStream, S_OK, 2},
      {"IPersistPropertyBag", &kPersistPropertyBag, S_OK, 2},
      {"IUnknown", &kUnknown, E_NOINTERFACE, kUntouched},
      {"a null id", nullptr, S_OK, kUntouched},
  };
  for (const GetCase& c : gets) {
    DWORD supported = kUntouched;
    DWORD enabled = kUntouched;
    HRESULT hr = get(safety.p, c.iid, &supported, &enabled);
    check(hr == c.hr && supported == 3 && enabled == c.enabled,
          std::string("GetInterfaceSafetyOptions for ") + c.name + ": " + hex(hr) + " supported " +
              std::to_string(supported) + " enabled " + std::to_string(enabled));
  }

  struct SetCase {
    const char* name;
    const IID* iid;
    DWORD mask;
    DWORD enabled;
    HRESULT hr;
  };
  const SetCase sets[] = {
      {"IDispatch, mask 3, enabled 1", &kDispatch, 3, 1, S_OK},
      {"IDispatch, mask 3, enabled 3", &kDispatch, 3, 3, E_FAIL},
      {"IDispatch, mask 0", &kDispatch, 0, 1, E_FAIL},
      {"IPersistStream, mask 2, enabled 2", &kPersistStream, 2, 2, S_OK},
      {"IPersistPropertyBag, mask 3, enabled 1", &kPersistPropertyBag, 3, 1, E_FAIL},
      {"IUnknown", &kUnknown, 1, 1, E_NOINTERFACE},
      {"a null id", nullptr, 1, 1, S_OK},
  };
  for (const SetCase& c : sets) {
    HRESULT hr = set(safety.p, c.iid, c.mask, c.enabled);
    check(hr == c.hr, std::string("SetInterfaceSafetyOptions for ") + c.name + ": " + hex(hr));
  }
}

// A stand-in for Word as far as the checks reach it. CommandBars("Menu Bar") answers Nothing, so the
// add-in builds no menu; ActiveDocument fails as Word does when no document is open, or answers a
// document whose PrintOut takes its arguments by name. Every call is written to the shared log.
class FakeEvents;

struct FakeWordState {
  std::vector<std::string> log;
  bool documentOpen = false;
  FakeEvents* events = nullptr;
};

// Word's Application as an event source: one connection point, whatever events are asked for; the
// advised sink can be made to fire.
class FakeEvents final : public IConnectionPointContainer, public IConnectionPoint {
 public:
  explicit FakeEvents(FakeWordState& state) : state_(state) {}
  FakeEvents(const FakeEvents&) = delete;
  ~FakeEvents() {
    if (sink_) sink_->Release();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IConnectionPointContainer) || IsEqualIID(iid, IID_IUnknown)) {
      *object = static_cast<IConnectionPointContainer*>(this);
    } else if (IsEqualIID(iid, IID_IConnectionPoint)) {
      *object = static_cast<IConnectionPoint*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;  // lives as long as the check; no counting
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    wchar_t text[40] = {};
    StringFromGUID2(iid, text, 40);
    state_.log.push_back("FindConnectionPoint" + narrow(text));
    *point = this;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink_ || FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink_)))) return E_FAIL;
    state_.log.push_back("Advise");
    *cookie = 42;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    state_.log.push_back("Unadvise(" + std::to_string(cookie) + ")");
    if (sink_) sink_->Release();
    sink_ = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  // Raises event `id` with an object and a by-reference flag, as Word raises DocumentBeforeClose.
  HRESULT fire(DISPID id, IDispatch* object, VARIANT_BOOL& flag) {
    if (!sink_) return E_UNEXPECTED;
    VARIANT args[2];
    V_VT(&args[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&args[0]) = &flag;
    V_VT(&args[1]) = VT_DISPATCH;
    V_DISPATCH(&args[1]) = object;
    DISPPARAMS params{args, nullptr, 2, 0};
    return sink_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                         nullptr);
  }

 private:
  FakeWordState& state_;
  IDispatch* sink_ = nullptr;
};

class FakeWord final : public IDispatch {
 public:
  enum Role { kApplication, kCommandBars, kDocument, kButton };
  FakeWord(Role role, FakeWordState& state) : role_(role), state_(state) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IConnectionPointContainer) && (role_ == kApplication || role_ == kButton) &&
        state_.events) {
      return state_.events->QueryInterface(iid, object);
    }
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  // Members have ids 1.., PrintOut's argument names 101...
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) {
      const auto& table = i == 0 ? kMembers : kArguments;
      ids[i] = DISPID_UNKNOWN;
      for (std::size_t n = 0; n < table.size(); ++n) {
        if (_wcsicmp(names[i], table[n]) == 0) ids[i] = static_cast<DISPID>(n + (i == 0 ? 1 : 101));
      }
      if (ids[i] == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT*) override {
    std::wstring member = id >= 1 && id <= static_cast<DISPID>(kMembers.size()) ? kMembers[id - 1] : L"";
    if (role_ == kApplication && member == L"CommandBars") return answer("CommandBars", kCommandBars, result);
    if (role_ == kCommandBars && member == L"Item" && params->cArgs == 1 &&
        V_VT(&params->rgvarg[0]) == VT_BSTR) {
      state_.log.push_back("Item(" + narrow(V_BSTR(&params->rgvarg[0])) + ")");
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = nullptr;
      return S_OK;
    }
    if (role_ == kApplication && member == L"Version") {
      state_.log.push_back("Version");
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = SysAllocString(L"11.0");
      return S_OK;
    }
    if (role_ == kApplication && member == L"ActiveDocument") {
      if (state_.documentOpen) return answer("ActiveDocument", kDocument, result);
      state_.log.push_back("ActiveDocument failed");
      *exception = EXCEPINFO{};
      exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 4248);
      exception->bstrSource = SysAllocString(L"Microsoft Word");
      exception->bstrDescription =
          SysAllocString(L"This command is not available because no document is open.");
      return DISP_E_EXCEPTION;
    }
    if (role_ == kDocument && member == L"PrintOut") {
      std::string call = "PrintOut(";
      for (UINT i = 0; i < params->cNamedArgs; ++i) {
        VARIANT text;
        VariantInit(&text);
        VariantChangeType(&text, &params->rgvarg[i], VARIANT_ALPHABOOL, VT_BSTR);
        DISPID name = params->rgdispidNamedArgs[i];
        call += (i ? " " : "") + narrow(name >= 101 ? kArguments[name - 101] : L"?") + "=" +
                narrow(V_BSTR(&text));
        VariantClear(&text);
      }
      state_.log.push_back(call + ")");
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  HRESULT answer(const char* call, Role role, VARIANT* result) {
    state_.log.push_back(call);
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = new FakeWord(role, state_);
    V_DISPATCH(result)->AddRef();
    return S_OK;
  }

  inline static const std::vector<const wchar_t*> kMembers = {L"CommandBars", L"Item", L"Version",
                                                              L"ActiveDocument", L"PrintOut"};
  inline static const std::vector<const wchar_t*> kArguments = {L"Range", L"OutputFileName", L"PrintToFile"};
  Role role_;
  FakeWordState& state_;
  ULONG refs_ = 0;
};

// Calls a member by name with the arguments in their order (the call owns them); the result is left in
// `result`.
HRESULT callWithArgs(IDispatch* object, const wchar_t* member, std::vector<VARIANT> args, VARIANT& result,
                     EXCEPINFO* exception = nullptr) {
  VariantInit(&result);
  std::vector<DISPID> ids;
  HRESULT hr = idsOf(object, {member}, ids) == S_OK ? S_OK : DISP_E_UNKNOWNNAME;
  if (hr == S_OK) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    hr = object->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, exception,
                        nullptr);
  }
  for (VARIANT& arg : args) VariantClear(&arg);
  return hr;
}

VARIANT textArg(const std::wstring& text) {
  VARIANT arg;
  V_VT(&arg) = VT_BSTR;
  V_BSTR(&arg) = SysAllocString(text.c_str());
  return arg;
}

VARIANT nullArg() {
  VARIANT arg;
  V_VT(&arg) = VT_NULL;
  return arg;
}

// Nothing, as a script passes it to an object parameter.
VARIANT nothingArg() {
  VARIANT arg;
  V_VT(&arg) = VT_DISPATCH;
  V_DISPATCH(&arg) = nullptr;
  return arg;
}

VARIANT integerArg(short value) {
  VARIANT arg;
  V_VT(&arg) = VT_I2;
  V_I2(&arg) = value;
  return arg;
}

// Calls a member by name with text arguments; the result is left in `result`.
HRESULT callWithTexts(IDispatch* object, const wchar_t* member, const std::vector<std::wstring>& texts,
                      VARIANT& result, EXCEPINFO* exception = nullptr) {
  std::vector<VARIANT> args;
  for (const std::wstring& text : texts) args.push_back(textArg(text));
  return callWithArgs(object, member, std::move(args), result, exception);
}

// The outcome of a call as the case names show it: "ok" or the error's HRESULT and number.
std::string outcomeOf(IDispatch* object, const wchar_t* member, std::vector<VARIANT> args) {
  VARIANT result;
  Excep exception;
  HRESULT hr = callWithArgs(object, member, std::move(args), result, &exception);
  VariantClear(&result);
  if (hr == S_OK) return "ok";
  if (hr != DISP_E_EXCEPTION) return hex(hr);
  return "error " + std::to_string(HRESULT_CODE(exception.scode));
}

std::string calls(const FakeWordState& state) {
  std::string text;
  for (const std::string& call : state.log) text += call + " ";
  return text;
}

bool fileExists(IDispatch* addin, const std::wstring& path) {
  VARIANT result;
  HRESULT hr = callWithTexts(addin, L"FileExists", {path}, result);
  bool exists = hr == S_OK && V_VT(&result) == VT_BOOL && V_BOOL(&result) != VARIANT_FALSE;
  VariantClear(&result);
  return exists;
}

std::string mergefieldName(IDispatch* addin, const std::wstring& code) {
  VARIANT result;
  HRESULT hr = callWithTexts(addin, L"getMergefieldName", {code}, result);
  std::string name =
      hr == S_OK && V_VT(&result) == VT_BSTR ? narrow(V_BSTR(&result)) : "<failed " + hex(hr) + ">";
  VariantClear(&result);
  return name;
}

// A 3 x 2 PNG (red, opaque).
const unsigned char kPicture[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x9D,
    0x74, 0x66, 0x1A, 0x00, 0x00, 0x00, 0x11, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8,
    0xCF, 0xC0, 0xF0, 0x1F, 0x86, 0x19, 0x90, 0x39, 0x00, 0x9B, 0x7E, 0x0B, 0xF5, 0x72, 0xB0,
    0xB9, 0x3C, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

void writeFile(const std::wstring& path, const void* bytes, DWORD size) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes, size, &written, nullptr);
  CloseHandle(file);
}

// What GetImage gives for a name: "nothing", "a WxH bitmap", or what went wrong.
std::string imageOf(IDispatch* addin, const wchar_t* name) {
  VARIANT result;
  HRESULT hr = callWithTexts(addin, L"GetImage", {name}, result);
  if (FAILED(hr)) return "error " + hex(hr);
  if (V_VT(&result) != VT_DISPATCH) return "a variant of type " + std::to_string(V_VT(&result));
  if (!V_DISPATCH(&result)) return "nothing";
  Ref<IPicture> picture;
  V_DISPATCH(&result)->QueryInterface(IID_IPicture, picture.out());
  VariantClear(&result);
  short type = 0;
  OLE_HANDLE handle = 0;
  if (!picture.p || FAILED(picture.p->get_Type(&type)) || type != PICTYPE_BITMAP ||
      FAILED(picture.p->get_Handle(&handle))) {
    return "no bitmap picture";
  }
  BITMAP bitmap{};
  // OLE_HANDLE keeps the 32 significant bits of a GDI handle; a 64-bit handle is their sign extension.
  const auto bitmapHandle = reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
  if (!GetObjectW(bitmapHandle, sizeof bitmap, &bitmap)) return "a picture without a bitmap";
  return "a " + std::to_string(bitmap.bmWidth) + "x" + std::to_string(bitmap.bmHeight) + " bitmap";
}

// GetImage loads TEMP\twdoc\<name>.png through GDI+ once the add-in is active; a missing file, a file that
// is no picture, and any name before OnConnection give nothing.
struct ImageCase {
  const wchar_t* name;
  const char* expected;
};

void checkImages(IDispatch* addin, const std::vector<ImageCase>& cases, const std::string& when) {
  for (const ImageCase& c : cases) {
    const std::string got = imageOf(addin, c.name);
    check(got == c.expected,
          when + " GetImage(" + narrow(c.name) + ") gives " + c.expected + " (got " + got + ")");
  }
}

// A Variant argument is converted where the member uses it, never before: Null passes where it is not read.
void checkUnreadArguments(IDispatch* addin, const std::string& when,
                          const std::vector<std::pair<const wchar_t*, const char*>>& cases) {
  for (const auto& [member, expected] : cases) {
    const std::string got = outcomeOf(addin, member, {nullArg()});
    check(got == expected, when + " " + narrow(member) + " Null gives " + expected + " (got " + got + ")");
  }
}

// The ribbon callbacks that do not read their control take Nothing for it; the one that reads its id fails
// with error 91. With a document open that is not the template, the first two only ask Word for it.
void checkRibbonCallbacksWithoutControl(IDispatch* addin, FakeWordState& state) {
  struct Case {
    const wchar_t* member;
    std::vector<VARIANT> args;
    const char* outcome;
    const char* calls;
  };
  Case cases[] = {
      {L"mergeDocumentClick", {nothingArg()}, "ok", "ActiveDocument "},
      {L"UploadDocumentClick", {nothingArg()}, "ok", "ActiveDocument "},
      {L"insertMergefieldGallery", {nothingArg(), textArg(L"mergeBtn_nothing"), integerArg(0)}, "ok", ""},
      {L"insertMergefieldButton", {nothingArg()}, "error 91", ""},
  };
  for (Case& c : cases) {
    state.log.clear();
    const std::string got = outcomeOf(addin, c.member, std::move(c.args));
    check(got == c.outcome && calls(state) == c.calls,
          narrow(c.member) + " with Nothing for the control gives " + c.outcome + " (got " + got +
              ", calls: " + calls(state) + ")");
  }
}

// The connection: before OnConnection the add-in is inactive (FileExists and getMergefieldName answer
// nothing); OnConnection hands it Word's Application, which it calls by name; then it answers.
void checkConnection() {
  Ref<IDispatch> object;
  CLSID clsid{};
  CLSIDFromProgID(L"Tallyweave.plugin", &clsid);
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.out()))) {
    return check(false, "CoCreateInstance for the connection checks");
  }
  IDispatch* addin = object.p;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"tw-com-checks";
  CreateDirectoryW(folder.c_str(), nullptr);
  CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
  for (const wchar_t* name : {L"plain.txt", L"hidden.txt"}) {
    HANDLE file = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  SetFileAttributesW((folder + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  // The ribbon pictures live in TEMP\twdoc.
  wchar_t oldTemp[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TEMP", oldTemp, MAX_PATH);
  SetEnvironmentVariableW(L"TEMP", folder.c_str());
  CreateDirectoryW((folder + L"\\twdoc").c_str(), nullptr);
  writeFile(folder + L"\\twdoc\\logo.png", kPicture, sizeof kPicture);
  const char notAPicture[] = "\x89PNG\r\n\x1a\n and nothing after the signature";
  writeFile(folder + L"\\twdoc\\broken.png", notAPicture, sizeof notAPicture - 1);

  check(!fileExists(addin, folder + L"\\plain.txt"), "FileExists is False before OnConnection");
  check(mergefieldName(addin, L" MERGEFIELD naam ").empty(),
        "getMergefieldName is empty before OnConnection");
  checkImages(addin, {{L"logo", "nothing"}}, "before OnConnection");
  checkUnreadArguments(addin, "before OnConnection", {{L"debugMsg", "ok"}, {L"printToPrn", "ok"}});

  Ref<_IDTExtensibility2> extensibility;
  addin->QueryInterface(IID__IDTExtensibility2, extensibility.out());
  if (!extensibility.p) return check(false, "the object has IDTExtensibility2");
  FakeWordState state;
  FakeEvents events(state);
  state.events = &events;
  Ref<IDispatch> word;
  word.p = new FakeWord(FakeWord::kApplication, state);
  word.p->AddRef();
  SAFEARRAY* custom = nullptr;
  HRESULT hr = extensibility->OnConnection(word.p, ext_cm_Startup, nullptr, &custom);
  check(hr == S_OK, "OnConnection with Word's Application succeeds (" + hex(hr) + ")");
  check(calls(state) ==
            "FindConnectionPoint{000209FE-0000-0000-C000-000000000046} Advise CommandBars Item(Menu Bar) ",
        "OnConnection subscribes to Word's application events and asks for the menu bar (calls: " +
            calls(state) + ")");
  {
    // Word raises DocumentBeforeClose; without a job the add-in leaves Cancel alone.
    Ref<IDispatch> document;
    document.p = new FakeWord(FakeWord::kDocument, state);
    document.p->AddRef();
    VARIANT_BOOL cancel = VARIANT_FALSE;
    check(events.fire(6, document.p, cancel) == S_OK && cancel == VARIANT_FALSE,
          "DocumentBeforeClose reaches the add-in and leaves Cancel False");
  }

  struct FileCase {
    const wchar_t* name;
    bool exists;
  };
  const FileCase files[] = {{L"plain.txt", true},   {L"*.txt", true}, {L"pl?in.txt", true},
                            {L"hidden.txt", false}, {L"sub", false},  {L"missing.txt", false}};
  for (const FileCase& c : files) {
    check(fileExists(addin, folder + L"\\" + c.name) == c.exists,
          "after OnConnection FileExists(" + narrow(c.name) + ") is " + (c.exists ? "True" : "False"));
  }
  const std::pair<const wchar_t*, const char*> names[] = {
      {L" MERGEFIELD naam ", "naam"}, {L" mergefield Naam \\* Upper ", "Naam"}, {L" PAGE ", ""}};
  for (const auto& [code, name] : names) {
    check(mergefieldName(addin, code) == name, "after OnConnection getMergefieldName(" + narrow(code) +
                                                   ") is \"" + name + "\" (got " +
                                                   mergefieldName(addin, code) + ")");
  }
  checkImages(addin, {{L"logo", "a 3x2 bitmap"}, {L"missing", "nothing"}, {L"broken", "nothing"}},
              "after OnConnection");

  // Word's own error reaches the caller with Word's number, text and source.
  state.log.clear();
  VARIANT result;
  EXCEPINFO exception{};
  HRESULT hr2 = callWithTexts(addin, L"resetDocuments", {}, result, &exception);
  check(hr2 == DISP_E_EXCEPTION && exception.scode == static_cast<HRESULT>(0x800A1098) &&
            narrow(exception.bstrSource) == "Microsoft Word" &&
            narrow(exception.bstrDescription) == "This command is not available because no document is open.",
        "Word's error 4248 reaches the caller of resetDocuments (" + hex(exception.scode) + " " +
            narrow(exception.bstrSource) + ": " + narrow(exception.bstrDescription) + ")");
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);

  // Named arguments go to Word by name.
  state.documentOpen = true;
  state.log.clear();
  hr2 = callWithTexts(addin, L"printToPrn", {L"C:\\out.prn"}, result);
  check(hr2 == S_OK &&
            calls(state) == "ActiveDocument PrintOut(Range=0 OutputFileName=C:\\out.prn PrintToFile=True) ",
        "printToPrn prints the active document to the file (calls: " + calls(state) + ")");

  // With the log off debugMsg still reads nothing; an active printToPrn reads its path.
  state.log.clear();
  checkUnreadArguments(addin, "after OnConnection", {{L"debugMsg", "ok"}, {L"printToPrn", "error 13"}});
  check(calls(state).empty(), "a path that is no text prints nothing (calls: " + calls(state) + ")");
  checkRibbonCallbacksWithoutControl(addin, state);

  check(extensibility->OnStartupComplete(&custom) == S_OK, "OnStartupComplete succeeds");
  check(extensibility->OnBeginShutdown(&custom) == S_OK, "OnBeginShutdown succeeds");
  check(extensibility->OnDisconnection(ext_dm_HostShutdown, &custom) == S_OK, "OnDisconnection succeeds");

  // When Word lets go of the add-in, the add-in lets go of Word's events.
  state.log.clear();
  extensibility.p->Release();
  extensibility.p = nullptr;
  object.p->Release();
  object.p = nullptr;
  check(calls(state) == "Unadvise(42) ",
        "releasing the add-in unsubscribes from Word's events (calls: " + calls(state) + ")");

  for (const wchar_t* name : {L"plain.txt", L"hidden.txt"}) {
    SetFileAttributesW((folder + L"\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW((folder + L"\\" + name).c_str());
  }
  RemoveDirectoryW((folder + L"\\sub").c_str());
  for (const wchar_t* name : {L"logo.png", L"broken.png"})
    DeleteFileW((folder + L"\\twdoc\\" + name).c_str());
  RemoveDirectoryW((folder + L"\\twdoc").c_str());
  RemoveDirectoryW(folder.c_str());
  SetEnvironmentVariableW(L"TEMP", oldTemp);
}

// A merge-field button that module code assigns receives its Click events from Office; assigning
// Nothing ends the subscription.
void checkButtonEvents() {
  Ref<_plugin> addin;
  CLSID clsid{};
  CLSIDFromProgID(L"Tallyweave.plugin", &clsid);
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__plugin, addin.out()))) {
    return check(false, "CoCreateInstance for the button checks");
  }
  FakeWordState state;
  FakeEvents events(state);
  state.events = &events;
  Ref<IDispatch> button;
  button.p = new FakeWord(FakeWord::kButton, state);
  button.p->AddRef();

  HRESULT hr = addin->putref_merge_Button100(button.p);
  check(hr == S_OK && calls(state) == "FindConnectionPoint{000C0351-0000-0000-C000-000000000046} Advise ",
        "assigning merge_Button100 subscribes to the button's Click (calls: " + calls(state) + ")");
  Ref<IDispatch> held;
  check(addin->get_merge_Button100(&held.p) == S_OK && held.p == button.p,
        "merge_Button100 reads back the button assigned");
  VARIANT_BOOL cancelDefault = VARIANT_FALSE;
  check(events.fire(1, button.p, cancelDefault) == S_OK && cancelDefault == VARIANT_FALSE,
        "the add-in takes the button's Click without failing");
  state.log.clear();
  hr = addin->putref_merge_Button100(nullptr);
  check(hr == S_OK && calls(state) == "Unadvise(42) ",
        "assigning Nothing ends the subscription (calls: " + calls(state) + ")");
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    Ref<IDispatch> addin;
    CLSID clsid{};
    CLSIDFromProgID(L"Tallyweave.plugin", &clsid);
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, addin.out());
    check(SUCCEEDED(hr), "CoCreateInstance of Tallyweave.plugin (" + hex(hr) + ")");
    if (addin.p) {
      checkIdentity(addin.p);
      checkNames(addin.p);
      checkErrors(addin.p);
      checkOfficeInterfaces(addin.p);
      checkObjectSafety(addin.p);
      addin.p->AddRef();
      check(addin.p->Release() == 1, "the object counts its references");
    }
  }
  checkConnection();
  checkButtonEvents();
  CoUninitialize();
  std::printf("# done\n");
  return failures == 0 ? 0 : 1;
}
