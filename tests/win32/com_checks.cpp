// Drives tallyweave.dll the way Word and scripting hosts do: creation by ProgID, the type library, names
// through IDispatch, the Office interfaces, IObjectSafety and the errors of members. Run under Wine after
// regsvr32; prints one line per case and exits 1 when any case failed.

#include <windows.h>

#include <objsafe.h>
#include <ocidl.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

#include "win32/office_h.h"
#include "win32/tallyweave_h.h"

namespace {

int failures = 0;

void check(bool passed, const std::string& name) {
  std::printf("%s - %s\n", passed ? "ok" : "not ok", name.c_str());
  if (!passed) ++failures;
}

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

// A member whose work is not in the DLL yet fails as a COM error, never as a crash.
void checkErrors(IDispatch* addin) {
  std::vector<DISPID> ids;
  idsOf(addin, {L"resetDocuments"}, ids);
  DISPPARAMS none{};
  VARIANT result;
  VariantInit(&result);
  Excep exception;
  HRESULT hr = addin->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result,
                             &exception, nullptr);
  check(hr == DISP_E_EXCEPTION, "a failing member gives DISP_E_EXCEPTION (" + hex(hr) + ")");
  check(exception.scode == E_NOTIMPL,
        "its EXCEPINFO carries the error number (" + hex(exception.scode) + ")");
  check(narrow(exception.bstrSource) == "Tallyweave", "its EXCEPINFO names the source");
  check(narrow(exception.bstrDescription).find("resetDocuments") != std::string::npos,
        "its EXCEPINFO describes the error");

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
  CoUninitialize();
  std::printf("# done\n");
  return failures == 0 ? 0 : 1;
}
