#include "win32/class_factory.h"

#include <atomic>

#include "win32/com_error.h"
#include "win32/module.h"
#include "win32/plugin_object.h"

namespace tw::win32 {
namespace {

class PluginFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

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
  std::atomic<ULONG> refs_{0};
};

}  // namespace

ComPtr<IClassFactory> newPluginFactory() {
  return ComPtr<IClassFactory>(new PluginFactory());
}

}  // namespace tw::win32
