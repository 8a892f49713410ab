// The Word host for Wine: stands in for Word. It exposes the embedded Word's object model through
// IDispatch under Word's member names, makes itself known as Word.Application, loads the COM add-ins
// registered for Word the way Word does, and on quitting saves the documents still open.
//
// Usage: word_host.exe.so --out <folder> [--temp <folder>] [--version 16.0]
//                         [--click "Menu Bar > <popup> > <button>"] [--wait <ms>] ... [--password <text>]
//        word_host.exe.so --text <file.docx>     (prints the main text of a document)
// After start-up the clicks and waits run in their order; a wait ends early when the add-in quits Word. When
// Wine can show windows (its null graphics driver), message boxes are printed and answered with OK, and the
// add-in's forms are closed, or, with --password, a form that asks for a password gets it and its first
// button is pressed.

#include "host/automation.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/host_engine.h"
#include "platform/office/office.h"
#include "platform/word/word.h"
#include "runtime/codepage.h"
#include "runtime/error.h"
#include "win32/office_h.h"

namespace tw::host {
namespace {

// ---- Wrapping and unwrapping --------------------------------------------------------------------------

// The host object of one open document, kept so that the same document is always the same COM object
// (the add-in compares documents by identity).
std::vector<ComPtr<IDispatch>>& documentObjects() {
  static std::vector<ComPtr<IDispatch>> objects;
  return objects;
}

template <class T>
ComPtr<IDispatch> wrap(std::shared_ptr<T> target) {
  if (!target) return nullptr;
  return ComPtr<IDispatch>(new Automation<T>(std::move(target)));
}

template <>
ComPtr<IDispatch> wrap(std::shared_ptr<word::Document> target) {
  if (!target) return nullptr;
  for (const auto& object : documentObjects()) {
    auto known = static_cast<Automation<word::Document>*>(static_cast<AutomationBase*>(object.get()));
    if (known->target()->Is(*target)) return object;
  }
  documentObjects().emplace_back(new Automation<word::Document>(std::move(target)));
  return documentObjects().back();
}

// Raises an event whose arguments are an object and a by-reference flag, and takes the flag back.
void raiseFlagEvent(IDispatch& sink, DISPID id, IDispatch& object, bool& flag) {
  VARIANT_BOOL value = flag ? VARIANT_TRUE : VARIANT_FALSE;
  VARIANT first, second;
  VariantInit(&first);
  V_VT(&first) = VT_DISPATCH;
  V_DISPATCH(&first) = &object;
  VariantInit(&second);
  V_VT(&second) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&second) = &value;
  raiseEvent(sink, id, {first, second});
  flag = value != VARIANT_FALSE;
}

// The embedded Word's object behind an argument that is one of the host's objects.
template <class T>
std::shared_ptr<T> unwrap(const ComPtr<IDispatch>& object) {
  if (!object) return nullptr;
  auto self = object.query<IDispatch>(AutomationBase::kSelf);
  auto automation = self ? dynamic_cast<Automation<T>*>(static_cast<AutomationBase*>(self.get())) : nullptr;
  if (!automation) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  return automation->target();
}

}  // namespace

// ---- Events ---------------------------------------------------------------------------------------------

// A button's Click: the button and the cancel-default flag (_CommandBarButtonEvents, DISPID 1).
template <>
struct Events<office::CommandBarControl> {
  static const IID* raised() {
    static const IID events = {0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    return &events;
  }
  static std::unique_ptr<platform::EventConnection> connect(
      const std::shared_ptr<office::CommandBarControl>& button, IDispatch& self, ComPtr<IDispatch> sink) {
    return button->OnClick([&self, sink](office::CommandBarControl&, bool& cancelDefault) {
      raiseFlagEvent(*sink.get(), 1, self, cancelDefault);
    });
  }
};

// Application.DocumentBeforeClose: the document and the cancel flag (ApplicationEvents2, DISPID 6).
template <>
struct Events<word::Application> {
  static const IID* raised() {
    static const IID events = {0x000209FE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    return &events;
  }
  static std::unique_ptr<platform::EventConnection> connect(const std::shared_ptr<word::Application>& word,
                                                            IDispatch&, ComPtr<IDispatch> sink) {
    std::weak_ptr<word::Application> weak = word;
    return word->OnDocumentBeforeClose([weak, sink](word::Document& closing, bool& cancel) {
      auto app = weak.lock();
      if (!app) return;
      auto documents = app->Documents();
      for (long i = 1; i <= documents->Count(); ++i) {
        auto document = documents->Item(i);
        if (document->Is(closing)) return raiseFlagEvent(*sink.get(), 6, *wrap(document).get(), cancel);
      }
    });
  }
};

namespace {

// ---- Paths: the add-in speaks Windows paths, the embedded Word POSIX ones --------------------------------

// Empty when Wine has no POSIX path for it.
std::string unixPathOf(const std::string& windowsPath) {
  BSTR wide = newBstr(windowsPath);
  char* unix = wide ? wine_get_unix_file_name(wide) : nullptr;
  SysFreeString(wide);
  if (!unix) return {};
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

std::string posixPath(const std::string& windowsPath) {
  std::string result = unixPathOf(windowsPath);
  if (result.empty()) throw runtime::Error::fromNumber(76);  // Path not found
  return result;
}

std::string windowsPath(const std::string& posix) {
  WCHAR* dos = wine_get_dos_file_name(posix.c_str());
  if (!dos) return posix;
  std::string result = fromBstr(dos, static_cast<UINT>(lstrlenW(dos)));
  HeapFree(GetProcessHeap(), 0, dos);
  return result;
}

std::optional<bool> optionalBoolean(Call& c, size_t position) {
  return c.has(position) ? std::optional<bool>(c.boolean(position)) : std::nullopt;
}
std::optional<std::string> optionalText(Call& c, size_t position) {
  return c.has(position) ? std::optional<std::string>(c.text(position)) : std::nullopt;
}

// A collection's Count and Item(Index).
template <class T, class Collection>
std::vector<Member<Collection>> collectionMembers() {
  return {
      {L"Count", {}, [](Collection& o, Call& c) { c.returns(o.Count()); }},
      {L"Item", {L"Index"}, [](Collection& o, Call& c) { c.returns(wrap<T>(o.Item(c.number(0)))); }},
  };
}

template <class Collection>
std::vector<Member<Collection>> with(std::vector<Member<Collection>> members,
                                     std::vector<Member<Collection>> more) {
  members.insert(members.end(), more.begin(), more.end());
  return members;
}

}  // namespace

// ---- Word's objects ---------------------------------------------------------------------------------------

template <>
const std::vector<Member<word::Range>>& membersOf() {
  static const std::vector<Member<word::Range>> members = {
      {L"Start", {}, [](word::Range& o, Call& c) { c.returns(o.Start()); }},
      {L"End", {}, [](word::Range& o, Call& c) { c.returns(o.End()); }},
      {L"Text",
       {},
       [](word::Range& o, Call& c) { c.returns(o.Text()); },
       [](word::Range& o, Call& c) { o.SetText(fromBstr(V_BSTR(&c.value()))); }},
      {L"Words", {}, [](word::Range& o, Call& c) { c.returns(wrap(o.Words())); }},
      {L"Fields", {}, [](word::Range& o, Call& c) { c.returns(wrap(o.Fields())); }},
      {L"InlineShapes", {}, [](word::Range& o, Call& c) { c.returns(wrap(o.InlineShapes())); }},
      {L"Collapse",
       {L"Direction"},
       [](word::Range& o, Call& c) {
         o.Collapse(c.has(0) ? static_cast<int>(c.number(0)) : word::wdCollapseStart);
       }},
      {L"Select", {}, [](word::Range& o, Call&) { o.Select(); }},
      // Only set: the add-in copies a table row with it.
      {L"FormattedText",
       {},
       [](word::Range&, Call&) { throw runtime::Error::fromNumber(runtime::kObjectDoesNotSupportProperty); },
       [](word::Range& o, Call& c) {
         const VARIANT& value = c.value();
         if (V_VT(&value) != VT_DISPATCH) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
         o.SetFormattedText(unwrap<word::Range>(ComPtr<IDispatch>(V_DISPATCH(&value))));
       }},
  };
  return members;
}

template <>
const std::vector<Member<word::Collection<word::Range>>>& membersOf() {
  static const auto members = collectionMembers<word::Range, word::Collection<word::Range>>();
  return members;
}

template <>
const std::vector<Member<word::Field>>& membersOf() {
  static const std::vector<Member<word::Field>> members = {
      {L"Type", {}, [](word::Field& o, Call& c) { c.returns(static_cast<long>(o.Type())); }},
      {L"Code", {}, [](word::Field& o, Call& c) { c.returns(wrap(o.Code())); }},
      {L"Result", {}, [](word::Field& o, Call& c) { c.returns(wrap(o.Result())); }},
      {L"Select", {}, [](word::Field& o, Call&) { o.Select(); }},
      {L"Update",
       {},
       [](word::Field& o, Call& c) {
         o.Update();
         c.returns(true);
       }},
      {L"Delete", {}, [](word::Field& o, Call&) { o.Delete(); }},
  };
  return members;
}

template <>
const std::vector<Member<word::Fields>>& membersOf() {
  static const auto members =
      with(collectionMembers<word::Field, word::Fields>(),
           {
               {L"Add",
                {L"Range", L"Type", L"Text", L"PreserveFormatting"},
                [](word::Fields& o, Call& c) {
                  c.returns(wrap(o.Add(unwrap<word::Range>(c.object(0)),
                                       c.has(1) ? static_cast<int>(c.number(1)) : word::wdFieldEmpty,
                                       optionalText(c, 2), optionalBoolean(c, 3))));
                }},
               {L"UpdateSource", {}, [](word::Fields& o, Call&) { o.UpdateSource(); }},
           });
  return members;
}

template <>
const std::vector<Member<word::Cell>>& membersOf() {
  static const std::vector<Member<word::Cell>> members = {
      {L"Range", {}, [](word::Cell& o, Call& c) { c.returns(wrap(o.Range())); }},
  };
  return members;
}

template <>
const std::vector<Member<word::Collection<word::Cell>>>& membersOf() {
  static const auto members = collectionMembers<word::Cell, word::Collection<word::Cell>>();
  return members;
}

template <>
const std::vector<Member<word::Row>>& membersOf() {
  static const std::vector<Member<word::Row>> members = {
      {L"Range", {}, [](word::Row& o, Call& c) { c.returns(wrap(o.Range())); }},
      {L"Cells", {}, [](word::Row& o, Call& c) { c.returns(wrap(o.Cells())); }},
  };
  return members;
}

template <>
const std::vector<Member<word::Rows>>& membersOf() {
  static const auto members =
      with(collectionMembers<word::Row, word::Rows>(),
           {
               {L"Add",
                {L"BeforeRow"},
                [](word::Rows& o, Call& c) {
                  c.returns(wrap(o.Add(c.has(0) ? unwrap<word::Row>(c.object(0)) : nullptr)));
                }},
           });
  return members;
}

template <>
const std::vector<Member<word::Table>>& membersOf() {
  static const std::vector<Member<word::Table>> members = {
      {L"Rows", {}, [](word::Table& o, Call& c) { c.returns(wrap(o.Rows())); }},
      {L"Cell",
       {L"Row", L"Column"},
       [](word::Table& o, Call& c) { c.returns(wrap(o.Cell(c.number(0), c.number(1)))); }},
  };
  return members;
}

template <>
const std::vector<Member<word::Collection<word::Table>>>& membersOf() {
  static const auto members = collectionMembers<word::Table, word::Collection<word::Table>>();
  return members;
}

template <>
const std::vector<Member<word::TextFrame>>& membersOf() {
  static const std::vector<Member<word::TextFrame>> members = {
      {L"HasText", {}, [](word::TextFrame& o, Call& c) { c.returns(o.HasText()); }},
      {L"TextRange", {}, [](word::TextFrame& o, Call& c) { c.returns(wrap(o.TextRange())); }},
  };
  return members;
}

template <>
const std::vector<Member<word::Shape>>& membersOf() {
  static const std::vector<Member<word::Shape>> members = {
      {L"TextFrame", {}, [](word::Shape& o, Call& c) { c.returns(wrap(o.TextFrame())); }},
  };
  return members;
}

template <>
const std::vector<Member<word::Collection<word::Shape>>>& membersOf() {
  static const auto members = collectionMembers<word::Shape, word::Collection<word::Shape>>();
  return members;
}

template <>
const std::vector<Member<word::LinkFormat>>& membersOf() {
  static const std::vector<Member<word::LinkFormat>> members = {
      {L"SavePictureWithDocument",
       {},
       [](word::LinkFormat& o, Call& c) { c.returns(o.SavePictureWithDocument()); },
       [](word::LinkFormat& o, Call& c) {
         o.SetSavePictureWithDocument(V_BOOL(&c.value()) != VARIANT_FALSE);
       }},
  };
  return members;
}

template <>
const std::vector<Member<word::InlineShape>>& membersOf() {
  static const std::vector<Member<word::InlineShape>> members = {
      {L"Type", {}, [](word::InlineShape& o, Call& c) { c.returns(static_cast<long>(o.Type())); }},
      {L"LinkFormat", {}, [](word::InlineShape& o, Call& c) { c.returns(wrap(o.LinkFormat())); }},
  };
  return members;
}

template <>
const std::vector<Member<word::InlineShapes>>& membersOf() {
  static const auto members = collectionMembers<word::InlineShape, word::InlineShapes>();
  return members;
}

template <>
const std::vector<Member<word::MailMergeFields>>& membersOf() {
  static const std::vector<Member<word::MailMergeFields>> members = {
      {L"Add",
       {L"Range", L"Name"},
       [](word::MailMergeFields& o, Call& c) {
         c.returns(wrap(o.Add(unwrap<word::Range>(c.object(0)), c.text(1))));
       }},
  };
  return members;
}

namespace {
// The arguments of OpenDataSource / OpenHeaderSource the embedded Word takes, at Word's positions.
word::DataSourceArgs dataSource(Call& c, std::optional<size_t> connectionPosition) {
  word::DataSourceArgs args;
  args.name = posixPath(c.text(0));
  if (c.has(1)) args.format = static_cast<int>(c.number(1));
  args.confirmConversions = optionalBoolean(c, 2);
  if (connectionPosition) args.connection = optionalText(c, *connectionPosition);
  return args;
}
}  // namespace

template <>
const std::vector<Member<word::MailMerge>>& membersOf() {
  static const std::vector<Member<word::MailMerge>> members = {
      {L"OpenDataSource",
       {L"Name", L"Format", L"ConfirmConversions", L"ReadOnly", L"LinkToSource", L"AddToRecentFiles",
        L"PasswordDocument", L"PasswordTemplate", L"Revert", L"WritePasswordDocument",
        L"WritePasswordTemplate", L"Connection", L"SQLStatement", L"SQLStatement1", L"OpenExclusive",
        L"SubType"},
       [](word::MailMerge& o, Call& c) { o.OpenDataSource(dataSource(c, 11)); }},
      {L"OpenHeaderSource",
       {L"Name", L"Format", L"ConfirmConversions", L"ReadOnly", L"AddToRecentFiles", L"PasswordDocument",
        L"PasswordTemplate", L"Revert", L"WritePasswordDocument", L"WritePasswordTemplate", L"OpenExclusive"},
       [](word::MailMerge& o, Call& c) { o.OpenHeaderSource(dataSource(c, std::nullopt)); }},
      {L"Execute", {L"Pause"}, [](word::MailMerge& o, Call& c) { o.Execute(c.has(0) && c.boolean(0)); }},
      {L"MainDocumentType",
       {},
       [](word::MailMerge& o, Call& c) { c.returns(static_cast<long>(o.MainDocumentType())); },
       [](word::MailMerge& o, Call& c) { o.SetMainDocumentType(V_I4(&c.value())); }},
      {L"Fields", {}, [](word::MailMerge& o, Call& c) { c.returns(wrap(o.Fields())); }},
  };
  return members;
}

template <>
const std::vector<Member<word::View>>& membersOf() {
  static const std::vector<Member<word::View>> members = {
      {L"ShowFieldCodes",
       {},
       [](word::View& o, Call& c) { c.returns(o.ShowFieldCodes()); },
       [](word::View& o, Call& c) { o.SetShowFieldCodes(V_BOOL(&c.value()) != VARIANT_FALSE); }},
      {L"SplitSpecial", {}, [](word::View& o, Call& c) { c.returns(static_cast<long>(o.SplitSpecial())); }},
  };
  return members;
}

template <>
const std::vector<Member<word::Pane>>& membersOf() {
  static const std::vector<Member<word::Pane>> members = {
      {L"Close", {}, [](word::Pane& o, Call&) { o.Close(); }},
  };
  return members;
}

template <>
const std::vector<Member<word::Window>>& membersOf() {
  static const std::vector<Member<word::Window>> members = {
      {L"View", {}, [](word::Window& o, Call& c) { c.returns(wrap(o.View())); }},
      {L"ActivePane", {}, [](word::Window& o, Call& c) { c.returns(wrap(o.ActivePane())); }},
  };
  return members;
}

template <>
const std::vector<Member<word::Template>>& membersOf() {
  static const std::vector<Member<word::Template>> members = {
      {L"Saved",
       {},
       [](word::Template& o, Call& c) { c.returns(o.Saved()); },
       [](word::Template& o, Call& c) { o.SetSaved(V_BOOL(&c.value()) != VARIANT_FALSE); }},
  };
  return members;
}

template <>
const std::vector<Member<word::Document>>& membersOf() {
  using D = word::Document;
  static const std::vector<Member<D>> members = {
      {L"Name", {}, [](D& o, Call& c) { c.returns(o.Name()); }},
      {L"FullName", {}, [](D& o, Call& c) { c.returns(windowsPath(o.FullName())); }},
      {L"Activate", {}, [](D& o, Call&) { o.Activate(); }},
      {L"Close",
       {L"SaveChanges", L"OriginalFormat", L"RouteDocument"},
       [](D& o, Call& c) { o.Close(optionalBoolean(c, 0)); }},
      {L"Saved",
       {},
       [](D& o, Call& c) { c.returns(o.Saved()); },
       [](D& o, Call& c) { o.SetSaved(V_BOOL(&c.value()) != VARIANT_FALSE); }},
      {L"SaveAs",
       {L"FileName", L"FileFormat"},
       [](D& o, Call& c) {
         o.SaveAs(posixPath(c.text(0)), c.has(1) ? std::optional<int>(c.number(1)) : std::nullopt);
       }},
      {L"PrintOut",
       {L"Background", L"Append", L"Range", L"OutputFileName", L"From", L"To", L"Item", L"Copies", L"Pages",
        L"PageType", L"PrintToFile"},
       [](D& o, Call& c) {
         const bool toFile = c.has(10) && c.boolean(10);
         o.PrintOut(c.has(2) ? static_cast<int>(c.number(2)) : word::wdPrintAllDocument,
                    c.has(3) ? posixPath(c.text(3)) : std::string(), toFile);
       }},
      {L"AttachedTemplate", {}, [](D& o, Call& c) { c.returns(wrap(o.AttachedTemplate())); }},
      {L"ActiveWindow", {}, [](D& o, Call& c) { c.returns(wrap(o.ActiveWindow())); }},
      {L"MailMerge", {}, [](D& o, Call& c) { c.returns(wrap(o.MailMerge())); }},
      {L"Fields", {}, [](D& o, Call& c) { c.returns(wrap(o.Fields())); }},
      {L"Shapes", {}, [](D& o, Call& c) { c.returns(wrap(o.Shapes())); }},
      {L"InlineShapes", {}, [](D& o, Call& c) { c.returns(wrap(o.InlineShapes())); }},
      {L"Tables", {}, [](D& o, Call& c) { c.returns(wrap(o.Tables())); }},
      {L"StoryRanges", {}, [](D& o, Call& c) { c.returns(wrap(o.StoryRanges())); }},
      {L"Content", {}, [](D& o, Call& c) { c.returns(wrap(o.Content())); }},
      {L"Range",
       {L"Start", L"End"},
       [](D& o, Call& c) {
         c.returns(wrap(o.Range(c.has(0) ? c.number(0) : 0, c.has(1) ? c.number(1) : 0)));
       }},
  };
  return members;
}

template <>
const std::vector<Member<word::Documents>>& membersOf() {
  static const auto members =
      with(collectionMembers<word::Document, word::Documents>(),
           {
               {L"Open",
                {L"FileName"},
                [](word::Documents& o, Call& c) { c.returns(wrap(o.Open(posixPath(c.text(0))))); }},
           });
  return members;
}

template <>
const std::vector<Member<word::Selection>>& membersOf() {
  static const std::vector<Member<word::Selection>> members = {
      {L"Type", {}, [](word::Selection& o, Call& c) { c.returns(static_cast<long>(o.Type())); }},
      {L"Range", {}, [](word::Selection& o, Call& c) { c.returns(wrap(o.Range())); }},
      {L"SetRange",
       {L"Start", L"End"},
       [](word::Selection& o, Call& c) { o.SetRange(c.number(0), c.number(1)); }},
      {L"Delete", {}, [](word::Selection& o, Call&) { o.Delete(); }},
      {L"TypeText", {L"Text"}, [](word::Selection& o, Call& c) { o.TypeText(c.text(0)); }},
  };
  return members;
}

// ---- Office's command bars --------------------------------------------------------------------------------

template <>
const std::vector<Member<office::CommandBarControl>>& membersOf() {
  using B = office::CommandBarControl;
  static const std::vector<Member<B>> members = {
      {L"Type", {}, [](B& o, Call& c) { c.returns(static_cast<long>(o.Type())); }},
      {L"Id", {}, [](B& o, Call& c) { c.returns(static_cast<long>(o.Id())); }},
      {L"Tag",
       {},
       [](B& o, Call& c) { c.returns(o.Tag()); },
       [](B& o, Call& c) { o.SetTag(fromBstr(V_BSTR(&c.value()))); }},
      {L"Caption",
       {},
       [](B& o, Call& c) { c.returns(o.Caption()); },
       [](B& o, Call& c) { o.SetCaption(fromBstr(V_BSTR(&c.value()))); }},
      {L"Visible",
       {},
       [](B& o, Call& c) { c.returns(o.Visible()); },
       [](B& o, Call& c) { o.SetVisible(V_BOOL(&c.value()) != VARIANT_FALSE); }},
      {L"OnAction",
       {},
       [](B& o, Call& c) { c.returns(o.OnAction()); },
       [](B& o, Call& c) { o.SetOnAction(fromBstr(V_BSTR(&c.value()))); }},
      {L"Index", {}, [](B& o, Call& c) { c.returns(o.Index()); }},
      {L"Delete", {L"Temporary"}, [](B& o, Call&) { o.Delete(); }},
      {L"CommandBar", {}, [](B& o, Call& c) { c.returns(wrap(o.CommandBar())); }},
      {L"Controls", {}, [](B& o, Call& c) { c.returns(wrap(o.Controls())); }},
  };
  return members;
}

template <>
const std::vector<Member<office::CommandBarControls>>& membersOf() {
  using C = office::CommandBarControls;
  static const std::vector<Member<C>> members = {
      {L"Count", {}, [](C& o, Call& c) { c.returns(o.Count()); }},
      {L"Item",
       {L"Index"},
       [](C& o, Call& c) {
         // By position or by caption, as Office's Controls(...) takes either.
         try {
           c.returns(wrap(o.Item(c.number(0))));
         } catch (const runtime::Error& error) {
           if (error.number() != runtime::kTypeMismatch) throw;
           c.returns(wrap(o.Item(c.text(0))));
         }
       }},
      {L"Add",
       {L"Type", L"Id", L"Parameter", L"Before", L"Temporary"},
       [](C& o, Call& c) {
         c.returns(
             wrap(o.Add(c.has(0) ? static_cast<int>(c.number(0)) : office::msoControlButton,
                        c.has(1) ? std::optional<int>(c.number(1)) : std::nullopt,
                        c.has(3) ? std::optional<long>(c.number(3)) : std::nullopt, optionalBoolean(c, 4))));
       }},
  };
  return members;
}

template <>
const std::vector<Member<office::CommandBar>>& membersOf() {
  using B = office::CommandBar;
  static const std::vector<Member<B>> members = {
      {L"Name", {}, [](B& o, Call& c) { c.returns(o.Name()); }},
      {L"Controls", {}, [](B& o, Call& c) { c.returns(wrap(o.Controls())); }},
      {L"FindControl",
       {L"Type", L"Id", L"Tag", L"Visible", L"Recursive"},
       [](B& o, Call& c) { c.returns(wrap(o.FindControl(c.text(2)))); }},
  };
  return members;
}

template <>
const std::vector<Member<office::CommandBars>>& membersOf() {
  static const std::vector<Member<office::CommandBars>> members = {
      {L"Item", {L"Index"}, [](office::CommandBars& o, Call& c) { c.returns(wrap(o.Item(c.text(0)))); }},
  };
  return members;
}

// ---- The application and the add-ins ---------------------------------------------------------------------

template <>
const std::vector<Member<word::Application>>& membersOf() {
  using A = word::Application;
  static const std::vector<Member<A>> members = {
      {L"Name", {}, [](A&, Call& c) { c.returns(std::string("Microsoft Word")); }},
      {L"Version", {}, [](A& o, Call& c) { c.returns(o.Version()); }},
      {L"Visible",
       {},
       [](A& o, Call& c) { c.returns(o.Visible()); },
       [](A& o, Call& c) { o.SetVisible(V_BOOL(&c.value()) != VARIANT_FALSE); }},
      {L"Documents", {}, [](A& o, Call& c) { c.returns(wrap(o.Documents())); }},
      {L"ActiveDocument", {}, [](A& o, Call& c) { c.returns(wrap(o.ActiveDocument())); }},
      {L"Selection", {}, [](A& o, Call& c) { c.returns(wrap(o.Selection())); }},
      {L"NewWindow", {}, [](A& o, Call& c) { c.returns(wrap(o.NewWindow())); }},
      {L"CommandBars", {}, [](A& o, Call& c) { c.returns(wrap(o.CommandBars())); }},
      {L"Quit",
       {L"SaveChanges", L"OriginalFormat", L"RouteDocument"},
       [](A& o, Call& c) { o.Quit(optionalBoolean(c, 0)); }},
  };
  return members;
}

// What Word hands an add-in as its COMAddIn object.
struct AddInInfo {
  std::string progId;
};

template <>
const std::vector<Member<AddInInfo>>& membersOf() {
  static const std::vector<Member<AddInInfo>> members = {
      {L"ProgId", {}, [](AddInInfo& o, Call& c) { c.returns(o.progId); }},
      {L"Description", {}, [](AddInInfo& o, Call& c) { c.returns(o.progId); }},
      {L"Connect", {}, [](AddInInfo&, Call& c) { c.returns(true); }},
  };
  return members;
}

namespace {

// Word.Application's class.
const CLSID kWordApplication = {0x000209FF, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The empty custom array of the IDTExtensibility2 calls.
class CustomArray {
 public:
  CustomArray() : array_(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
  CustomArray(const CustomArray&) = delete;
  CustomArray& operator=(const CustomArray&) = delete;
  ~CustomArray() { SafeArrayDestroy(array_); }
  SAFEARRAY** get() { return &array_; }

 private:
  SAFEARRAY* array_;
};

// A registry key this code opened.
class RegistryKey {
 public:
  RegistryKey(HKEY parent, const wchar_t* path) {
    if (RegOpenKeyExW(parent, path, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

struct LoadedAddIn {
  std::string progId;
  ComPtr<_IDTExtensibility2> addIn;
};

// The ProgIDs under Word's add-in key whose LoadBehavior is 3 (load at start-up).
std::vector<std::string> startupAddIns() {
  std::vector<std::string> progIds;
  RegistryKey addins(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Word\\Addins");
  if (!addins.get()) return progIds;
  WCHAR name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(addins.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    DWORD behavior = 0, size = sizeof(behavior), type = 0;
    RegistryKey addin(addins.get(), name);
    if (addin.get() &&
        RegQueryValueExW(addin.get(), L"LoadBehavior", nullptr, &type, reinterpret_cast<BYTE*>(&behavior),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD && behavior == 3) {
      progIds.push_back(fromBstr(name, length));
    }
  }
  return progIds;
}

std::string hex(HRESULT hr) {
  char text[16];
  // HRESULT is 32 bits wide, but a 64-bit Winelib program's long is not: no sign extension into it.
  std::snprintf(text, sizeof text, "0x%08x", static_cast<std::uint32_t>(hr));
  return text;
}

// Creates the add-in by ProgID and connects it to Word, as Word does at start-up.
std::optional<LoadedAddIn> connect(const std::string& progId, IDispatch& application) {
  BSTR name = newBstr(progId);
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(name, &clsid);
  SysFreeString(name);
  ComPtr<IUnknown> object;
  if (SUCCEEDED(hr)) {
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(object.put()));
  }
  LoadedAddIn loaded{progId, object.query<_IDTExtensibility2>(IID__IDTExtensibility2)};
  if (SUCCEEDED(hr) && !loaded.addIn) hr = E_NOINTERFACE;
  if (SUCCEEDED(hr)) {
    auto info = wrap(std::make_shared<AddInInfo>(AddInInfo{progId}));
    CustomArray custom;
    hr = loaded.addIn->OnConnection(&application, ext_cm_Startup, info.get(), custom.get());
  }
  std::cout << "add-in " << progId << ": " << (SUCCEEDED(hr) ? "connected" : "not loaded, " + hex(hr))
            << "\n";
  if (FAILED(hr)) return std::nullopt;
  return loaded;
}

// What the user does once Word has started: a click through the menus, or a wait that lets timers run.
struct Step {
  enum Kind { kClick, kWait } kind;
  std::string value;
};

struct Options {
  std::string out;
  std::string temp;
  std::string version = "16.0";
  std::string text;
  std::vector<Step> steps;
  std::string password;
};

int usage() {
  std::cerr << "usage: word_host.exe.so --out <folder> [--temp <folder>] [--version <n>]\n"
               "                         [--click <menu path>] [--wait <ms>] ... [--password <text>]\n"
               "       word_host.exe.so --text <file.docx>\n";
  return 2;
}

// Runs the thread's messages for `milliseconds`, so that timers tick and events arrive, or until the add-in
// quits Word (the daemon does so when the service tells it to).
void runMessages(const EmbeddedWord& word, long milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (auto now = std::chrono::steady_clock::now(); now < end && !word.quitRequested();
       now = std::chrono::steady_clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

// The user in front of the screen: a thread that finds each message box of this process, prints its text
// and presses OK, and deals with each form of the add-in that shows, saying so. A message box is the
// dialog class with a text control of id 0xFFFF; the add-in's forms have their own window class.
class ScreenUser {
 public:
  explicit ScreenUser(std::string password)
      : password_(std::move(password)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = CreateThread(nullptr, 0, &ScreenUser::run, this, 0, nullptr);
  }
  ScreenUser(const ScreenUser&) = delete;
  ScreenUser& operator=(const ScreenUser&) = delete;
  ~ScreenUser() {
    SetEvent(stop_);
    if (thread_) {
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
    }
    CloseHandle(stop_);
  }

 private:
  static constexpr int kTextId = 0xFFFF;

  static DWORD WINAPI run(void* self) {
    auto& user = *static_cast<ScreenUser*>(self);
    while (WaitForSingleObject(user.stop_, 20) == WAIT_TIMEOUT) {
      // A form that was hidden since is dealt with again when it shows again.
      std::erase_if(user.handledForms_, [](HWND form) { return !IsWindow(form) || !IsWindowVisible(form); });
      EnumWindows(&ScreenUser::visit, reinterpret_cast<LPARAM>(self));
    }
    return 0;
  }

  static BOOL CALLBACK visit(HWND window, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    WCHAR className[32] = {};
    GetClassNameW(window, className, 32);
    const std::string windowClass = fromBstr(className, static_cast<UINT>(lstrlenW(className)));
    auto& user = *reinterpret_cast<ScreenUser*>(self);
    if (windowClass == "#32770" && GetDlgItem(window, kTextId)) user.answer(window);
    if (windowClass == "TallyweaveForm" && user.handledForms_.insert(window).second) user.handle(window);
    return TRUE;
  }

  static std::string textOf(HWND window) {
    WCHAR text[2048] = {};
    GetWindowTextW(window, text, 2048);
    std::string shown = runtime::cp1252ToUtf8(fromBstr(text, static_cast<UINT>(lstrlenW(text))));
    for (size_t at = shown.find("\r\n"); at != std::string::npos; at = shown.find("\r\n", at))
      shown.replace(at, 2, " / ");
    return shown;
  }

  // Waits until the window's thread has hidden it, so that it is not handled twice.
  static bool gone(HWND window) {
    for (int i = 0; i < 250 && IsWindow(window) && IsWindowVisible(window); ++i) Sleep(20);
    return !IsWindow(window) || !IsWindowVisible(window);
  }

  void answer(HWND box) {
    std::cout << "message box: " << textOf(GetDlgItem(box, kTextId)) << "\n" << std::flush;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    gone(box);
  }

  // With a password to give, a form that asks for one gets it typed in and its first button (the lowest
  // control id) pressed; any other form is closed.
  void handle(HWND form) {
    const std::string title = textOf(form);
    std::cout << "form: " << title << "\n" << std::flush;
    HWND passwordBox = nullptr, firstButton = nullptr;
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      WCHAR className[16] = {};
      GetClassNameW(child, className, 16);
      const std::string kind = fromBstr(className, static_cast<UINT>(lstrlenW(className)));
      if (kind == "Edit" && (GetWindowLongW(child, GWL_STYLE) & ES_PASSWORD)) passwordBox = child;
      if (kind == "Button" && IsWindowVisible(child) && IsWindowEnabled(child) &&
          (!firstButton || GetDlgCtrlID(child) < GetDlgCtrlID(firstButton)))
        firstButton = child;
    }
    if (!password_.empty() && passwordBox && firstButton) {
      BSTR typed = newBstr(password_);
      DWORD_PTR ignored = 0;
      SendMessageTimeoutW(passwordBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed), SMTO_NORMAL, 5000,
                          &ignored);
      SysFreeString(typed);
      std::cout << "form: typed the password, pressed " << textOf(firstButton) << "\n" << std::flush;
      PostMessageW(firstButton, BM_CLICK, 0, 0);
      return;  // the form goes when its work is done, which may ask for a message box first
    }
    PostMessageW(form, WM_CLOSE, 0, 0);
    std::cout << "form: closed\n" << std::flush;
    if (gone(form)) std::cout << "form gone: " << title << "\n" << std::flush;
  }

  std::string password_;
  std::set<HWND> handledForms_;  // still showing
  HANDLE stop_;
  HANDLE thread_ = nullptr;
};

void setWindowsVariable(const wchar_t* name, const std::string& value) {
  BSTR wide = newBstr(value);
  SetEnvironmentVariableW(name, wide);
  SysFreeString(wide);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int runWord(const Options& options) {
  if (!options.temp.empty()) {
    // The add-in finds its job in TEMP, as on a user's machine.
    setWindowsVariable(L"TEMP", windowsPath(options.temp));
    setWindowsVariable(L"TMP", windowsPath(options.temp));
  }
  EmbeddedWord word(options.version, unixPathOf);
  ComPtr<IDispatch> application = wrap(word.application());
  DWORD activeObject = 0;
  const bool registered = SUCCEEDED(
      RegisterActiveObject(application.get(), kWordApplication, ACTIVEOBJECT_STRONG, &activeObject));
  std::cout << "Word.Application " << (registered ? "registered" : "not registered") << "\n";

  const auto start = std::chrono::steady_clock::now();
  std::vector<LoadedAddIn> addIns;
  for (const std::string& progId : startupAddIns()) {
    if (auto loaded = connect(progId, *application.get())) addIns.push_back(std::move(*loaded));
  }
  for (auto& loaded : addIns) {
    CustomArray custom;
    HRESULT hr = loaded.addIn->OnStartupComplete(custom.get());
    if (FAILED(hr)) std::cout << "add-in " << loaded.progId << ": OnStartupComplete " << hex(hr) << "\n";
  }
  std::cout << "start-up with add-ins took " << secondsSince(start) << " s\n";

  ScreenUser user(options.password);
  for (const Step& step : options.steps) {
    if (word.quitRequested()) break;
    if (step.kind == Step::kWait) {
      runMessages(word, std::stol(step.value));
      continue;
    }
    std::cout << "click " << step.value << "\n" << std::flush;
    try {
      word.click(step.value);
    } catch (const runtime::Error& error) {
      std::cout << "click failed: " << runtime::cp1252ToUtf8(error.description()) << "\n";
    }
  }

  bool saved = true;
  if (!word.quitRequested() && !options.out.empty()) saved = word.saveOpenDocuments(options.out, std::cout);
  for (auto& loaded : addIns) {
    CustomArray custom;
    loaded.addIn->OnBeginShutdown(custom.get());
  }
  for (auto& loaded : addIns) {
    CustomArray custom;
    loaded.addIn->OnDisconnection(ext_dm_HostShutdown, custom.get());
  }
  addIns.clear();
  if (registered) RevokeActiveObject(activeObject, nullptr);
  documentObjects().clear();
  std::cout << "Word quit\n";
  return saved ? 0 : 1;
}

}  // namespace
}  // namespace tw::host

int main(int argc, char** argv) {
  using namespace tw::host;
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) return usage();
    std::string value = argv[++i];
    if (arg == "--out")
      options.out = value;
    else if (arg == "--temp")
      options.temp = value;
    else if (arg == "--version")
      options.version = value;
    else if (arg == "--text")
      options.text = value;
    else if (arg == "--click")
      options.steps.push_back({Step::kClick, value});
    else if (arg == "--password")
      options.password = value;
    else if (arg == "--wait")
      options.steps.push_back({Step::kWait, value});

    else
      return usage();
  }
  try {
    if (!options.text.empty()) {
      std::cout << mainTextOf(options.text);
      return 0;
    }
    if (options.out.empty()) return usage();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int status = runWord(options);
    CoUninitialize();
    return status;
  } catch (const tw::runtime::Error& error) {
    std::cerr << "word host: " << error.description() << " (" << error.number() << ")\n";
    return 1;
  }
}
