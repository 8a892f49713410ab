// Word's MailMerge and its fields.

#include "host/host_objects.h"

namespace tw::host {

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

}  // namespace tw::host
