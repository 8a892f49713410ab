// Ranges, words, fields and inline shapes.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "engine/errors.h"
#include "engine/mailmerge/field_result.h"
#include "engine/objects/handles.h"

namespace tw::engine::objects {
namespace {

using model::FieldInfo;
using model::Story;

// WdFieldType by field keyword.
const std::pair<int, const char*> kFieldKeywords[] = {{3, "REF"},
                                                      {4, "XE"},
                                                      {5, "FTNREF"},
                                                      {6, "SET"},
                                                      {7, "IF"},
                                                      {8, "INDEX"},
                                                      {9, "TC"},
                                                      {10, "STYLEREF"},
                                                      {11, "RD"},
                                                      {12, "SEQ"},
                                                      {13, "TOC"},
                                                      {14, "INFO"},
                                                      {15, "TITLE"},
                                                      {16, "SUBJECT"},
                                                      {17, "AUTHOR"},
                                                      {18, "KEYWORDS"},
                                                      {19, "COMMENTS"},
                                                      {20, "LASTSAVEDBY"},
                                                      {21, "CREATEDATE"},
                                                      {22, "SAVEDATE"},
                                                      {23, "PRINTDATE"},
                                                      {24, "REVNUM"},
                                                      {25, "EDITTIME"},
                                                      {26, "NUMPAGES"},
                                                      {27, "NUMWORDS"},
                                                      {28, "NUMCHARS"},
                                                      {29, "FILENAME"},
                                                      {30, "TEMPLATE"},
                                                      {31, "DATE"},
                                                      {32, "TIME"},
                                                      {33, "PAGE"},
                                                      {34, "="},
                                                      {35, "QUOTE"},
                                                      {36, "INCLUDE"},
                                                      {37, "PAGEREF"},
                                                      {38, "ASK"},
                                                      {39, "FILLIN"},
                                                      {40, "DATA"},
                                                      {41, "NEXT"},
                                                      {42, "NEXTIF"},
                                                      {43, "SKIPIF"},
                                                      {44, "MERGEREC"},
                                                      {45, "DDE"},
                                                      {46, "DDEAUTO"},
                                                      {47, "GLOSSARY"},
                                                      {48, "PRINT"},
                                                      {49, "EQ"},
                                                      {50, "GOTOBUTTON"},
                                                      {51, "MACROBUTTON"},
                                                      {52, "AUTONUMOUT"},
                                                      {53, "AUTONUMLGL"},
                                                      {54, "AUTONUM"},
                                                      {55, "IMPORT"},
                                                      {56, "LINK"},
                                                      {57, "SYMBOL"},
                                                      {58, "EMBED"},
                                                      {59, "MERGEFIELD"},
                                                      {60, "USERNAME"},
                                                      {61, "USERINITIALS"},
                                                      {62, "USERADDRESS"},
                                                      {63, "BARCODE"},
                                                      {64, "DOCVARIABLE"},
                                                      {65, "SECTION"},
                                                      {66, "SECTIONPAGES"},
                                                      {67, "INCLUDEPICTURE"},
                                                      {68, "INCLUDETEXT"},
                                                      {69, "FILESIZE"},
                                                      {70, "FORMTEXT"},
                                                      {71, "FORMCHECKBOX"},
                                                      {72, "NOTEREF"},
                                                      {73, "TOA"},
                                                      {74, "TA"},
                                                      {75, "MERGESEQ"},
                                                      {77, "PRIVATE"},
                                                      {78, "DATABASE"},
                                                      {79, "AUTOTEXT"},
                                                      {80, "COMPARE"},
                                                      {81, "ADDIN"},
                                                      {83, "FORMDROPDOWN"},
                                                      {84, "ADVANCE"},
                                                      {85, "DOCPROPERTY"},
                                                      {87, "CONTROL"},
                                                      {88, "HYPERLINK"},
                                                      {89, "AUTOTEXTLIST"},
                                                      {90, "LISTNUM"},
                                                      {91, "HTMLCONTROL"},
                                                      {92, "BIDIOUTLINE"},
                                                      {93, "ADDRESSBLOCK"},
                                                      {94, "GREETINGLINE"},
                                                      {95, "SHAPE"},
                                                      {96, "CITATION"},
                                                      {97, "BIBLIOGRAPHY"},
                                                      {98, "MERGEBARCODE"},
                                                      {99, "DISPLAYBARCODE"}};

// Word's word classes: letters and digits (with the underscore and the apostrophe inside a word) make
// words; a run of blanks belongs to the word before it; every other character is a word of its own.
bool wordChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c >= 0xC0 || c == 0x8A || c == 0x9A;
}

// Resolves a handle's story against the live document.
struct Place {
  DocPtr doc;
  std::shared_ptr<Story> story;
  Story& live() {
    doc->live();
    if (!story->alive()) throw objectDeleted();
    return *story;
  }
};

class RangeImpl : public word::Range {
 public:
  RangeImpl(Place place, long start, long end)
      : place_(std::move(place)), mark_(place_.story->track(start, end)) {}
  Place& place() { return place_; }

  long Start() override { return clamp().first; }
  long End() override { return clamp().second; }
  std::string Text() override {
    auto [s, e] = clamp();
    return place_.live().text(s, e, place_.doc->live().showFieldCodes);
  }
  void SetText(const std::string& text) override {
    auto [s, e] = clamp();
    Story& story = place_.live();
    // Nothing goes after the final paragraph mark: text for the very end goes before it.
    long start = std::min(story.erase(s, e), story.length() - 1);
    long end = start + story.insert(start, text);
    *mark_ = {start, end};
  }
  std::shared_ptr<word::Collection<word::Range>> Words() override;
  std::shared_ptr<word::Fields> Fields() override {
    auto [s, e] = clamp();
    return makeFields(place_.doc, place_.story, s, e);
  }
  std::shared_ptr<word::InlineShapes> InlineShapes() override {
    auto [s, e] = clamp();
    return makeInlineShapes(place_.doc, place_.story, s, e);
  }
  void Collapse(int direction) override {
    auto [s, e] = clamp();
    if (direction == word::wdCollapseStart) {
      mark_->end = s;
    } else {
      mark_->start = e;
    }
  }
  void Select() override {
    auto [s, e] = clamp();
    place_.doc->selection.set(place_.story, s, e);
  }
  // Only a table row's copy before a row of its table: the way templates repeat a row with its content.
  void SetFormattedText(const std::shared_ptr<word::Range>& source) override {
    auto* from = dynamic_cast<RangeImpl*>(source.get());
    if (!from) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
    auto [fromStart, fromEnd] = from->clamp();
    auto [start, end] = clamp();
    Story& story = place_.live();
    pugi::xml_node row = from->place_.story == place_.story && fromEnd > fromStart
                             ? story.rowEndingAt(fromEnd - 1)
                             : pugi::xml_node();
    if (!row || story.extent(row) != std::pair{fromStart, fromEnd} || start != end)
      throw notAvailable("FormattedText copies a whole table row to the start of a row");
    // The row that starts at `start`: the one after the row ending just before it, or the table's first.
    // Found from the position, not by measuring every row: a long record group adds thousands of rows.
    pugi::xml_node before;
    const pugi::xml_node previous = start > 0 ? story.rowEndingAt(start - 1) : pugi::xml_node();
    if (previous && previous.parent() == row.parent()) {
      before = previous.next_sibling("w:tr");
    } else {
      before = row.parent().child("w:tr");
    }
    if (before && story.extent(before).first != start) before = pugi::xml_node();
    if (!before) throw notAvailable("FormattedText copies a table row before a row of the same table");
    pugi::xml_node copy = copyRowBefore(row, before);
    story.inserted(copy);
    auto [copyStart, copyEnd] = story.extent(copy);
    *mark_ = {copyStart, copyEnd};
  }

  // The stretch as it stands now, within the story.
  std::pair<long, long> clamp() {
    long length = place_.live().length();
    mark_->start = std::clamp(mark_->start, 0L, length);
    mark_->end = std::clamp(mark_->end, mark_->start, length);
    return {mark_->start, mark_->end};
  }

 private:
  Place place_;
  std::shared_ptr<model::Mark> mark_;
};

// The words of a range, as they stand when asked for.
class WordsImpl : public word::Collection<word::Range> {
 public:
  explicit WordsImpl(std::shared_ptr<RangeImpl> range) : range_(std::move(range)) {}
  long Count() override { return static_cast<long>(words().size()); }
  std::shared_ptr<word::Range> Item(long index) override {
    auto list = words();
    if (index < 1 || index > static_cast<long>(list.size())) throw noSuchMember();
    auto [start, end] = list[static_cast<std::size_t>(index - 1)];
    return makeRange(range_->place().doc, range_->place().story, start, end);
  }

 private:
  std::vector<std::pair<long, long>> words() {
    auto [s, e] = range_->clamp();
    return splitWords(range_->place().live().text(s, e, true, true), s);
  }
  std::shared_ptr<RangeImpl> range_;
};

std::shared_ptr<word::Collection<word::Range>> RangeImpl::Words() {
  auto [s, e] = clamp();
  return std::make_shared<WordsImpl>(std::make_shared<RangeImpl>(place_, s, e));
}

class FieldImpl : public word::Field {
 public:
  FieldImpl(Place place, std::shared_ptr<model::Anchor> anchor)
      : place_(std::move(place)), anchor_(std::move(anchor)) {}

  int Type() override {
    FieldInfo f = info();
    return fieldTypeOfCode(place_.story->text(f.begin + 1, codeEnd(f), true));
  }
  std::shared_ptr<word::Range> Code() override {
    FieldInfo f = info();
    return makeRange(place_.doc, place_.story, f.begin + 1, codeEnd(f));
  }
  std::shared_ptr<word::Range> Result() override {
    FieldInfo f = info();
    return makeRange(place_.doc, place_.story, f.separator >= 0 ? f.separator + 1 : f.end, f.end);
  }
  void Select() override {
    FieldInfo f = info();
    place_.doc->selection.set(place_.story, f.begin, f.end + 1);
  }
  void Update() override {
    FieldInfo f = info();
    if (f.separator < 0) return;
    std::string code = place_.story->text(f.begin + 1, f.separator, true);
    if (fieldTypeOfCode(code) != word::wdFieldMergeField) return;
    Result()->SetText(mergeFieldPlaceholder(code));
  }
  void Delete() override {
    FieldInfo f = info();
    place_.story->erase(f.begin, f.end + 1);
  }

  // What Word shows for a merge field outside a merge: the name between chevrons.
  static std::string mergeFieldPlaceholder(const std::string& code) {
    std::string name = parsedCode(code).firstArgument();
    return name.empty() ? "" : "\xAB" + name + "\xBB";
  }

 private:
  FieldInfo info() {
    Story& story = place_.live();
    if (!anchor_->alive) throw objectDeleted();
    auto field = story.field(anchor_->node);
    if (!field) throw objectDeleted();
    return *field;
  }
  static long codeEnd(const FieldInfo& f) { return f.separator >= 0 ? f.separator : f.end; }

  Place place_;
  std::shared_ptr<model::Anchor> anchor_;
};

// The fields lying wholly inside a stretch that moves with the edits of its story.
class FieldsImpl : public word::Fields {
 public:
  FieldsImpl(Place place, long start, long end)
      : place_(std::move(place)), mark_(place_.story->track(start, end)) {}

  long Count() override { return place_.live().fieldCount(mark_->start, mark_->end); }
  std::shared_ptr<word::Field> Item(long index) override {
    auto field = place_.live().fieldAt(mark_->start, mark_->end, index - 1);
    if (!field) throw noSuchMember();
    return std::make_shared<FieldImpl>(place_, place_.doc->live().anchor(field->beginNode));
  }
  std::shared_ptr<word::Field> Add(const std::shared_ptr<word::Range>& range, int type,
                                   const std::optional<std::string>& text,
                                   std::optional<bool> preserveFormatting) override {
    auto* target = dynamic_cast<RangeImpl*>(range.get());
    if (!target) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
    return addField(*target, type, text.value_or(""), preserveFormatting.value_or(false));
  }
  void UpdateSource() override { place_.live(); }

  static std::shared_ptr<word::Field> addField(RangeImpl& range, int type, const std::string& text,
                                               bool preserve);

 private:
  Place place_;
  std::shared_ptr<model::Mark> mark_;
};

// The file a picture link points to: a path, or a file URL.
std::string linkedFilePath(const std::string& target) {
  std::string path = target;
  for (const char* prefix : {"file:///", "file://"}) {
    if (path.rfind(prefix, 0) == 0) {
      path = path.substr(std::strlen(prefix));
      break;
    }
  }
  std::string decoded;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '%' && i + 2 < path.size() && std::isxdigit(static_cast<unsigned char>(path[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(path[i + 2]))) {
      decoded += static_cast<char>(std::stoi(path.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      decoded += path[i];
    }
  }
  return decoded;
}

class LinkFormatImpl : public word::LinkFormat {
 public:
  LinkFormatImpl(Place place, std::shared_ptr<model::Anchor> anchor)
      : place_(std::move(place)), anchor_(std::move(anchor)) {}
  bool SavePictureWithDocument() override { return blip().attribute("r:embed"); }
  void SetSavePictureWithDocument(bool save) override;

 private:
  pugi::xml_node blip() {
    place_.live();
    if (!anchor_->alive) throw objectDeleted();
    return anchor_->node.find_node([](pugi::xml_node n) { return std::strcmp(n.name(), "a:blip") == 0; });
  }
  Place place_;
  std::shared_ptr<model::Anchor> anchor_;
};

int inlineShapeType(pugi::xml_node node) {
  if (std::strcmp(node.name(), "w:object") == 0) return 1;
  pugi::xml_node blip = node.find_node([](pugi::xml_node n) { return std::strcmp(n.name(), "a:blip") == 0; });
  if (blip.attribute("r:link")) return word::wdInlineShapeLinkedPicture;
  return word::wdInlineShapePicture;
}

class InlineShapeImpl : public word::InlineShape {
 public:
  InlineShapeImpl(Place place, std::shared_ptr<model::Anchor> anchor)
      : place_(std::move(place)), anchor_(std::move(anchor)) {}
  int Type() override { return inlineShapeType(node()); }
  std::shared_ptr<word::LinkFormat> LinkFormat() override {
    if (Type() != word::wdInlineShapeLinkedPicture)
      throw runtime::Error::fromNumber(runtime::kObjectVariableNotSet);
    return std::make_shared<LinkFormatImpl>(place_, anchor_);
  }

 private:
  pugi::xml_node node() {
    place_.live();
    if (!anchor_->alive) throw objectDeleted();
    return anchor_->node;
  }
  Place place_;
  std::shared_ptr<model::Anchor> anchor_;
};

class InlineShapesImpl : public word::InlineShapes {
 public:
  InlineShapesImpl(Place place, long start, long end)
      : place_(std::move(place)), mark_(place_.story->track(start, end)) {}
  long Count() override { return static_cast<long>(members().size()); }
  std::shared_ptr<word::InlineShape> Item(long index) override {
    auto list = members();
    if (index < 1 || index > static_cast<long>(list.size())) throw noSuchMember();
    return std::make_shared<InlineShapeImpl>(
        place_, place_.doc->live().anchor(list[static_cast<std::size_t>(index - 1)]));
  }

 private:
  std::vector<pugi::xml_node> members() {
    std::vector<pugi::xml_node> out;
    for (const auto& object : place_.live().inlineObjects()) {
      if (object.position >= mark_->start && object.position < mark_->end) out.push_back(object.node);
    }
    return out;
  }
  Place place_;
  std::shared_ptr<model::Mark> mark_;
};

std::shared_ptr<word::Field> FieldsImpl::addField(RangeImpl& range, int type, const std::string& text,
                                                  bool preserve) {
  std::string code;
  if (type == word::wdFieldEmpty) {
    code = text.empty() ? " " : " " + text + " ";
  } else {
    std::string keyword = fieldKeyword(type);
    if (keyword.empty()) throw wordError(kWordBadParameter, "The value is out of range.");
    code = " " + keyword + " " + (text.empty() ? "" : text + " ");
  }
  if (preserve) code += "\\* MERGEFORMAT ";
  auto [start, end] = range.clamp();
  Place& place = range.place();
  Story& story = place.live();
  SelectionState& selection = place.doc->selection;
  bool atSelection = selection.story == place.story && selection.start() == start && selection.end() == end;
  long at = story.erase(start, end);
  std::string result =
      fieldTypeOfCode(code) == word::wdFieldMergeField ? FieldImpl::mergeFieldPlaceholder(code) : "";
  pugi::xml_node begin = story.insertField(at, code, result);
  // Adding at the selection leaves the insertion point behind the new field, as typing it would.
  if (atSelection) {
    long after = story.field(begin)->end + 1;
    selection.set(place.story, after, after);
  }
  return std::make_shared<FieldImpl>(place, place.doc->live().anchor(begin));
}

void LinkFormatImpl::SetSavePictureWithDocument(bool save) {
  pugi::xml_node picture = blip();
  if (!picture) return;
  model::DocumentModel& doc = place_.doc->live();
  const std::string& part = place_.story->part();
  if (!save) {
    picture.remove_attribute("r:embed");
  } else if (!picture.attribute("r:embed")) {
    std::optional<model::DocumentModel::Relationship> link;
    for (const auto& [id, rel] : doc.relationships(part)) {
      if (id == picture.attribute("r:link").value()) link = rel;
    }
    if (!link) return;
    // An internal link names a part of this package; an external one a file, read where the job's rule
    // allows. A refused picture stays linked, as one Word cannot find.
    const runtime::FileRule& files = fileRuleOf(*place_.doc);
    std::string bytes;
    std::string path;
    if (!link->external) {
      if (!files.allowsPart("picture part", link->target)) return;
      path = link->target;
      bytes = doc.package().readPart(path);
    } else {
      path = linkedFilePath(link->target);
      if (!files.allowsFile("linked picture", path)) return;
      bytes = systemOf(*place_.doc).ReadFile(path);
    }
    picture.append_attribute("r:embed") = doc.addImage(part, path, bytes).c_str();
  }
  doc.touch(part);
}

}  // namespace

std::shared_ptr<word::Range> makeRange(DocPtr doc, std::shared_ptr<model::Story> story, long start,
                                       long end) {
  return std::make_shared<RangeImpl>(Place{std::move(doc), std::move(story)}, start, end);
}

std::shared_ptr<word::Fields> makeFields(DocPtr doc, std::shared_ptr<model::Story> story, long start,
                                         long end) {
  return std::make_shared<FieldsImpl>(Place{std::move(doc), std::move(story)}, start, end);
}

std::shared_ptr<word::InlineShapes> makeInlineShapes(DocPtr doc, std::shared_ptr<model::Story> story,
                                                     long start, long end) {
  return std::make_shared<InlineShapesImpl>(Place{std::move(doc), std::move(story)}, start, end);
}

std::shared_ptr<word::Field> addField(const std::shared_ptr<word::Range>& range, int type,
                                      const std::string& text, bool preserveFormatting) {
  auto* target = dynamic_cast<RangeImpl*>(range.get());
  if (!target) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  return FieldsImpl::addField(*target, type, text, preserveFormatting);
}

std::vector<std::pair<long, long>> splitWords(const std::string& chars, long start) {
  std::vector<std::pair<long, long>> words;
  std::size_t n = chars.size();
  auto digit = [&](std::size_t k) { return k < n && std::isdigit(static_cast<unsigned char>(chars[k])); };
  std::size_t i = 0;
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(chars[i]);
    std::size_t j = i + 1;
    bool blanksFollow = true;
    if (c == ' ') {
      while (j < n && chars[j] == ' ') ++j;
    } else if (wordChar(c)) {
      while (j < n) {
        unsigned char d = static_cast<unsigned char>(chars[j]);
        bool joiner = (d == '.' || d == ',') && digit(j - 1) && digit(j + 1);
        bool apostrophe = (d == '\'' || d == 0x92) && j + 1 < n &&
                          wordChar(static_cast<unsigned char>(chars[j + 1])) &&
                          std::isalpha(static_cast<unsigned char>(chars[j - 1]));
        if (!wordChar(d) && !joiner && !apostrophe) break;
        ++j;
      }
    } else if (c == '\r' || c == '\a' || c == 19 || c == 20 || c == 21 || c == '\t' || c == 11 || c == 12 ||
               c == 1) {
      blanksFollow = false;
    }
    if (blanksFollow) {
      while (j < n && chars[j] == ' ') ++j;
    }
    words.emplace_back(start + static_cast<long>(i), start + static_cast<long>(j));
    i = j;
  }
  return words;
}

mailmerge::FieldCode parsedCode(const std::string& code) {
  // Nested fields count as one word each; their results do not matter here.
  return mailmerge::parseFieldCode(
      mailmerge::resolveNestedFields(code, [](const mailmerge::FieldCode&) { return std::string(); }));
}

int fieldTypeOfCode(const std::string& code) {
  // Asked for every field a merge walks: a hash lookup rather than a hundred comparisons.
  static const std::unordered_map<std::string_view, int> typeOf = [] {
    std::unordered_map<std::string_view, int> types;
    for (const auto& [type, name] : kFieldKeywords) types.emplace(name, type);
    return types;
  }();
  auto found = typeOf.find(mailmerge::keywordOf(code));
  return found == typeOf.end() ? word::wdFieldEmpty : found->second;
}

std::string fieldKeyword(int type) {
  for (const auto& [t, name] : kFieldKeywords) {
    if (t == type) return name;
  }
  return "";
}

}  // namespace tw::engine::objects
