// Word's Documents, Document and Template. A document is always the same COM object, as the add-in
// compares documents by identity.

#include "host/host_objects.h"

namespace tw::host {

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
const std::vector<Member<word::Template>>& membersOf() {
  static const std::vector<Member<word::Template>> members = {
      {L"Saved",
       {},
       [](word::Template& o, Call& c) { c.returns(o.Saved()); },
       [](word::Template& o, Call& c) { o.SetSaved(V_BOOL(&c.value()) != VARIANT_FALSE); }},
  };
  return members;
}

std::vector<ComPtr<IDispatch>>& documentObjects() {
  static std::vector<ComPtr<IDispatch>> objects;
  return objects;
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

}  // namespace tw::host
