// Office's command bars: the bars, their controls and a button's Click.

#include "host/host_objects.h"
#include "runtime/error.h"

namespace tw::host {

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

const IID* Events<office::CommandBarControl>::raised() {
  static const IID events = {0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  return &events;
}

std::unique_ptr<platform::EventConnection> Events<office::CommandBarControl>::connect(
    const std::shared_ptr<office::CommandBarControl>& button, IDispatch& self, ComPtr<IDispatch> sink) {
  return button->OnClick([&self, sink](office::CommandBarControl&, bool& cancelDefault) {
    raiseFlagEvent(*sink.get(), 1, self, cancelDefault);
  });
}

}  // namespace tw::host
