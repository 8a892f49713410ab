#include "win32/word_dispatch.h"

#include <optional>

#include "platform/office/office.h"
#include "runtime/error.h"
#include "win32/com_error.h"
#include "win32/event_sink.h"
#include "win32/late_bound.h"

namespace tw::win32 {
namespace {

// The event interfaces the add-in listens to, and the ids of the events in them.
constexpr IID kCommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DISPID kClick = 1;
constexpr IID kApplicationEvents2 = {
    0x000209FE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DISPID kDocumentBeforeClose = 6;

// The object argument of an event (by value or by reference); null when there is none.
ComPtr<IDispatch> objectArgument(VARIANT& argument) {
  if (V_VT(&argument) == VT_DISPATCH) return ComPtr<IDispatch>(V_DISPATCH(&argument));
  if (V_VT(&argument) == (VT_DISPATCH | VT_BYREF)) return ComPtr<IDispatch>(*V_DISPATCHREF(&argument));
  return nullptr;
}

// Runs an event handler that takes an object and a by-reference cancel flag (arguments: object, flag).
template <class Run>
void withObjectAndFlag(DISPPARAMS& params, Run&& run) {
  if (params.cArgs != 2) return;
  ComPtr<IDispatch> object = objectArgument(params.rgvarg[1]);
  VARIANT_BOOL* flag = booleanReference(params.rgvarg[0]);
  if (!object) return;
  bool cancel = flag && *flag != VARIANT_FALSE;
  run(std::move(object), cancel);
  if (flag) *flag = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

// A result that may be Nothing (a lookup that found none) is null.
template <class T>
std::shared_ptr<T> wrap(const std::shared_ptr<Variant>& value) {
  ComPtr<IDispatch> object = LateBound::object(*value);
  if (!object) return nullptr;
  return std::make_shared<T>(std::move(object));
}

// A result that is always an object in Word: Nothing is error 91 rather than a null the caller would use.
template <class T>
std::shared_ptr<T> wrapRequired(const std::shared_ptr<Variant>& value) {
  auto object = wrap<T>(value);
  if (!object) throw runtime::Error::fromNumber(runtime::kObjectVariableNotSet);
  return object;
}

// The object of the add-in's model for a result of Word; Nothing is null. Defined once every class is.
template <class Model>
std::shared_ptr<Model> wrapAs(const std::shared_ptr<Variant>& value);
template <>
std::shared_ptr<word::Range> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Field> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Fields> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Cell> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Row> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Rows> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Table> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::TextFrame> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Shape> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::LinkFormat> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::InlineShape> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::InlineShapes> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::MailMergeFields> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::MailMerge> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::View> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Pane> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Window> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Template> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Document> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Documents> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Selection> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Collection<word::Range>> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Collection<word::Cell>> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Collection<word::Shape>> wrapAs(const std::shared_ptr<Variant>&);
template <>
std::shared_ptr<word::Collection<word::Table>> wrapAs(const std::shared_ptr<Variant>&);

Arg optionalArg(const std::optional<std::string>& value) {
  return value ? Arg(*value) : Arg::omitted();
}
Arg optionalArg(const std::optional<bool>& value) {
  return value ? Arg(*value) : Arg::omitted();
}
Arg optionalArg(const std::optional<int>& value) {
  return value ? Arg(*value) : Arg::omitted();
}

// The part every object here shares: the automation object it calls.
class Backed : public DispatchBacked {
 public:
  explicit Backed(ComPtr<IDispatch> object) : o_(std::move(object)) {}
  IDispatch* dispatch() const override { return o_.dispatch(); }

 protected:
  LateBound o_;
};

// A numbered collection of Word: Count and Item(index).
template <class Base, class Element>
class CollectionOf : public Base, public Backed {
 public:
  explicit CollectionOf(ComPtr<IDispatch> object) : Backed(std::move(object)) {}
  long Count() override { return LateBound::number(*o_.get(L"Count")); }
  std::shared_ptr<Element> Item(long index) override {
    return wrapAs<Element>(o_.call(L"Item", args(index)));
  }
};

class RangeObject final : public word::Range, public Backed {
 public:
  using Backed::Backed;
  long Start() override { return LateBound::number(*o_.get(L"Start")); }
  long End() override { return LateBound::number(*o_.get(L"End")); }
  std::string Text() override { return LateBound::text(*o_.get(L"Text")); }
  void SetText(const std::string& text) override { o_.put(L"Text", text); }
  std::shared_ptr<word::Collection<word::Range>> Words() override {
    return wrapAs<word::Collection<word::Range>>(o_.get(L"Words"));
  }
  std::shared_ptr<word::Fields> Fields() override { return wrapAs<word::Fields>(o_.get(L"Fields")); }
  std::shared_ptr<word::InlineShapes> InlineShapes() override {
    return wrapAs<word::InlineShapes>(o_.get(L"InlineShapes"));
  }
  void Collapse(int direction) override { o_.call(L"Collapse", args(direction)); }
  void Select() override { o_.call(L"Select"); }
  void SetFormattedText(const std::shared_ptr<word::Range>& source) override {
    o_.put(L"FormattedText", dispatchOf(source).get());
  }
};

class FieldObject final : public word::Field, public Backed {
 public:
  using Backed::Backed;
  int Type() override { return LateBound::number(*o_.get(L"Type")); }
  std::shared_ptr<word::Range> Code() override { return wrapAs<word::Range>(o_.get(L"Code")); }
  std::shared_ptr<word::Range> Result() override { return wrapAs<word::Range>(o_.get(L"Result")); }
  void Select() override { o_.call(L"Select"); }
  void Update() override { o_.call(L"Update"); }
  void Delete() override { o_.call(L"Delete"); }
};

class FieldsObject final : public CollectionOf<word::Fields, word::Field> {
 public:
  using CollectionOf::CollectionOf;
  std::shared_ptr<word::Field> Add(const std::shared_ptr<word::Range>& range, int type,
                                   const std::optional<std::string>& text,
                                   std::optional<bool> preserveFormatting) override {
    return wrapAs<word::Field>(o_.call(
        L"Add", args(dispatchOf(range).get(), type, optionalArg(text), optionalArg(preserveFormatting))));
  }
  void UpdateSource() override { o_.call(L"UpdateSource"); }
};

class CellObject final : public word::Cell, public Backed {
 public:
  using Backed::Backed;
  std::shared_ptr<word::Range> Range() override { return wrapAs<word::Range>(o_.get(L"Range")); }
};

class RowObject final : public word::Row, public Backed {
 public:
  using Backed::Backed;
  std::shared_ptr<word::Range> Range() override { return wrapAs<word::Range>(o_.get(L"Range")); }
  std::shared_ptr<word::Collection<word::Cell>> Cells() override {
    return wrapAs<word::Collection<word::Cell>>(o_.get(L"Cells"));
  }
};

class RowsObject final : public CollectionOf<word::Rows, word::Row> {
 public:
  using CollectionOf::CollectionOf;
  std::shared_ptr<word::Row> Add(const std::shared_ptr<word::Row>& beforeRow) override {
    return wrapAs<word::Row>(
        o_.call(L"Add", args(beforeRow ? Arg(dispatchOf(beforeRow).get()) : Arg::omitted())));
  }
};

class TableObject final : public word::Table, public Backed {
 public:
  using Backed::Backed;
  std::shared_ptr<word::Rows> Rows() override { return wrapAs<word::Rows>(o_.get(L"Rows")); }
  std::shared_ptr<word::Cell> Cell(long row, long column) override {
    return wrapAs<word::Cell>(o_.call(L"Cell", args(row, column)));
  }
};

class TextFrameObject final : public word::TextFrame, public Backed {
 public:
  using Backed::Backed;
  bool HasText() override { return LateBound::boolean(*o_.get(L"HasText")); }
  std::shared_ptr<word::Range> TextRange() override { return wrapAs<word::Range>(o_.get(L"TextRange")); }
};

class ShapeObject final : public word::Shape, public Backed {
 public:
  using Backed::Backed;
  std::shared_ptr<word::TextFrame> TextFrame() override {
    return wrapAs<word::TextFrame>(o_.get(L"TextFrame"));
  }
};

class LinkFormatObject final : public word::LinkFormat, public Backed {
 public:
  using Backed::Backed;
  bool SavePictureWithDocument() override { return LateBound::boolean(*o_.get(L"SavePictureWithDocument")); }
  void SetSavePictureWithDocument(bool save) override { o_.put(L"SavePictureWithDocument", save); }
};

class InlineShapeObject final : public word::InlineShape, public Backed {
 public:
  using Backed::Backed;
  int Type() override { return LateBound::number(*o_.get(L"Type")); }
  std::shared_ptr<word::LinkFormat> LinkFormat() override {
    return wrapAs<word::LinkFormat>(o_.get(L"LinkFormat"));
  }
};

class MailMergeFieldsObject final : public word::MailMergeFields, public Backed {
 public:
  using Backed::Backed;
  std::shared_ptr<word::Field> Add(const std::shared_ptr<word::Range>& range,
                                   const std::string& name) override {
    return wrapAs<word::Field>(o_.call(L"Add", args(dispatchOf(range).get(), name)));
  }
};

// OpenDataSource and OpenHeaderSource: the name in its place, the rest by name, as Word documents them.
std::vector<NamedArg> dataSourceNamed(const word::DataSourceArgs& source) {
  std::vector<NamedArg> named;
  if (source.format) named.push_back({L"Format", Arg(*source.format)});
  if (source.confirmConversions) named.push_back({L"ConfirmConversions", Arg(*source.confirmConversions)});
  if (source.connection) named.push_back({L"Connection", Arg(*source.connection)});
  return named;
}

class MailMergeObject final : public word::MailMerge, public Backed {
 public:
  using Backed::Backed;
  void OpenHeaderSource(const word::DataSourceArgs& source) override {
    o_.call(L"OpenHeaderSource", args(source.name), dataSourceNamed(source));
  }
  void OpenDataSource(const word::DataSourceArgs& source) override {
    o_.call(L"OpenDataSource", args(source.name), dataSourceNamed(source));
  }
  void Execute(bool pause) override { o_.call(L"Execute", args(pause)); }
  int MainDocumentType() override { return LateBound::number(*o_.get(L"MainDocumentType")); }
  void SetMainDocumentType(int type) override { o_.put(L"MainDocumentType", type); }
  std::shared_ptr<word::MailMergeFields> Fields() override {
    return wrapAs<word::MailMergeFields>(o_.get(L"Fields"));
  }
};

class ViewObject final : public word::View, public Backed {
 public:
  using Backed::Backed;
  bool ShowFieldCodes() override { return LateBound::boolean(*o_.get(L"ShowFieldCodes")); }
  void SetShowFieldCodes(bool show) override { o_.put(L"ShowFieldCodes", show); }
  int SplitSpecial() override { return LateBound::number(*o_.get(L"SplitSpecial")); }
};

class PaneObject final : public word::Pane, public Backed {
 public:
  using Backed::Backed;
  void Close() override { o_.call(L"Close"); }
};

class WindowObject final : public word::Window, public Backed {
 public:
  using Backed::Backed;
  std::shared_ptr<word::View> View() override { return wrapAs<word::View>(o_.get(L"View")); }
  std::shared_ptr<word::Pane> ActivePane() override { return wrapAs<word::Pane>(o_.get(L"ActivePane")); }
};

class TemplateObject final : public word::Template, public Backed {
 public:
  using Backed::Backed;
  bool Saved() override { return LateBound::boolean(*o_.get(L"Saved")); }
  void SetSaved(bool saved) override { o_.put(L"Saved", saved); }
};

// The identity of a COM object is its IUnknown.
ComPtr<IUnknown> identityOf(IDispatch* object) {
  return ComPtr<IDispatch>(object).query<IUnknown>(IID_IUnknown);
}

class DocumentObject final : public word::Document, public Backed {
 public:
  using Backed::Backed;
  std::string Name() override { return LateBound::text(*o_.get(L"Name")); }
  std::string FullName() override { return LateBound::text(*o_.get(L"FullName")); }
  void Activate() override { o_.call(L"Activate"); }
  void Close(std::optional<bool> saveChanges) override { o_.call(L"Close", args(optionalArg(saveChanges))); }
  bool Saved() override { return LateBound::boolean(*o_.get(L"Saved")); }
  void SetSaved(bool saved) override { o_.put(L"Saved", saved); }
  void SaveAs(const std::string& fileName, std::optional<int> fileFormat) override {
    o_.call(L"SaveAs", args(fileName, optionalArg(fileFormat)));
  }
  void PrintOut(int range, const std::string& outputFileName, bool printToFile) override {
    std::vector<NamedArg> named;
    named.push_back({L"Range", Arg(range)});
    named.push_back({L"OutputFileName", Arg(outputFileName)});
    named.push_back({L"PrintToFile", Arg(printToFile)});
    o_.call(L"PrintOut", {}, std::move(named));
  }
  std::shared_ptr<word::Template> AttachedTemplate() override {
    return wrapAs<word::Template>(o_.get(L"AttachedTemplate"));
  }
  std::shared_ptr<word::Window> ActiveWindow() override {
    return wrapAs<word::Window>(o_.get(L"ActiveWindow"));
  }
  std::shared_ptr<word::MailMerge> MailMerge() override {
    return wrapAs<word::MailMerge>(o_.get(L"MailMerge"));
  }
  std::shared_ptr<word::Fields> Fields() override { return wrapAs<word::Fields>(o_.get(L"Fields")); }
  std::shared_ptr<word::Collection<word::Shape>> Shapes() override {
    return wrapAs<word::Collection<word::Shape>>(o_.get(L"Shapes"));
  }
  std::shared_ptr<word::InlineShapes> InlineShapes() override {
    return wrapAs<word::InlineShapes>(o_.get(L"InlineShapes"));
  }
  std::shared_ptr<word::Collection<word::Table>> Tables() override {
    return wrapAs<word::Collection<word::Table>>(o_.get(L"Tables"));
  }
  std::shared_ptr<word::Collection<word::Range>> StoryRanges() override {
    return wrapAs<word::Collection<word::Range>>(o_.get(L"StoryRanges"));
  }
  std::shared_ptr<word::Range> Content() override { return wrapAs<word::Range>(o_.get(L"Content")); }
  std::shared_ptr<word::Range> Range(long start, long end) override {
    return wrapAs<word::Range>(o_.call(L"Range", args(start, end)));
  }
  bool Is(const word::Document& other) const override {
    auto* backed = dynamic_cast<const DispatchBacked*>(&other);
    return backed && identityOf(dispatch()).get() == identityOf(backed->dispatch()).get();
  }
};

class DocumentsObject final : public CollectionOf<word::Documents, word::Document> {
 public:
  using CollectionOf::CollectionOf;
  std::shared_ptr<word::Document> Open(const std::string& fileName) override {
    return wrapAs<word::Document>(o_.call(L"Open", args(fileName)));
  }
};

class SelectionObject final : public word::Selection, public Backed {
 public:
  using Backed::Backed;
  int Type() override { return LateBound::number(*o_.get(L"Type")); }
  std::shared_ptr<word::Range> Range() override { return wrapAs<word::Range>(o_.get(L"Range")); }
  void SetRange(long start, long end) override { o_.call(L"SetRange", args(start, end)); }
  void Delete() override { o_.call(L"Delete"); }
  void TypeText(const std::string& text) override { o_.call(L"TypeText", args(text)); }
};

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
    return wrapRequired<CommandBarControlsObject>(o_.get(L"Controls"));
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
    return wrapRequired<CommandBarObject>(o_.get(L"CommandBar"));
  }
  std::shared_ptr<office::CommandBarControls> Controls() override {
    return wrapRequired<CommandBarControlsObject>(o_.get(L"Controls"));
  }
  std::unique_ptr<platform::EventConnection> OnClick(ClickHandler handler) override {
    return connectEvents(o_.dispatch(), kCommandBarButtonEvents, [handler](DISPID event, DISPPARAMS& params) {
      if (event != kClick) return;
      withObjectAndFlag(params, [&](ComPtr<IDispatch> control, bool& cancelDefault) {
        CommandBarControlObject button(std::move(control));
        handler(button, cancelDefault);
      });
    });
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
  return wrapRequired<CommandBarControlObject>(o_.call(
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
  std::shared_ptr<word::Documents> Documents() override {
    return wrapAs<word::Documents>(o_.get(L"Documents"));
  }
  std::shared_ptr<word::Document> ActiveDocument() override {
    return wrapAs<word::Document>(o_.get(L"ActiveDocument"));
  }
  std::shared_ptr<word::Selection> Selection() override {
    return wrapAs<word::Selection>(o_.get(L"Selection"));
  }
  std::shared_ptr<word::Window> NewWindow() override { return wrapAs<word::Window>(o_.call(L"NewWindow")); }
  std::shared_ptr<office::CommandBars> CommandBars() override {
    return wrapRequired<CommandBarsObject>(o_.get(L"CommandBars"));
  }
  void Quit(std::optional<bool> saveChanges) override {
    o_.call(L"Quit", args(saveChanges ? Arg(*saveChanges) : Arg::omitted()));
  }
  std::unique_ptr<platform::EventConnection> OnDocumentBeforeClose(
      DocumentBeforeCloseHandler handler) override {
    return connectEvents(o_.dispatch(), kApplicationEvents2, [handler](DISPID event, DISPPARAMS& params) {
      if (event != kDocumentBeforeClose) return;
      withObjectAndFlag(params, [&](ComPtr<IDispatch> document, bool& cancel) {
        DocumentObject closing(std::move(document));
        handler(closing, cancel);
      });
    });
  }

 private:
  LateBound o_;
};

// The control a ribbon callback gets may be Nothing; only a callback that reads it fails (error 91).
class RibbonControlObject final : public office::RibbonControl, public DispatchBacked {
 public:
  explicit RibbonControlObject(ComPtr<IDispatch> object) : object_(std::move(object)) {}
  IDispatch* dispatch() const override { return object_.get(); }
  std::string Id() override { return LateBound::text(*bound().get(L"Id")); }

 private:
  LateBound& bound() {
    if (!o_) o_.emplace(object_);
    return *o_;
  }

  ComPtr<IDispatch> object_;
  std::optional<LateBound> o_;
};

template <>
std::shared_ptr<word::Range> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<RangeObject>(value);
}
template <>
std::shared_ptr<word::Field> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<FieldObject>(value);
}
template <>
std::shared_ptr<word::Fields> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<FieldsObject>(value);
}
template <>
std::shared_ptr<word::Cell> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<CellObject>(value);
}
template <>
std::shared_ptr<word::Row> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<RowObject>(value);
}
template <>
std::shared_ptr<word::Rows> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<RowsObject>(value);
}
template <>
std::shared_ptr<word::Table> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<TableObject>(value);
}
template <>
std::shared_ptr<word::TextFrame> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<TextFrameObject>(value);
}
template <>
std::shared_ptr<word::Shape> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<ShapeObject>(value);
}
template <>
std::shared_ptr<word::LinkFormat> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<LinkFormatObject>(value);
}
template <>
std::shared_ptr<word::InlineShape> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<InlineShapeObject>(value);
}
template <>
std::shared_ptr<word::InlineShapes> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<CollectionOf<word::InlineShapes, word::InlineShape>>(value);
}
template <>
std::shared_ptr<word::MailMergeFields> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<MailMergeFieldsObject>(value);
}
template <>
std::shared_ptr<word::MailMerge> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<MailMergeObject>(value);
}
template <>
std::shared_ptr<word::View> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<ViewObject>(value);
}
template <>
std::shared_ptr<word::Pane> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<PaneObject>(value);
}
template <>
std::shared_ptr<word::Window> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<WindowObject>(value);
}
template <>
std::shared_ptr<word::Template> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<TemplateObject>(value);
}
template <>
std::shared_ptr<word::Document> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<DocumentObject>(value);
}
template <>
std::shared_ptr<word::Documents> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<DocumentsObject>(value);
}
template <>
std::shared_ptr<word::Selection> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<SelectionObject>(value);
}
template <>
std::shared_ptr<word::Collection<word::Range>> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<CollectionOf<word::Collection<word::Range>, word::Range>>(value);
}
template <>
std::shared_ptr<word::Collection<word::Cell>> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<CollectionOf<word::Collection<word::Cell>, word::Cell>>(value);
}
template <>
std::shared_ptr<word::Collection<word::Shape>> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<CollectionOf<word::Collection<word::Shape>, word::Shape>>(value);
}
template <>
std::shared_ptr<word::Collection<word::Table>> wrapAs(const std::shared_ptr<Variant>& value) {
  return wrapRequired<CollectionOf<word::Collection<word::Table>, word::Table>>(value);
}
}  // namespace

std::shared_ptr<office::CommandBar> commandBar(ComPtr<IDispatch> bar) {
  return bar ? std::make_shared<CommandBarObject>(std::move(bar)) : nullptr;
}

std::shared_ptr<office::CommandBarControl> commandBarControl(ComPtr<IDispatch> control) {
  return control ? std::make_shared<CommandBarControlObject>(std::move(control)) : nullptr;
}

std::shared_ptr<word::Document> wordDocument(ComPtr<IDispatch> document) {
  return document ? std::make_shared<DocumentObject>(std::move(document)) : nullptr;
}

std::shared_ptr<word::Field> wordField(ComPtr<IDispatch> field) {
  return field ? std::make_shared<FieldObject>(std::move(field)) : nullptr;
}

std::unique_ptr<office::RibbonControl> ribbonControl(ComPtr<IDispatch> control) {
  return std::make_unique<RibbonControlObject>(std::move(control));
}

std::shared_ptr<word::Application> wordApplication(ComPtr<IDispatch> application) {
  return std::make_shared<ApplicationObject>(std::move(application));
}

}  // namespace tw::win32
