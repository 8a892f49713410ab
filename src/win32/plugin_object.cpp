// The COM class plugin: the dual interface _plugin, Office's connection events (IDTExtensibility2) and ribbon
// (IRibbonExtensibility), and the scripting-safety answers (IObjectSafety). Members whose work lives in the
// add-in core that this DLL does not carry yet fail with E_NOTIMPL and a description that names them.

#include "win32/plugin_object.h"

#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "addin/plugin.h"
#include "menus/object_safety.h"
#include "menus/utilities.h"
#include "version.h"
#include "win32/com_error.h"
#include "win32/dispatch.h"
#include "win32/module.h"
#include "win32/office_h.h"
#include "win32/tallyweave_h.h"
#include "win32/text.h"
#include "win32/windows_system.h"

// After the core's scripting-safety header, whose constants share their names with this header's macros.
#include <objsafe.h>

namespace tw::win32 {
namespace {

// The two flags of the scripting-safety module; the add-in sets both when it loads.
const addin::SafeCtlFlags kSafeCtlFlags{};

HRESULT unavailable(const char* member) {
  return comEntry([&] { notAvailable(member); });
}

template <class T>
HRESULT unavailable(const char* member, T* result) {
  if (result) *result = T{};
  return unavailable(member);
}

// The address behind a REFIID. IObjectSafety callers may pass a null id, which the reference type hides;
// the empty asm keeps the compiler from assuming the address is never null.
const IID* addressOf(REFIID iid) {
  const IID* address = &iid;
  __asm__("" : "+r"(address));
  return address;
}

std::optional<addin::Guid> interfaceId(REFIID iid) {
  const IID* address = addressOf(iid);
  if (!address) return std::nullopt;
  std::uint8_t bytes[16];
  std::memcpy(bytes, address, sizeof bytes);
  return addin::Guid::fromBytes(bytes);
}

// The elements of a script's or a program's array of texts: a SAFEARRAY of BSTRs or of VARIANTs, passed
// as it is or by reference.
std::vector<std::string> textArray(const VARIANT& value) {
  const VARIANT* v = &value;
  while (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
  VARTYPE type = V_VT(v);
  if (!(type & VT_ARRAY)) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  SAFEARRAY* array = (type & VT_BYREF) ? *V_ARRAYREF(v) : V_ARRAY(v);
  std::vector<std::string> texts;
  if (!array) return texts;
  if (SafeArrayGetDim(array) != 1) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  LONG lower = 0;
  LONG upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  VARTYPE elements = type & VT_TYPEMASK;
  for (LONG i = lower; i <= upper; ++i) {
    if (elements == VT_BSTR) {
      Bstr text;
      if (FAILED(SafeArrayGetElement(array, &i, text.put())))
        throw runtime::Error::fromNumber(runtime::kTypeMismatch);
      texts.push_back(fromBstr(text.get()));
    } else if (elements == VT_VARIANT) {
      Variant element;
      Variant asText;
      if (FAILED(SafeArrayGetElement(array, &i, element.get())) ||
          FAILED(VariantChangeType(asText.get(), element.get(), 0, VT_BSTR))) {
        throw runtime::Error::fromNumber(runtime::kTypeMismatch);
      }
      texts.push_back(fromBstr(V_BSTR(asText.get())));
    } else {
      throw runtime::Error::fromNumber(runtime::kTypeMismatch);
    }
  }
  return texts;
}

constexpr VARIANT_BOOL toVariantBool(bool value) {
  return value ? VARIANT_TRUE : VARIANT_FALSE;
}

class PluginObject final : public DispatchOf<_plugin>,
                           public DispatchOf<_IDTExtensibility2>,
                           public DispatchOf<IRibbonExtensibility>,
                           public IObjectSafety,
                           public ISupportErrorInfo {
 public:
  PluginObject()
      : DispatchOf<_plugin>(kAddinTypeLib, IID__plugin),
        DispatchOf<_IDTExtensibility2>(kOfficeTypeLib, IID__IDTExtensibility2),
        DispatchOf<IRibbonExtensibility>(kOfficeTypeLib, IID_IRibbonExtensibility) {}

  // ---- IUnknown ------------------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID__plugin)) {
      *object = static_cast<_plugin*>(this);
    } else if (IsEqualIID(iid, IID__IDTExtensibility2)) {
      *object = static_cast<_IDTExtensibility2*>(this);
    } else if (IsEqualIID(iid, IID_IRibbonExtensibility)) {
      *object = static_cast<IRibbonExtensibility*>(this);
    } else if (IsEqualIID(iid, IID_IObjectSafety)) {
      *object = static_cast<IObjectSafety*>(this);
    } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
      *object = static_cast<ISupportErrorInfo*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // ---- _plugin: the settings -----------------------------------------------------------------------
#define TW_OBJECT_PROPERTY(name)                                     \
  HRESULT STDMETHODCALLTYPE get_##name(IDispatch** value) override { \
    return unavailable(#name, value);                                \
  }                                                                  \
  HRESULT STDMETHODCALLTYPE putref_##name(IDispatch*) override {     \
    return unavailable(#name);                                       \
  }
#define TW_PROPERTY(type, name)                                \
  HRESULT STDMETHODCALLTYPE get_##name(type* value) override { \
    return unavailable(#name, value);                          \
  }                                                            \
  HRESULT STDMETHODCALLTYPE put_##name(type) override {        \
    return unavailable(#name);                                 \
  }

  TW_OBJECT_PROPERTY(wordMenu)
  TW_OBJECT_PROPERTY(twMenu)
  TW_OBJECT_PROPERTY(MergeMenu)
  TW_OBJECT_PROPERTY(mergeSubMenu1)
  TW_OBJECT_PROPERTY(mergeSubMenu2)
  TW_OBJECT_PROPERTY(mergeSubMenu3)
  TW_OBJECT_PROPERTY(mergeSubMenu4)
  TW_OBJECT_PROPERTY(mergeSubMenu5)
  TW_OBJECT_PROPERTY(mergeSubMenu6)
  TW_OBJECT_PROPERTY(mergeSubMenu7)
  TW_OBJECT_PROPERTY(mergeSubMenu8)
  TW_OBJECT_PROPERTY(mergeSubMenu9)
  TW_OBJECT_PROPERTY(mergeSubMenu10)
  TW_PROPERTY(BSTR, serveradres)
  TW_PROPERTY(short, serverPort)
  TW_PROPERTY(BSTR, serverPath)
  TW_PROPERTY(short, maxUploadSize)
  TW_PROPERTY(BSTR, supportContact)
  TW_OBJECT_PROPERTY(sourceDocument)
  TW_PROPERTY(short, voorbeeldDocAmount)
  TW_PROPERTY(BSTR, generateMode)
  TW_PROPERTY(BSTR, dataSourceCsvFileName)
  TW_PROPERTY(BSTR, ribbonXML)
  TW_PROPERTY(VARIANT_BOOL, useRibbon)
  TW_PROPERTY(short, latestConnectorVersion)
  TW_PROPERTY(short, minimumConnectorVersion)
  TW_PROPERTY(BSTR, updatePath)
  TW_PROPERTY(BSTR, decimalSeparator)
  TW_PROPERTY(BSTR, thousandsSeparator)
#undef TW_OBJECT_PROPERTY
#undef TW_PROPERTY

  // ---- _plugin: the methods ------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE debugMsg(VARIANT*) override {
    return unavailable("debugMsg");
  }
  HRESULT STDMETHODCALLTYPE IRibbonExtensibility_GetCustomUI(BSTR, BSTR* xml) override {
    return unavailable("IRibbonExtensibility_GetCustomUI", xml);
  }
  HRESULT STDMETHODCALLTYPE GetImage(BSTR, IDispatch** picture) override {
    return unavailable("GetImage", picture);
  }
  HRESULT STDMETHODCALLTYPE Final() override {
    return unavailable("Final");
  }
  HRESULT STDMETHODCALLTYPE OpenDocument(BSTR*, VARIANT_BOOL*) override {
    return unavailable("OpenDocument");
  }
  HRESULT STDMETHODCALLTYPE saveActiveDocument(BSTR*) override {
    return unavailable("saveActiveDocument");
  }
  HRESULT STDMETHODCALLTYPE resetDocuments() override {
    return unavailable("resetDocuments");
  }
  HRESULT STDMETHODCALLTYPE printToPrn(VARIANT*) override {
    return unavailable("printToPrn");
  }
  HRESULT STDMETHODCALLTYPE Domerge(BSTR*, short*, VARIANT*, VARIANT*, VARIANT_BOOL*) override {
    return unavailable("Domerge");
  }
  HRESULT STDMETHODCALLTYPE getMergefieldName(BSTR*, BSTR* name) override {
    return unavailable("getMergefieldName", name);
  }
  HRESULT STDMETHODCALLTYPE updateFormat(IDispatch**) override {
    return unavailable("updateFormat");
  }
  HRESULT STDMETHODCALLTYPE revertFormat(IDispatch**) override {
    return unavailable("revertFormat");
  }
  HRESULT STDMETHODCALLTYPE revertFields(IDispatch**) override {
    return unavailable("revertFields");
  }
  HRESULT STDMETHODCALLTYPE insertMergefieldButton(IDispatch*) override {
    return unavailable("insertMergefieldButton");
  }
  HRESULT STDMETHODCALLTYPE insertMergefieldGallery(IDispatch*, BSTR*, short*) override {
    return unavailable("insertMergefieldGallery");
  }
  HRESULT STDMETHODCALLTYPE insert_mergefield(BSTR*, BSTR*, BSTR* text) override {
    return unavailable("insert_mergefield", text);
  }

  HRESULT STDMETHODCALLTYPE getTwVersion(BSTR* version) override {
    if (!version) return E_POINTER;
    *version = nullptr;
    return comEntry([&] { *version = newBstr(std::to_string(kVersionNumber)); });
  }

  HRESULT STDMETHODCALLTYPE UploadDocumentClick(IDispatch*) override {
    return unavailable("UploadDocumentClick");
  }
  HRESULT STDMETHODCALLTYPE mergeDocumentClick(IDispatch*) override {
    return unavailable("mergeDocumentClick");
  }
  HRESULT STDMETHODCALLTYPE continueInternalUpdateConnector() override {
    return unavailable("continueInternalUpdateConnector");
  }

  HRESULT STDMETHODCALLTYPE FileExists(BSTR* sFile, VARIANT_BOOL* exists) override {
    if (!sFile || !exists) return E_POINTER;
    *exists = VARIANT_FALSE;
    return comEntry([&] { *exists = toVariantBool(addin::anyNormalFileMatches(system_, fromBstr(*sFile))); });
  }

  HRESULT STDMETHODCALLTYPE DirExists(BSTR* OrigFile, VARIANT* exists) override {
    if (!OrigFile || !exists) return E_POINTER;
    VariantInit(exists);
    return comEntry([&] {
      V_VT(exists) = VT_BOOL;
      V_BOOL(exists) = toVariantBool(system_.FolderExists(fromBstr(*OrigFile)));
    });
  }

  HRESULT STDMETHODCALLTYPE ArrayContains(VARIANT* values, BSTR target, VARIANT_BOOL* found) override {
    if (!values || !found) return E_POINTER;
    *found = VARIANT_FALSE;
    return comEntry(
        [&] { *found = toVariantBool(addin::plugin::ArrayContains(textArray(*values), fromBstr(target))); });
  }

  // The collection's keyed lookup either finds an item or fails; any failure means "no such key".
  HRESULT STDMETHODCALLTYPE keyExists(IDispatch** coll, BSTR* key, VARIANT_BOOL* exists) override {
    if (!exists) return E_POINTER;
    *exists = VARIANT_FALSE;
    if (!coll || !*coll || !key) return S_OK;
    DISPID item = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"Item");
    if (FAILED((*coll)->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &item))) return S_OK;
    VARIANT argument;
    V_VT(&argument) = VT_BSTR;
    V_BSTR(&argument) = *key;
    DISPPARAMS params{&argument, nullptr, 1, 0};
    Variant result;
    HRESULT hr = (*coll)->Invoke(item, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                 &params, result.get(), nullptr, nullptr);
    *exists = toVariantBool(SUCCEEDED(hr));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE quitWord() override {
    return unavailable("quitWord");
  }

  // ---- _plugin: the merge-field menu buttons --------------------------------------------------------
#define TW_MERGE_BUTTON(n)                                                                \
  HRESULT STDMETHODCALLTYPE get_merge_Button##n(IDispatch** button) override {            \
    return unavailable("merge_Button" #n, button);                                        \
  }                                                                                       \
  HRESULT STDMETHODCALLTYPE putref_merge_Button##n(IDispatch*) override {                 \
    return unavailable("merge_Button" #n);                                                \
  }                                                                                       \
  HRESULT STDMETHODCALLTYPE merge_Button##n##_click(IDispatch*, VARIANT_BOOL*) override { \
    return unavailable("merge_Button" #n "_click");                                       \
  }
#include "win32/merge_buttons.inc"
#undef TW_MERGE_BUTTON

  // ---- IDTExtensibility2 ---------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch*, ext_ConnectMode, IDispatch*, SAFEARRAY**) override {
    return unavailable("AddinInstance_OnConnection");
  }
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode, SAFEARRAY**) override {
    return unavailable("AddinInstance_OnDisconnection");
  }
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override {
    return unavailable("AddinInstance_OnAddInsUpdate");
  }
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override {
    return unavailable("AddinInstance_OnStartupComplete");
  }
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override {
    return unavailable("AddinInstance_OnBeginShutdown");
  }

  // ---- IRibbonExtensibility ------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override {
    return IRibbonExtensibility_GetCustomUI(RibbonID, RibbonXml);
  }

  // ---- IObjectSafety -------------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID riid, DWORD* supported,
                                                      DWORD* enabled) override {
    if (!supported || !enabled) return E_POINTER;
    return comCall([&] {
      std::optional<addin::Guid> id = interfaceId(riid);
      std::uint32_t supportedOptions = 0;
      std::uint32_t enabledOptions = *enabled;
      HRESULT hr = addin::GetInterfaceSafetyOptions(kSafeCtlFlags, id ? &*id : nullptr, supportedOptions,
                                                    enabledOptions);
      *supported = supportedOptions;
      *enabled = enabledOptions;
      return hr;
    });
  }
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID riid, DWORD optionsSetMask,
                                                      DWORD enabledOptions) override {
    return comCall([&] {
      std::optional<addin::Guid> id = interfaceId(riid);
      return addin::SetInterfaceSafetyOptions(kSafeCtlFlags, id ? &*id : nullptr, optionsSetMask,
                                              enabledOptions);
    });
  }

  // ---- ISupportErrorInfo ---------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    bool own = IsEqualIID(iid, IID__plugin) || IsEqualIID(iid, IID__IDTExtensibility2) ||
               IsEqualIID(iid, IID_IRibbonExtensibility);
    return own ? S_OK : S_FALSE;
  }

 private:
  IDispatch* mainDispatch() override {
    return static_cast<_plugin*>(this);
  }

  ModuleLock moduleLock_;
  std::atomic<ULONG> refs_{0};
  WindowsSystem system_;
};

}  // namespace

ComPtr<IUnknown> newPluginObject() {
  return ComPtr<IUnknown>(static_cast<_plugin*>(new PluginObject()));
}

}  // namespace tw::win32
