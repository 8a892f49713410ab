// Word's ranges and what lies in them: fields, tables with their rows and cells, shapes and inline shapes.

#include "host/host_objects.h"
#include "runtime/error.h"

namespace tw::host {

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

}  // namespace tw::host
