#include "win32/event_sink.h"

#include <ocidl.h>

#include <utility>

#include "runtime/error.h"
#include "win32/com_object.h"
#include "win32/com_ptr.h"

namespace tw::win32 {
namespace {

class Sink final : public IDispatch, private RefCounted<Sink> {
  friend class RefCounted<Sink>;

 public:
  Sink(const IID& events, EventHandler handler) : events_(events), handler_(std::move(handler)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return answerQuery(iid, object, {{IID_IUnknown, this}, {IID_IDispatch, this}, {events_, this}});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    DISPPARAMS none{};
    // An event handler's failure stays with the add-in, as Office ignores it.
    runtime::resumeNext([&] {
      if (handler_) handler_(event, params ? *params : none);
    });
    return S_OK;
  }

  // After the source let go of it, a sink that is still referenced calls nobody.
  void detach() { handler_ = nullptr; }

 private:
  IID events_;
  EventHandler handler_;
};

class Advised final : public platform::EventConnection {
 public:
  Advised(ComPtr<IConnectionPoint> point, ComPtr<Sink> sink, DWORD cookie)
      : point_(std::move(point)), sink_(std::move(sink)), cookie_(cookie) {}
  Advised(const Advised&) = delete;
  Advised& operator=(const Advised&) = delete;
  ~Advised() override {
    point_->Unadvise(cookie_);
    sink_->detach();
  }

 private:
  ComPtr<IConnectionPoint> point_;
  ComPtr<Sink> sink_;
  DWORD cookie_;
};

class NoEvents final : public platform::EventConnection {};

}  // namespace

std::unique_ptr<platform::EventConnection> connectEvents(IDispatch* source, const IID& events,
                                                         EventHandler handler) {
  auto container = ComPtr<IDispatch>(source).query<IConnectionPointContainer>(IID_IConnectionPointContainer);
  if (!container) return std::make_unique<NoEvents>();
  ComPtr<IConnectionPoint> point;
  HRESULT hr = container->FindConnectionPoint(events, point.put());
  if (FAILED(hr) || !point)
    throw runtime::Error(static_cast<long>(hr), "The object does not raise these events");
  ComPtr<Sink> sink(new Sink(events, std::move(handler)));
  DWORD cookie = 0;
  hr = point->Advise(sink.get(), &cookie);
  if (FAILED(hr)) throw runtime::Error(static_cast<long>(hr), "The event subscription failed");
  return std::make_unique<Advised>(std::move(point), std::move(sink), cookie);
}

VARIANT_BOOL* booleanReference(VARIANT& argument) {
  if (V_VT(&argument) == (VT_BOOL | VT_BYREF)) return V_BOOLREF(&argument);
  if (V_VT(&argument) == (VT_VARIANT | VT_BYREF) && V_VT(V_VARIANTREF(&argument)) == VT_BOOL) {
    return &V_BOOL(V_VARIANTREF(&argument));
  }
  return nullptr;
}

}  // namespace tw::win32
