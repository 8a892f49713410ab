// Word's Application and what hangs off it directly: the selection and the windows.

#include "host/host_objects.h"

namespace tw::host {

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

template <>
const std::vector<Member<word::Window>>& membersOf() {
  static const std::vector<Member<word::Window>> members = {
      {L"View", {}, [](word::Window& o, Call& c) { c.returns(wrap(o.View())); }},
      {L"ActivePane", {}, [](word::Window& o, Call& c) { c.returns(wrap(o.ActivePane())); }},
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

const IID* Events<word::Application>::raised() {
  static const IID events = {0x000209FE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  return &events;
}

std::unique_ptr<platform::EventConnection> Events<word::Application>::connect(
    const std::shared_ptr<word::Application>& word, IDispatch&, ComPtr<IDispatch> sink) {
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

}  // namespace tw::host
