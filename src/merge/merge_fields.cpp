#include "merge/merge_fields.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

#include "addin/plugin.h"

namespace tw::addin {
namespace {

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// The name syntax: exactly one blank after the keyword, then letters, digits and underscores, then
// anything that does not continue the name. "$" is the end of the text only, "." stops at a line feed.
const pcre2_code& mergefieldPattern() {
  static const std::unique_ptr<pcre2_code, CodeDeleter> pattern = [] {
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    const char* source = "MERGEFIELD ([A-Z0-9a-z_]+)([^A-Z0-9a-z_].*|$)$";
    pcre2_code* compiled =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source), PCRE2_ZERO_TERMINATED,
                      PCRE2_CASELESS | PCRE2_DOLLAR_ENDONLY, &errorCode, &errorOffset, nullptr);
    if (!compiled) throw runtime::Error(runtime::kInternalError, "merge-field pattern does not compile");
    return std::unique_ptr<pcre2_code, CodeDeleter>(compiled);
  }();
  return *pattern;
}

// The folder of picture files, with its backslashes doubled as a field code wants them.
std::string pictureFolderInCode(plugin& self, bool csvFile) {
  std::string folder = csvFile ? self.module().basePath + "documents\\spool\\" : self.tempPath("twdoc\\");
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

std::string mergefieldNameOf(const std::string& code) {
  const pcre2_code& pattern = mergefieldPattern();
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> match(
      pcre2_match_data_create_from_pattern(&pattern, nullptr));
  if (!match) return {};
  std::string name;
  const auto* subject = reinterpret_cast<PCRE2_SPTR>(code.data());
  PCRE2_SIZE offset = 0;
  while (offset <= code.size()) {
    int found = pcre2_match(&pattern, subject, code.size(), offset, 0, match.get(), nullptr);
    if (found < 0) break;
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(match.get());
    if (vector[3] > vector[2]) name = code.substr(vector[2], vector[3] - vector[2]);
    offset = vector[1] > vector[0] ? vector[1] : vector[1] + 1;
  }
  return name;
}

std::string plugin::getMergefieldName(const std::string& code) {
  if (!active_) return {};
  std::string name;
  runtime::resumeNext([&] { name = mergefieldNameOf(code); });
  return name;
}

namespace {

// Rewrites, from the third word of the field's code on, every word that `needsRewrite` picks.
template <class NeedsRewrite, class Rewrite>
void rewriteCodeWords(word::Field& field, NeedsRewrite needsRewrite, Rewrite rewrite) {
  long count = field.Code()->Words()->Count();
  for (long i = 3; i <= count; ++i) {
    auto words = field.Code()->Words();
    // A rewritten separator can join two words (a blank after "#"), leaving fewer words than counted.
    if (i > words->Count()) break;
    auto word = words->Item(i);
    std::string text = word->Text();
    if (needsRewrite(text)) word->SetText(rewrite(text));
  }
}

constexpr std::string_view kSwapPlaceholder = "}@^{";

}  // namespace

// Number pictures in templates use "." for thousands and "," for decimals; a locale with other
// separators gets them exchanged just before a merge.
void plugin::updateFormat(word::Field& mergefield) {
  if (!active_) return;
  if ((thousandsSeparator == "." && decimalSeparator == ",") ||
      mergefield.Code()->Text().find('#') == std::string::npos) {
    return;
  }
  rewriteCodeWords(
      mergefield, [](const std::string& text) { return text.find_first_of(".,") != std::string::npos; },
      [this](const std::string& text) {
        std::string swapped = replaceAll(text, ",", kSwapPlaceholder);
        swapped = replaceAll(swapped, ".", thousandsSeparator);
        return replaceAll(swapped, kSwapPlaceholder, decimalSeparator);
      });
}

void plugin::revertFormat(word::Field& mergefield) {
  if (!active_) return;
  if ((thousandsSeparator == "." && decimalSeparator == ",") ||
      mergefield.Code()->Text().find('#') == std::string::npos) {
    return;
  }
  rewriteCodeWords(
      mergefield,
      [this](const std::string& text) {
        return text.find(thousandsSeparator) != std::string::npos ||
               text.find(decimalSeparator) != std::string::npos;
      },
      [this](const std::string& text) {
        std::string swapped = replaceAll(text, decimalSeparator, kSwapPlaceholder);
        swapped = replaceAll(swapped, thousandsSeparator, ".");
        return replaceAll(swapped, kSwapPlaceholder, ",");
      });
}

void plugin::revertFields(word::Document& mergeDoc) {
  if (!active_) return;
  auto fields = mergeDoc.Fields();
  for (long i = 1, count = fields->Count(); i <= count; ++i) revertFormat(*fields->Item(i));
  auto shapes = mergeDoc.Shapes();
  for (long s = 1, shapeCount = shapes->Count(); s <= shapeCount; ++s) {
    auto frame = shapes->Item(s)->TextFrame();
    if (!frame->HasText()) continue;
    auto boxFields = frame->TextRange()->Fields();
    for (long i = 1, count = boxFields->Count(); i <= count; ++i) revertFormat(*boxFields->Item(i));
  }
}

void insertPictureField(plugin& self, word::Field& field, word::Fields& fields) {
  word::Application& word = runtime::objectRef(self.application());
  const std::string code = field.Code()->Text();
  field.Select();
  word.Selection()->Delete();

  const bool csvFile = self.generateMode == "csvFile";
  const std::string tail = csvFile ? "TWTAG\" \\d" : "TWTAG.jpg\" \\d";
  auto picture = fields.Add(word.Selection()->Range(), word::wdFieldIncludePicture,
                            "\"" + pictureFolderInCode(self, csvFile) + tail);

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
