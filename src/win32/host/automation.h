#pragma once

// Objects of the Word host reached through IDispatch by member name, as Word's own are: a table of
// members per type of object, positional, omitted and named arguments, errors as EXCEPINFO, and events
// through connection points.

#include "win32/windows_api.h"

#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/event.h"
#include "win32/com_object.h"
#include "win32/com_ptr.h"

namespace tw::host {

using win32::ComPtr;

// The arguments of one call in their positions (named ones moved to theirs) and its result.
class Call {
 public:
  Call(const DISPPARAMS& params, const std::vector<const wchar_t*>& parameterNames, VARIANT* result);

  // Given and not omitted.
  bool has(size_t position) const;
  std::string text(size_t position) const;
  long number(size_t position) const;
  bool boolean(size_t position) const;
  // Null for Nothing.
  ComPtr<IDispatch> object(size_t position) const;
  // The value of a property put.
  const VARIANT& value() const { return *value_; }

  void returns(const std::string& text);
  void returns(long number);
  void returns(bool value);
  void returns(ComPtr<IDispatch> object);

 private:
  const VARIANT& at(size_t position) const;
  std::vector<const VARIANT*> positions_;
  const VARIANT* value_ = nullptr;
  VARIANT* result_;
};

// A member under Word's name: a property get or method, and for a settable property its put.
template <class T>
struct Member {
  using Body = std::function<void(T&, Call&)>;
  Member(const wchar_t* name, std::vector<const wchar_t*> parameters, Body get, Body put = {})
      : name(name), parameters(std::move(parameters)), get(std::move(get)), put(std::move(put)) {}

  const wchar_t* name;
  std::vector<const wchar_t*> parameters;
  Body get;
  Body put;
};

// The part of every host object that does not depend on its type.
class AutomationBase : public IDispatch,
                       public IConnectionPointContainer,
                       private win32::RefCounted<AutomationBase> {
  friend class win32::RefCounted<AutomationBase>;

 public:
  // The IID under which a host object hands out itself, so that an argument can be unwrapped.
  static const IID kSelf;

  virtual ~AutomationBase() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argError) override;
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID events, IConnectionPoint** point) override;

  virtual bool raises(REFIID events) const = 0;
  virtual std::unique_ptr<platform::EventConnection> subscribe(ComPtr<IDispatch> sink) = 0;

 protected:
  struct Entry {
    const wchar_t* name;
    const std::vector<const wchar_t*>* parameters;
    bool settable;
  };
  virtual size_t memberCount() const = 0;
  virtual Entry entry(size_t index) const = 0;
  virtual void run(size_t index, bool put, Call& call) = 0;
};

template <class T>
const std::vector<Member<T>>& membersOf();

// The events a type of object raises (none unless specialised), and how a sink connects to them; `self`
// is the host object, which outlives the connection.
template <class T>
struct Events {
  static const IID* raised() { return nullptr; }
  static std::unique_ptr<platform::EventConnection> connect(const std::shared_ptr<T>&, IDispatch&,
                                                            ComPtr<IDispatch>) {
    return nullptr;
  }
};

// A host object over one object of the embedded Word.
template <class T>
class Automation : public AutomationBase {
 public:
  explicit Automation(std::shared_ptr<T> target) : target_(std::move(target)) {}
  const std::shared_ptr<T>& target() const { return target_; }

 protected:
  size_t memberCount() const override { return membersOf<T>().size(); }
  Entry entry(size_t index) const override {
    const Member<T>& member = membersOf<T>()[index];
    return {member.name, &member.parameters, static_cast<bool>(member.put)};
  }
  bool raises(REFIID events) const override {
    const IID* raised = Events<T>::raised();
    return raised && IsEqualIID(*raised, events);
  }
  std::unique_ptr<platform::EventConnection> subscribe(ComPtr<IDispatch> sink) override {
    return Events<T>::connect(target_, *this, std::move(sink));
  }
  void run(size_t index, bool put, Call& call) override {
    const Member<T>& member = membersOf<T>()[index];
    (put ? member.put : member.get)(*target_, call);
  }

 private:
  std::shared_ptr<T> target_;
};

// Text between COM (UTF-16) and the embedded Word (Windows-1252). The wide-character functions of the C
// library are not used here: this code is compiled with Windows' 16-bit wchar_t.
BSTR newBstr(const std::string& cp1252);
std::string fromBstr(BSTR text);
std::string fromBstr(const OLECHAR* text, UINT length);

// Reports a C++ error of a member as the EXCEPINFO of Invoke; the HRESULT to return.
HRESULT reportError(EXCEPINFO* exception);

// Calls a sink's event `id` with `arguments` (in their order; the last one may be a VARIANT_BOOL by
// reference).
void raiseEvent(IDispatch& sink, DISPID id, std::vector<VARIANT> arguments);

}  // namespace tw::host
