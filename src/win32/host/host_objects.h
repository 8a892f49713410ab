#pragma once

// What the host's objects share: each object of the embedded Word handed to COM is wrapped in an
// Automation<T> whose members are listed per type, one file per group of Word's classes as Word's own type
// library groups them: application_object.cpp (Application, Selection, windows), document_objects.cpp
// (Documents, Document, Template), range_objects.cpp (ranges, fields, tables, shapes),
// mail_merge_objects.cpp and command_bar_objects.cpp. Every type's member list is declared here, so that
// each file that wraps an object sees the same specialisations.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/automation.h"
#include "platform/office/office.h"
#include "platform/word/word.h"
#include "runtime/error.h"

namespace tw::host {

// The host object of one open document, kept so that the same document is always the same COM object
// (the add-in compares documents by identity).
std::vector<ComPtr<IDispatch>>& documentObjects();

template <class T>
ComPtr<IDispatch> wrap(std::shared_ptr<T> target) {
  if (!target) return nullptr;
  return ComPtr<IDispatch>(new Automation<T>(std::move(target)));
}

template <>
ComPtr<IDispatch> wrap(std::shared_ptr<word::Document> target);

// The embedded Word's object behind an argument that is one of the host's objects.
template <class T>
std::shared_ptr<T> unwrap(const ComPtr<IDispatch>& object) {
  if (!object) return nullptr;
  auto self = object.query<IDispatch>(AutomationBase::kSelf);
  auto automation = self ? dynamic_cast<Automation<T>*>(static_cast<AutomationBase*>(self.get())) : nullptr;
  if (!automation) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  return automation->target();
}

// Raises an event whose arguments are an object and a by-reference flag, and takes the flag back.
void raiseFlagEvent(IDispatch& sink, DISPID id, IDispatch& object, bool& flag);

// ---- Paths: the add-in speaks Windows paths, the embedded Word POSIX ones --------------------------------

// Empty when Wine has no POSIX path for it.
std::string unixPathOf(const std::string& windowsPath);
// Throws "Path not found" when Wine has none.
std::string posixPath(const std::string& windowsPath);
// The POSIX path itself when Wine has no Windows path for it.
std::string windowsPath(const std::string& posix);

// ---- Arguments and member lists -----------------------------------------------------------------------

std::optional<bool> optionalBoolean(Call& c, size_t position);
std::optional<std::string> optionalText(Call& c, size_t position);

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

// ---- The member lists, by file ---------------------------------------------------------------------------

// application_object.cpp
template <>
const std::vector<Member<word::Application>>& membersOf();
template <>
const std::vector<Member<word::Selection>>& membersOf();
template <>
const std::vector<Member<word::Window>>& membersOf();
template <>
const std::vector<Member<word::View>>& membersOf();
template <>
const std::vector<Member<word::Pane>>& membersOf();
// document_objects.cpp
template <>
const std::vector<Member<word::Documents>>& membersOf();
template <>
const std::vector<Member<word::Document>>& membersOf();
template <>
const std::vector<Member<word::Template>>& membersOf();
// range_objects.cpp
template <>
const std::vector<Member<word::Range>>& membersOf();
template <>
const std::vector<Member<word::Collection<word::Range>>>& membersOf();
template <>
const std::vector<Member<word::Field>>& membersOf();
template <>
const std::vector<Member<word::Fields>>& membersOf();
template <>
const std::vector<Member<word::Cell>>& membersOf();
template <>
const std::vector<Member<word::Collection<word::Cell>>>& membersOf();
template <>
const std::vector<Member<word::Row>>& membersOf();
template <>
const std::vector<Member<word::Rows>>& membersOf();
template <>
const std::vector<Member<word::Table>>& membersOf();
template <>
const std::vector<Member<word::Collection<word::Table>>>& membersOf();
template <>
const std::vector<Member<word::TextFrame>>& membersOf();
template <>
const std::vector<Member<word::Shape>>& membersOf();
template <>
const std::vector<Member<word::Collection<word::Shape>>>& membersOf();
template <>
const std::vector<Member<word::LinkFormat>>& membersOf();
template <>
const std::vector<Member<word::InlineShape>>& membersOf();
template <>
const std::vector<Member<word::InlineShapes>>& membersOf();
// mail_merge_objects.cpp
template <>
const std::vector<Member<word::MailMerge>>& membersOf();
template <>
const std::vector<Member<word::MailMergeFields>>& membersOf();
// command_bar_objects.cpp
template <>
const std::vector<Member<office::CommandBars>>& membersOf();
template <>
const std::vector<Member<office::CommandBar>>& membersOf();
template <>
const std::vector<Member<office::CommandBarControls>>& membersOf();
template <>
const std::vector<Member<office::CommandBarControl>>& membersOf();

// ---- The events raised ------------------------------------------------------------------------------------

// A button's Click: the button and the cancel-default flag (_CommandBarButtonEvents, DISPID 1); in
// command_bar_objects.cpp.
template <>
struct Events<office::CommandBarControl> {
  static const IID* raised();
  static std::unique_ptr<platform::EventConnection> connect(
      const std::shared_ptr<office::CommandBarControl>& button, IDispatch& self, ComPtr<IDispatch> sink);
};

// Application.DocumentBeforeClose: the document and the cancel flag (ApplicationEvents2, DISPID 6); in
// application_object.cpp.
template <>
struct Events<word::Application> {
  static const IID* raised();
  static std::unique_ptr<platform::EventConnection> connect(const std::shared_ptr<word::Application>& word,
                                                            IDispatch&, ComPtr<IDispatch> sink);
};

}  // namespace tw::host
