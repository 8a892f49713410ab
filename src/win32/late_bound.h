#pragma once

// An automation object reached by member name through IDispatch, as Word's objects are. Names are
// resolved once per type of object and cached; arguments may be omitted or named as Word expects; a
// failure becomes runtime::Error with the object's own number, description and source.

#include "win32/windows_api.h"

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "win32/com_ptr.h"

namespace tw::win32 {

// One argument of a call: a value or "omitted", owned until the call is done.
class Arg {
 public:
  Arg(const std::string& text);  // NOLINT: arguments convert implicitly, as in a script
  Arg(const char* text) : Arg(std::string(text)) {}
  Arg(long number);
  Arg(int number) : Arg(static_cast<long>(number)) {}
  Arg(bool value);
  Arg(IDispatch* object);
  Arg(Arg&& other) noexcept;
  Arg(const Arg&) = delete;
  ~Arg();
  static Arg omitted();
  // A byte string as an array of bytes (VT_ARRAY | VT_UI1), passed on unchanged.
  static Arg bytes(const std::string& data);

  VARIANT& value() { return v_; }

 private:
  Arg();
  VARIANT v_;
};

// A named argument (Name:="...").
struct NamedArg {
  std::wstring name;
  Arg value;
};

// The positional arguments of a call (an initializer list would have to copy them).
template <class... Values>
std::vector<Arg> args(Values&&... values) {
  std::vector<Arg> list;
  (list.emplace_back(std::forward<Values>(values)), ...);
  return list;
}

class LateBound {
 public:
  explicit LateBound(ComPtr<IDispatch> object);

  // Property get (with index arguments), property put, and method call.
  std::shared_ptr<Variant> get(const wchar_t* member, std::vector<Arg> args = {});
  void put(const wchar_t* member, Arg value);
  std::shared_ptr<Variant> call(const wchar_t* member, std::vector<Arg> args = {},
                                std::vector<NamedArg> named = {});

  IDispatch* dispatch() const { return object_.get(); }

  // Conversions of a result; a wrong type is error 13.
  static std::string text(const Variant& value);
  static long number(const Variant& value);
  static bool boolean(const Variant& value);
  // The bytes of an array of bytes; error 13 for anything else.
  static std::string bytes(const Variant& value);
  // Null for Nothing.
  static ComPtr<IDispatch> object(const Variant& value);

 private:
  std::shared_ptr<Variant> invoke(const wchar_t* member, WORD flags, std::vector<Arg>& args,
                                  std::vector<NamedArg>& named);
  std::vector<DISPID> idsOf(const wchar_t* member, const std::vector<NamedArg>& named);

  ComPtr<IDispatch> object_;
  // The object's type, which keys the shared cache of names; empty when it has no type information.
  std::wstring type_;
  std::map<std::wstring, std::vector<DISPID>> ownIds_;
};

}  // namespace tw::win32
