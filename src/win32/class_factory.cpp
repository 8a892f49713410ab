#include "win32/class_factory.h"

#include "win32/com_error.h"
#include "win32/com_object.h"
#include "win32/module.h"
#include "win32/plugin_object.h"

namespace tw::win32 {
namespace {

class PluginFactory final : public IClassFactory, private RefCounted<PluginFactory> {
  friend class RefCounted<PluginFactory>;

 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return answerQuery(iid, object, {{IID_IUnknown, this}, {IID_IClassFactory, this}});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return comCall([&] { return newPluginObject()->QueryInterface(iid, object); });
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? lockModule() : unlockModule();
    return S_OK;
  }

 private:
  ModuleLock moduleLock_;
};

}  // namespace

ComPtr<IClassFactory> newPluginFactory() {
  return ComPtr<IClassFactory>(new PluginFactory());
}

}  // namespace tw::win32
