#include "merge/merge_fields.h"

#include <cctype>
#include <memory>
#include <optional>

#include "context/addin_context.h"
#include "context/temp_files.h"
#include "runtime/text.h"

namespace tw::addin {
namespace {

// The folder of picture files, with its backslashes doubled as a field code wants them.
std::string pictureFolderInCode(const AddinContext& ctx, bool csvFile) {
  std::string folder =
      csvFile ? ctx.module.basePath + "documents\\spool\\" : ctx.tempPath(tempfile::kSubFolderPrefix);
  return replaceAll(folder, "\\", "\\\\");
}

}  // namespace

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string result;
  size_t start = 0;
  for (size_t found; (found = text.find(from, start)) != std::string_view::npos;
       start = found + from.size()) {
    result.append(text.substr(start, found - start));
    result.append(to);
  }
  result.append(text.substr(start));
  return result;
}

namespace {

bool isFieldBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v';
}

// The name syntax, as the pattern "MERGEFIELD ([A-Z0-9a-z_]+)([^A-Z0-9a-z_].*|$)$" reads it without
// regard to case: exactly one blank after the keyword, then the name, then either the end of the code or
// one character that cannot continue the name followed by a rest without line feeds. The pattern runs to
// the end of the code, so the first keyword that fits decides.
std::optional<MergefieldName> readByNamePattern(std::string_view code) {
  constexpr std::string_view kKeyword = "MERGEFIELD ";
  auto isNameChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; };
  for (size_t at = 0; at + kKeyword.size() <= code.size(); ++at) {
    if (!runtime::equalsTextCompare(code.substr(at, kKeyword.size()), kKeyword)) continue;
    const size_t nameStart = at + kKeyword.size();
    size_t nameEnd = nameStart;
    while (nameEnd < code.size() && isNameChar(code[nameEnd])) ++nameEnd;
    if (nameEnd == nameStart) continue;
    if (nameEnd == code.size() || code.find('\n', nameEnd + 1) == std::string_view::npos) {
      return MergefieldName{std::string(code.substr(nameStart, nameEnd - nameStart)), nameEnd};
    }
  }
  return std::nullopt;
}

// Word's own reading of the first argument of a MERGEFIELD code.
MergefieldName readAsWordDoes(std::string_view code) {
  constexpr std::string_view kKeyword = "MERGEFIELD";
  size_t at = 0;
  while (at < code.size() && isFieldBlank(code[at])) ++at;
  if (!runtime::equalsTextCompare(code.substr(at, kKeyword.size()), kKeyword)) return {};
  at += kKeyword.size();
  const size_t afterKeyword = at;
  while (at < code.size() && isFieldBlank(code[at])) ++at;
  if (at == afterKeyword || at == code.size()) return {};

  MergefieldName result;
  if (code[at] == '"') {
    for (++at; at < code.size(); ++at) {
      const char c = code[at];
      if (c == '"') return {std::move(result.name), at + 1};
      if (c == '\\' && at + 1 < code.size() && (code[at + 1] == '"' || code[at + 1] == '\\')) ++at;
      result.name += code[at];
    }
    return {};  // no closing quote: nothing that names a column for certain
  }
  const size_t start = at;
  while (at < code.size() && !isFieldBlank(code[at]) && code[at] != '"' && code[at] != '\\') ++at;
  return {std::string(code.substr(start, at - start)), at};
}

}  // namespace

MergefieldName readMergefieldName(std::string_view code) {
  if (auto byPattern = readByNamePattern(code)) return *byPattern;
  return readAsWordDoes(code);
}

std::string mergefieldNameOf(std::string_view code) {
  return readMergefieldName(code).name;
}

std::string getMergefieldName(const AddinContext& ctx, const std::string& code) {
  if (!ctx.active) return {};
  std::string name;
  runtime::resumeNext([&] { name = mergefieldNameOf(code); });
  return name;
}

namespace {

// Rewrites, from the third word of the field's code on, every word holding `from`'s separators so that
// it holds `to`'s: the decimal separator first parked on a placeholder, so the two can trade places.
// Words of the field's name are left alone: a quoted name may hold a separator ("Prijs incl. btw").
void swapSeparators(word::Field& field, std::string_view fromThousands, std::string_view fromDecimal,
                    std::string_view toThousands, std::string_view toDecimal) {
  constexpr std::string_view kPlaceholder = "}@^{";
  const std::string code = field.Code()->Text();
  if (code.find('#') == std::string::npos) return;
  const long nameEnd = field.Code()->Start() + static_cast<long>(readMergefieldName(code).end);
  long count = field.Code()->Words()->Count();
  for (long i = 3; i <= count; ++i) {
    auto words = field.Code()->Words();
    // A rewritten separator can join two words (a blank after "#"), leaving fewer words than counted.
    if (i > words->Count()) break;
    auto word = words->Item(i);
    if (word->Start() < nameEnd) continue;
    std::string text = word->Text();
    if (text.find(fromThousands) == std::string::npos && text.find(fromDecimal) == std::string::npos)
      continue;
    std::string swapped = replaceAll(text, fromDecimal, kPlaceholder);
    swapped = replaceAll(swapped, fromThousands, toThousands);
    word->SetText(replaceAll(swapped, kPlaceholder, toDecimal));
  }
}

// Templates write number pictures with these separators.
constexpr std::string_view kTemplateThousands = ".";
constexpr std::string_view kTemplateDecimal = ",";

bool localeUsesTemplateSeparators(const Settings& settings) {
  return settings.thousandsSeparator == kTemplateThousands && settings.decimalSeparator == kTemplateDecimal;
}

}  // namespace

void updateFormat(const AddinContext& ctx, word::Field& mergefield) {
  if (!ctx.active || localeUsesTemplateSeparators(ctx.settings)) return;
  swapSeparators(mergefield, kTemplateThousands, kTemplateDecimal, ctx.settings.thousandsSeparator,
                 ctx.settings.decimalSeparator);
}

void revertFormat(const AddinContext& ctx, word::Field& mergefield) {
  if (!ctx.active || localeUsesTemplateSeparators(ctx.settings)) return;
  swapSeparators(mergefield, ctx.settings.thousandsSeparator, ctx.settings.decimalSeparator,
                 kTemplateThousands, kTemplateDecimal);
}

void revertFields(const AddinContext& ctx, word::Document& mergeDoc) {
  if (!ctx.active) return;
  auto revert = [&](word::Field& field, word::Fields&) {
    revertFormat(ctx, field);
    return false;
  };
  walkFields([&] { return mergeDoc.Fields(); }, revert, runUnguarded);
  forEachTextBox(mergeDoc, runUnguarded,
                 [&](const FieldsOf& fields) { walkFields(fields, revert, runUnguarded); });
}

void runUnguarded(const std::function<void()>& step) {
  step();
}

void walkFields(const FieldsOf& fieldsOf, const FieldVisit& visit, const Guard& guard) {
  for (long i = 1;; ++i) {
    // Fetched anew for every field (the visit may add or remove fields); counted and read from the same.
    auto fields = fieldsOf();
    if (i > fields->Count()) break;
    guard([&] {
      if (visit(*fields->Item(i), *fields)) --i;
    });
  }
}

void forEachTextBox(word::Document& document, const Guard& guard,
                    const std::function<void(const FieldsOf&)>& walk) {
  auto shapes = document.Shapes();
  for (long s = 1, count = shapes->Count(); s <= count; ++s) {
    guard([&] {
      auto frame = shapes->Item(s)->TextFrame();
      if (frame->HasText()) walk([frame] { return frame->TextRange()->Fields(); });
    });
  }
}

void insertPictureField(AddinContext& ctx, word::Field& field, word::Fields& fields) {
  word::Application& word = ctx.word();
  const std::string code = field.Code()->Text();
  field.Select();
  word.Selection()->Delete();

  const bool csvFile = ctx.settings.generateMode == GenerateMode::kCsvFile;
  const std::string tail = csvFile ? "TWTAG\" \\d" : "TWTAG.jpg\" \\d";
  auto picture = fields.Add(word.Selection()->Range(), word::wdFieldIncludePicture,
                            "\"" + pictureFolderInCode(ctx, csvFile) + tail);

  auto words = picture->Code()->Words();
  bool placed = false;
  for (long i = 1, count = words->Count(); i <= count && !placed; ++i) {
    auto candidate = words->Item(i);
    if (candidate->Text() == "TWTAG") {
      candidate->Select();
      placed = true;
    }
  }
  // Without the placeholder the nested field would land wherever the selection happens to be.
  if (!placed)
    throw runtime::Error(runtime::kInvalidProcedureCall, "No place for the picture name in " + code);

  auto nested = fields.Add(word.Selection()->Range(), word::wdFieldEmpty, std::string());
  nested->Code()->Select();
  word.Selection()->Delete();
  nested->Code()->SetText(code);
  nested->Update();
}

}  // namespace tw::addin
