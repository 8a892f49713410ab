#include "win32/word_dispatch.h"

#include "platform/office/office.h"
#include "runtime/error.h"
#include "win32/com_error.h"
#include "win32/late_bound.h"

namespace tw::win32 {
namespace {

// Events need Office's connection points, which are not wired yet: the subscription holds, nothing fires.
class Unwired final : public platform::EventConnection {};

template <class T, class... Extra>
std::shared_ptr<T> wrap(const std::shared_ptr<Variant>& value, Extra&&... extra) {
  ComPtr<IDispatch> object = LateBound::object(*value);
  if (!object) return nullptr;
  return std::make_shared<T>(std::move(object), std::forward<Extra>(extra)...);
}

class CommandBarControlObject;

class CommandBarControlsObject final : public office::CommandBarControls, public DispatchBacked {
 public:
  IDispatch* dispatch() const override { return o_.dispatch(); }
  explicit CommandBarControlsObject(ComPtr<IDispatch> object) : o_(std::move(object)) {}
  long Count() override { return LateBound::number(*o_.get(L"Count")); }
  std::shared_ptr<office::CommandBarControl> Item(long index) override;
  std::shared_ptr<office::CommandBarControl> Item(const std::string& caption) override;
  std::shared_ptr<office::CommandBarControl> Add(int type, std::optional<int> id, std::optional<long> before,
                                                 std::optional<bool> temporary) override;

 private:
  LateBound o_;
};

class CommandBarObject final : public office::CommandBar, public DispatchBacked {
 public:
  IDispatch* dispatch() const override { return o_.dispatch(); }
  explicit CommandBarObject(ComPtr<IDispatch> object) : o_(std::move(object)) {}
  std::string Name() override { return LateBound::text(*o_.get(L"Name")); }
  std::shared_ptr<office::CommandBarControls> Controls() override {
    return wrap<CommandBarControlsObject>(o_.get(L"Controls"));
  }
  std::shared_ptr<office::CommandBarControl> FindControl(const std::string& tag) override;

 private:
  LateBound o_;
};

class CommandBarControlObject final : public office::CommandBarControl, public DispatchBacked {
 public:
  IDispatch* dispatch() const override { return o_.dispatch(); }
  explicit CommandBarControlObject(ComPtr<IDispatch> object) : o_(std::move(object)) {}
  int Type() override { return LateBound::number(*o_.get(L"Type")); }
  int Id() override { return LateBound::number(*o_.get(L"Id")); }
  std::string Tag() override { return LateBound::text(*o_.get(L"Tag")); }
  void SetTag(const std::string& tag) override { o_.put(L"Tag", tag); }
  std::string Caption() override { return LateBound::text(*o_.get(L"Caption")); }
  void SetCaption(const std::string& caption) override { o_.put(L"Caption", caption); }
  bool Visible() override { return LateBound::boolean(*o_.get(L"Visible")); }
  void SetVisible(bool visible) override { o_.put(L"Visible", visible); }
  std::string OnAction() override { return LateBound::text(*o_.get(L"OnAction")); }
  void SetOnAction(const std::string& action) override { o_.put(L"OnAction", action); }
  long Index() override { return LateBound::number(*o_.get(L"Index")); }
  void Delete() override { o_.call(L"Delete"); }
  std::shared_ptr<office::CommandBar> CommandBar() override {
    return wrap<CommandBarObject>(o_.get(L"CommandBar"));
  }
  std::shared_ptr<office::CommandBarControls> Controls() override {
    return wrap<CommandBarControlsObject>(o_.get(L"Controls"));
  }
  std::unique_ptr<platform::EventConnection> OnClick(ClickHandler) override {
    return std::make_unique<Unwired>();
  }

 private:
  LateBound o_;
};

std::shared_ptr<office::CommandBarControl> CommandBarControlsObject::Item(long index) {
  return wrap<CommandBarControlObject>(o_.get(L"Item", args(index)));
}

std::shared_ptr<office::CommandBarControl> CommandBarControlsObject::Item(const std::string& caption) {
  return wrap<CommandBarControlObject>(o_.get(L"Item", args(caption)));
}

std::shared_ptr<office::CommandBarControl> CommandBarControlsObject::Add(int type, std::optional<int> id,
                                                                         std::optional<long> before,
                                                                         std::optional<bool> temporary) {
  // Type, Id, Parameter (not used), Before, Temporary.
  return wrap<CommandBarControlObject>(o_.call(
      L"Add", args(type, id ? Arg(*id) : Arg::omitted(), Arg::omitted(),
                   before ? Arg(*before) : Arg::omitted(), temporary ? Arg(*temporary) : Arg::omitted())));
}

std::shared_ptr<office::CommandBarControl> CommandBarObject::FindControl(const std::string& tag) {
  std::vector<NamedArg> named;
  named.push_back({L"Tag", Arg(tag)});
  named.push_back({L"Recursive", Arg(true)});
  return wrap<CommandBarControlObject>(o_.call(L"FindControl", {}, std::move(named)));
}

class CommandBarsObject final : public office::CommandBars, public DispatchBacked {
 public:
  IDispatch* dispatch() const override { return o_.dispatch(); }
  explicit CommandBarsObject(ComPtr<IDispatch> object) : o_(std::move(object)) {}
  std::shared_ptr<office::CommandBar> Item(const std::string& name) override {
    return wrap<CommandBarObject>(o_.get(L"Item", args(name)));
  }

 private:
  LateBound o_;
};

class ApplicationObject final : public word::Application, public DispatchBacked {
 public:
  IDispatch* dispatch() const override { return o_.dispatch(); }
  explicit ApplicationObject(ComPtr<IDispatch> object) : o_(std::move(object)) {}
  std::string Version() override { return LateBound::text(*o_.get(L"Version")); }
  bool Visible() override { return LateBound::boolean(*o_.get(L"Visible")); }
  void SetVisible(bool visible) override { o_.put(L"Visible", visible); }
  std::shared_ptr<word::Documents> Documents() override { notAvailable("Word's Application.Documents"); }
  std::shared_ptr<word::Document> ActiveDocument() override {
    notAvailable("Word's Application.ActiveDocument");
  }
  std::shared_ptr<word::Selection> Selection() override { notAvailable("Word's Application.Selection"); }
  std::shared_ptr<word::Window> NewWindow() override { notAvailable("Word's Application.NewWindow"); }
  std::shared_ptr<office::CommandBars> CommandBars() override {
    return wrap<CommandBarsObject>(o_.get(L"CommandBars"));
  }
  void Quit(std::optional<bool> saveChanges) override {
    o_.call(L"Quit", args(saveChanges ? Arg(*saveChanges) : Arg::omitted()));
  }
  std::unique_ptr<platform::EventConnection> OnDocumentBeforeClose(DocumentBeforeCloseHandler) override {
    return std::make_unique<Unwired>();
  }

 private:
  LateBound o_;
};

class RibbonControlObject final : public office::RibbonControl, public DispatchBacked {
 public:
  explicit RibbonControlObject(ComPtr<IDispatch> object) : o_(std::move(object)) {}
  IDispatch* dispatch() const override { return o_.dispatch(); }
  std::string Id() override { return LateBound::text(*o_.get(L"Id")); }

 private:
  LateBound o_;
};

}  // namespace

std::shared_ptr<office::CommandBar> commandBar(ComPtr<IDispatch> bar) {
  return bar ? std::make_shared<CommandBarObject>(std::move(bar)) : nullptr;
}

std::shared_ptr<office::CommandBarControl> commandBarControl(ComPtr<IDispatch> control) {
  return control ? std::make_shared<CommandBarControlObject>(std::move(control)) : nullptr;
}

std::unique_ptr<office::RibbonControl> ribbonControl(ComPtr<IDispatch> control) {
  return std::make_unique<RibbonControlObject>(std::move(control));
}

std::shared_ptr<word::Application> wordApplication(ComPtr<IDispatch> application) {
  return std::make_shared<ApplicationObject>(std::move(application));
}

}  // namespace tw::win32
