// The COM class plugin: the dual interface _plugin, Office's connection events (IDTExtensibility2) and ribbon
// (IRibbonExtensibility), and the scripting-safety answers (IObjectSafety). Every member forwards to the
// add-in's plugin object.

#include "win32/plugin_object.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "addin/plugin.h"
#include "menus/object_safety.h"
#include "menus/utilities.h"
#include "runtime/conversions.h"
#include "win32/com_error.h"
#include "win32/com_object.h"
#include "win32/dispatch.h"
#include "win32/gdiplus_picture.h"
#include "win32/late_bound.h"
#include "win32/module.h"
#include "win32/msxml_http.h"
#include "win32/office_h.h"
#include "win32/settings.h"
#include "win32/tallyweave_h.h"
#include "win32/text.h"
#include "win32/windows_system.h"
#include "win32/windows_ui.h"
#include "win32/word_dispatch.h"

// After the core's scripting-safety header, whose constants share their names with this header's macros.
#include <objsafe.h>

namespace tw::win32 {
namespace {

// The two flags of the scripting-safety module; the add-in sets both when it loads.
const addin::SafeCtlFlags kSafeCtlFlags{};

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

// A value as text, as assigning it to a String variable converts it.
std::string textOf(const VARIANT& value) {
  Variant text;
  if (FAILED(VariantChangeType(text.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) {
    throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  }
  return fromBstr(V_BSTR(text.get()));
}

// A value as an Integer, as assigning it to an Integer variable converts it: text by the user's locale,
// numbers rounded half to even; error 13 for what is no number, error 6 beyond the range.
runtime::Integer integerOf(const VARIANT& value, const runtime::Locale& locale) {
  const VARIANT* v = &value;
  while (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
  if (V_VT(v) == VT_BSTR) return runtime::toInteger(fromBstr(V_BSTR(v)), locale);
  if (V_VT(v) == (VT_BSTR | VT_BYREF)) return runtime::toInteger(fromBstr(*V_BSTRREF(v)), locale);
  Variant number;
  if (FAILED(VariantChangeType(number.get(), const_cast<VARIANT*>(v), 0, VT_R8))) {
    throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  }
  return runtime::toInteger(V_R8(number.get()));
}

constexpr VARIANT_BOOL toVariantBool(bool value) {
  return value ? VARIANT_TRUE : VARIANT_FALSE;
}

class PluginObject final : public DispatchOf<_plugin>,
                           public DispatchOf<_IDTExtensibility2>,
                           public DispatchOf<IRibbonExtensibility>,
                           public IObjectSafety,
                           public ISupportErrorInfo,
                           private RefCounted<PluginObject> {
  friend class RefCounted<PluginObject>;

 public:
  PluginObject()
      : DispatchOf<_plugin>(kAddinTypeLib, IID__plugin),
        DispatchOf<_IDTExtensibility2>(kOfficeTypeLib, IID__IDTExtensibility2),
        DispatchOf<IRibbonExtensibility>(kOfficeTypeLib, IID_IRibbonExtensibility) {}

  // ---- IUnknown ------------------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    _plugin* main = this;
    return answerQuery(iid, object,
                       {{IID_IUnknown, main},
                        {IID_IDispatch, main},
                        {IID__plugin, main},
                        {IID__IDTExtensibility2, static_cast<_IDTExtensibility2*>(this)},
                        {IID_IRibbonExtensibility, static_cast<IRibbonExtensibility*>(this)},
                        {IID_IObjectSafety, static_cast<IObjectSafety*>(this)},
                        {IID_ISupportErrorInfo, static_cast<ISupportErrorInfo*>(this)}});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }

  // ---- _plugin: the settings -----------------------------------------------------------------------
#define TW_TEXT_PROPERTY(name)                                   \
  HRESULT STDMETHODCALLTYPE get_##name(BSTR* value) override {   \
    if (!value) return E_POINTER;                                \
    *value = nullptr;                                            \
    return comEntry([&] { *value = newBstr(settings().name); }); \
  }                                                              \
  HRESULT STDMETHODCALLTYPE put_##name(BSTR value) override {    \
    return comEntry([&] { settings().name = fromBstr(value); }); \
  }
#define TW_INTEGER_PROPERTY(name)                                                       \
  HRESULT STDMETHODCALLTYPE get_##name(short* value) override {                         \
    if (!value) return E_POINTER;                                                       \
    *value = settings().name;                                                           \
    return S_OK;                                                                        \
  }                                                                                     \
  HRESULT STDMETHODCALLTYPE put_##name(VARIANT value) override {                        \
    return comEntry([&] { settings().name = integerOf(value, system_.UserLocale()); }); \
  }
#define TW_MENU_PROPERTY(name, field, make)                                   \
  HRESULT STDMETHODCALLTYPE get_##name(IDispatch** value) override {          \
    if (!value) return E_POINTER;                                             \
    *value = nullptr;                                                         \
    return comEntry([&] { *value = dispatchOf(menus().field).detach(); });    \
  }                                                                           \
  HRESULT STDMETHODCALLTYPE putref_##name(IDispatch* value) override {        \
    return comEntry([&] { menus().field = make(ComPtr<IDispatch>(value)); }); \
  }

  TW_MENU_PROPERTY(wordMenu, wordMenu, commandBar)
  TW_MENU_PROPERTY(twMenu, twMenu, commandBarControl)
  TW_MENU_PROPERTY(MergeMenu, MergeMenu, commandBarControl)
  TW_MENU_PROPERTY(mergeSubMenu1, mergeSubMenus[0], commandBarControl)
  TW_MENU_PROPERTY(mergeSubMenu2, mergeSubMenus[1], commandBarControl)
  TW_MENU_PROPERTY(mergeSubMenu3, mergeSubMenus[2], commandBarControl)
  TW_MENU_PROPERTY(mergeSubMenu4, mergeSubMenus[3], commandBarControl)
  TW_MENU_PROPERTY(mergeSubMenu5, mergeSubMenus[4], commandBarControl)
  TW_MENU_PROPERTY(mergeSubMenu6, mergeSubMenus[5], commandBarControl)
  TW_MENU_PROPERTY(mergeSubMenu7, mergeSubMenus[6], commandBarControl)
  TW_MENU_PROPERTY(mergeSubMenu8, mergeSubMenus[7], commandBarControl)
  TW_MENU_PROPERTY(mergeSubMenu9, mergeSubMenus[8], commandBarControl)
  TW_MENU_PROPERTY(mergeSubMenu10, mergeSubMenus[9], commandBarControl)
  TW_TEXT_PROPERTY(serveradres)
  TW_INTEGER_PROPERTY(serverPort)
  TW_TEXT_PROPERTY(serverPath)
  TW_INTEGER_PROPERTY(maxUploadSize)
  TW_TEXT_PROPERTY(supportContact)
  TW_INTEGER_PROPERTY(voorbeeldDocAmount)
  TW_TEXT_PROPERTY(dataSourceCsvFileName)
  TW_TEXT_PROPERTY(ribbonXML)
  TW_INTEGER_PROPERTY(latestConnectorVersion)
  TW_INTEGER_PROPERTY(minimumConnectorVersion)
  TW_TEXT_PROPERTY(updatePath)
  TW_TEXT_PROPERTY(decimalSeparator)
  TW_TEXT_PROPERTY(thousandsSeparator)
#undef TW_TEXT_PROPERTY
#undef TW_INTEGER_PROPERTY
#undef TW_MENU_PROPERTY

  HRESULT STDMETHODCALLTYPE get_generateMode(BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    return comEntry([&] { *value = newBstr(settings().generateMode.text()); });
  }
  HRESULT STDMETHODCALLTYPE put_generateMode(BSTR value) override {
    return comEntry([&] { settings().generateMode = addin::GenerateMode(fromBstr(value)); });
  }
  HRESULT STDMETHODCALLTYPE get_useRibbon(VARIANT_BOOL* value) override {
    if (!value) return E_POINTER;
    *value = toVariantBool(settings().useRibbon);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_useRibbon(VARIANT_BOOL value) override {
    settings().useRibbon = value != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_sourceDocument(IDispatch** value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    return comEntry([&] { *value = dispatchOf(settings().sourceDocument).detach(); });
  }
  HRESULT STDMETHODCALLTYPE putref_sourceDocument(IDispatch* value) override {
    return comEntry([&] { settings().sourceDocument = wordDocument(ComPtr<IDispatch>(value)); });
  }

  // ---- _plugin: the methods ------------------------------------------------------------------------
  // The Variant arguments of debugMsg and printToPrn become text only where the routine uses them, as a
  // Variant parameter does: with the log off, or before OnConnection, any value passes unread.
  HRESULT STDMETHODCALLTYPE debugMsg(VARIANT* msg) override {
    if (!msg) return E_POINTER;
    return comEntry([&] {
      if (plugin_.debugMode()) plugin_.debugMsg(textOf(*msg));
    });
  }
  HRESULT STDMETHODCALLTYPE IRibbonExtensibility_GetCustomUI(BSTR ribbonId, BSTR* xml) override {
    if (!xml) return E_POINTER;
    *xml = nullptr;
    return comEntry([&] { *xml = newBstr(plugin_.IRibbonExtensibility_GetCustomUI(fromBstr(ribbonId))); });
  }
  HRESULT STDMETHODCALLTYPE GetImage(BSTR imageName, IDispatch** picture) override {
    if (!picture) return E_POINTER;
    *picture = nullptr;
    return comEntry([&] {
      auto loaded = std::dynamic_pointer_cast<OlePicture>(plugin_.GetImage(fromBstr(imageName)));
      if (!loaded) return;
      *picture = loaded->dispatch();
      (*picture)->AddRef();
    });
  }
  HRESULT STDMETHODCALLTYPE Final() override {
    return comEntry([&] { plugin_.Final(); });
  }
  HRESULT STDMETHODCALLTYPE OpenDocument(BSTR* location, VARIANT_BOOL* isSourceDocument) override {
    if (!location) return E_POINTER;
    return comEntry([&] {
      plugin_.OpenDocument(fromBstr(*location), isSourceDocument && *isSourceDocument != VARIANT_FALSE);
    });
  }
  HRESULT STDMETHODCALLTYPE saveActiveDocument(BSTR* location) override {
    if (!location) return E_POINTER;
    return comEntry([&] { plugin_.saveActiveDocument(fromBstr(*location)); });
  }
  HRESULT STDMETHODCALLTYPE resetDocuments() override {
    return comEntry([&] { plugin_.resetDocuments(); });
  }
  HRESULT STDMETHODCALLTYPE printToPrn(VARIANT* location) override {
    if (!location) return E_POINTER;
    return comEntry([&] {
      if (plugin_.active()) plugin_.printToPrn(textOf(*location));
    });
  }
  HRESULT STDMETHODCALLTYPE Domerge(BSTR* rowsize, short* recordsize, VARIANT* headerFields, VARIANT* data,
                                    VARIANT_BOOL* isVoorbeeld) override {
    if (!rowsize || !recordsize || !headerFields || !data) return E_POINTER;
    return comEntry([&] {
      // The merge reads its data from the job; these two arguments only pass through, whatever their form.
      std::string headers;
      std::vector<std::string> rows;
      runtime::resumeNext([&] { headers = textOf(*headerFields); });
      runtime::resumeNext([&] { rows = textArray(*data); });
      plugin_.Domerge(fromBstr(*rowsize), *recordsize, headers, rows,
                      isVoorbeeld && *isVoorbeeld != VARIANT_FALSE);
    });
  }
  HRESULT STDMETHODCALLTYPE getMergefieldName(BSTR* code, BSTR* name) override {
    if (!code || !name) return E_POINTER;
    *name = nullptr;
    return comEntry([&] { *name = newBstr(plugin_.getMergefieldName(fromBstr(*code))); });
  }
  HRESULT STDMETHODCALLTYPE updateFormat(IDispatch** mergefield) override {
    if (!mergefield) return E_POINTER;
    return comEntry(
        [&] { plugin_.updateFormat(runtime::objectRef(wordField(ComPtr<IDispatch>(*mergefield)))); });
  }
  HRESULT STDMETHODCALLTYPE revertFormat(IDispatch** mergefield) override {
    if (!mergefield) return E_POINTER;
    return comEntry(
        [&] { plugin_.revertFormat(runtime::objectRef(wordField(ComPtr<IDispatch>(*mergefield)))); });
  }
  HRESULT STDMETHODCALLTYPE revertFields(IDispatch** mergeDoc) override {
    if (!mergeDoc) return E_POINTER;
    return comEntry(
        [&] { plugin_.revertFields(runtime::objectRef(wordDocument(ComPtr<IDispatch>(*mergeDoc)))); });
  }
  HRESULT STDMETHODCALLTYPE insertMergefieldButton(IDispatch* control) override {
    return comEntry([&] { plugin_.insertMergefieldButton(*ribbonControl(ComPtr<IDispatch>(control))); });
  }
  HRESULT STDMETHODCALLTYPE insertMergefieldGallery(IDispatch* control, BSTR* selectedId,
                                                    short* selectedIndex) override {
    if (!selectedId || !selectedIndex) return E_POINTER;
    return comEntry([&] {
      plugin_.insertMergefieldGallery(*ribbonControl(ComPtr<IDispatch>(control)), fromBstr(*selectedId),
                                      *selectedIndex);
    });
  }
  HRESULT STDMETHODCALLTYPE insert_mergefield(BSTR* tagname, BSTR* format_, BSTR* text) override {
    if (!tagname || !format_ || !text) return E_POINTER;
    *text = nullptr;
    return comEntry(
        [&] { *text = newBstr(plugin_.insert_mergefield(fromBstr(*tagname), fromBstr(*format_))); });
  }

  HRESULT STDMETHODCALLTYPE getTwVersion(BSTR* version) override {
    if (!version) return E_POINTER;
    *version = nullptr;
    return comEntry([&] { *version = newBstr(plugin_.getTwVersion()); });
  }

  HRESULT STDMETHODCALLTYPE UploadDocumentClick(IDispatch* control) override {
    return comEntry([&] { plugin_.UploadDocumentClick(*ribbonControl(ComPtr<IDispatch>(control))); });
  }
  HRESULT STDMETHODCALLTYPE mergeDocumentClick(IDispatch* control) override {
    return comEntry([&] { plugin_.mergeDocumentClick(*ribbonControl(ComPtr<IDispatch>(control))); });
  }
  HRESULT STDMETHODCALLTYPE continueInternalUpdateConnector() override {
    return comEntry([&] { plugin_.continueInternalUpdateConnector(); });
  }

  HRESULT STDMETHODCALLTYPE FileExists(BSTR* sFile, VARIANT_BOOL* exists) override {
    if (!sFile || !exists) return E_POINTER;
    *exists = VARIANT_FALSE;
    return comEntry([&] { *exists = toVariantBool(plugin_.FileExists(fromBstr(*sFile))); });
  }

  HRESULT STDMETHODCALLTYPE DirExists(BSTR* OrigFile, VARIANT* exists) override {
    if (!OrigFile || !exists) return E_POINTER;
    VariantInit(exists);
    return comEntry([&] {
      V_VT(exists) = VT_BOOL;
      V_BOOL(exists) = toVariantBool(plugin_.DirExists(fromBstr(*OrigFile)));
    });
  }

  HRESULT STDMETHODCALLTYPE ArrayContains(VARIANT* values, BSTR target, VARIANT_BOOL* found) override {
    if (!values || !found) return E_POINTER;
    *found = VARIANT_FALSE;
    return comEntry(
        [&] { *found = toVariantBool(addin::ArrayContains(textArray(*values), fromBstr(target))); });
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
    return comEntry([&] { plugin_.quitWord(); });
  }

  // ---- _plugin: the merge-field menu buttons --------------------------------------------------------
#define TW_MERGE_BUTTON(n)                                                                 \
  HRESULT STDMETHODCALLTYPE get_merge_Button##n(IDispatch** button) override {             \
    if (!button) return E_POINTER;                                                         \
    *button = nullptr;                                                                     \
    return comEntry([&] { *button = dispatchOf(menus().mergeButton(n).get()).detach(); }); \
  }                                                                                        \
  HRESULT STDMETHODCALLTYPE putref_merge_Button##n(IDispatch* button) override {           \
    return comEntry([&] { holdMergeButton(n, button); });                                  \
  }                                                                                        \
  HRESULT STDMETHODCALLTYPE merge_Button##n##_click(IDispatch*, VARIANT_BOOL*) override {  \
    return comEntry([&] { plugin_.merge_Button_click(n); });                               \
  }
#include "win32/merge_buttons.inc"
#undef TW_MERGE_BUTTON

  // ---- IDTExtensibility2 ---------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode connectMode,
                                         IDispatch* addInInst, SAFEARRAY**) override {
    return comEntry([&] {
      plugin_.AddinInstance_OnConnection(wordApplication(ComPtr<IDispatch>(application)),
                                         static_cast<int>(connectMode), addInInstance(addInInst));
    });
  }
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY**) override {
    return comEntry([&] { plugin_.AddinInstance_OnDisconnection(static_cast<int>(removeMode)); });
  }
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override {
    return comEntry([&] { plugin_.AddinInstance_OnAddInsUpdate(); });
  }
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override {
    return comEntry([&] { plugin_.AddinInstance_OnStartupComplete(); });
  }
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override {
    return comEntry([&] { plugin_.AddinInstance_OnBeginShutdown(); });
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

  addin::Settings& settings() {
    return plugin_.settings();
  }
  addin::MenuObjects& menus() {
    return plugin_.menus();
  }

  // A merge-field button assigned by module code receives its clicks like one the menu built.
  void holdMergeButton(int number, IDispatch* button) {
    menus().mergeButton(number).hold(
        commandBarControl(ComPtr<IDispatch>(button)),
        [this, number](office::CommandBarControl&, bool&) { plugin_.merge_Button_click(number); });
  }

  // The ProgId of the add-in instance Office hands over; the registered one when it cannot tell.
  static addin::AddInInstance addInInstance(IDispatch* instance) {
    addin::AddInInstance result;
    if (!instance) return result;
    runtime::resumeNext(
        [&] { result.progId = LateBound::text(*LateBound(ComPtr<IDispatch>(instance)).get(L"ProgId")); });
    return result;
  }

  ModuleLock moduleLock_;
  WindowsSystem system_;
  WindowsUi ui_;
  MsxmlHttp http_{configuredLongestHttpWait()};
  addin::plugin plugin_{addin::Services{system_, ui_, http_}};
};

}  // namespace

ComPtr<IUnknown> newPluginObject() {
  return ComPtr<IUnknown>(static_cast<_plugin*>(new PluginObject()));
}

}  // namespace tw::win32
