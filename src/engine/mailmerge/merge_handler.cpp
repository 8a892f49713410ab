#include "engine/mailmerge/merge_handler.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/mailmerge/data_source.h"
#include "engine/mailmerge/field_result.h"
#include "engine/mailmerge/picture_file.h"
#include "engine/model/document_model.h"
#include "engine/model/styles.h"
#include "engine/ooxml/package.h"
#include "engine/print/layout.h"
#include "engine/print/text_printer.h"
#include "runtime/codepage.h"
#include "runtime/error.h"

namespace tw::engine::mailmerge {
namespace {

using model::DocumentModel;
using model::Story;

constexpr long kEmuPerPixel = 9525;

bool isNamed(pugi::xml_node node, const char* name) {
  return std::strcmp(node.name(), name) == 0;
}

// A run holding a linked inline picture of the given size, inserted before `before`.
void insertLinkedPicture(DocumentModel& document, Story& story, pugi::xml_node before,
                         const std::string& path, long long cx, long long cy) {
  std::string id =
      document.addRelationship(story.part(), "image", runtime::cp1252ToUtf8("file:///" + path), true);
  std::string name = runtime::cp1252ToUtf8(path.substr(path.find_last_of("\\/") + 1));
  std::string xml =
      "<w:r xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:drawing>"
      "<wp:inline xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
      "distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\"><wp:extent cx=\"" +
      std::to_string(cx) + "\" cy=\"" + std::to_string(cy) +
      "\"/><wp:docPr id=\"1\" name=\"Picture\"/>"
      "<a:graphic xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
      "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
      "<pic:pic xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
      "<pic:nvPicPr><pic:cNvPr id=\"0\" name=\"\"/><pic:cNvPicPr/></pic:nvPicPr>"
      "<pic:blipFill><a:blip xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
      "r:link=\"" +
      id +
      "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>"
      "<pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"" +
      std::to_string(cx) + "\" cy=\"" + std::to_string(cy) +
      "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr>"
      "</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
  pugi::xml_document fragment;
  fragment.load_string(xml.c_str());
  // The namespace declarations of the fragment stay on its elements; the document's own prefixes agree.
  pugi::xml_node run = before.parent().insert_copy_before(fragment.first_child(), before);
  run.remove_attribute("xmlns:w");
  run.find_node([](pugi::xml_node n) { return isNamed(n, "wp:docPr"); }).attribute("name") = name.c_str();
}

// A merge result holds each drawing id and each bookmark once, though every record's copy repeats the
// template's: a repeated drawing id (wp:docPr) takes the next free number; a repeated bookmark name goes
// with its end, so the first record keeps the bookmark; a bookmark id that a kept bookmark repeats takes
// the next free number. Nothing else is renumbered.
void makeIdentifiersUnique(DocumentModel& document) {
  std::vector<std::shared_ptr<Story>> parts;
  for (const auto& story : document.stories()) {
    if (story->kind() != model::StoryKind::TextBox) parts.push_back(story);
  }
  std::set<std::string> changed;
  std::string part;  // the part being walked
  auto each = [&](const std::function<void(pugi::xml_node)>& visit) {
    for (const auto& story : parts) {
      part = story->part();
      ooxml::forEachDescendant(story->root(), visit);
    }
  };
  long long lastDrawing = 0;
  long long lastBookmark = 0;
  each([&](pugi::xml_node node) {
    if (isNamed(node, "wp:docPr")) lastDrawing = std::max(lastDrawing, node.attribute("id").as_llong());
    if (isNamed(node, "w:bookmarkStart"))
      lastBookmark = std::max(lastBookmark, node.attribute("w:id").as_llong());
  });

  std::set<long long> drawings;
  std::set<std::string> names;
  std::set<std::string> bookmarkIds;
  // Open bookmarks by their id in the template: the id their end gets, "" when the bookmark goes.
  std::map<std::string, std::vector<std::string>> open;
  std::vector<pugi::xml_node> dropped;
  each([&](pugi::xml_node node) {
    if (isNamed(node, "wp:docPr")) {
      if (!drawings.insert(node.attribute("id").as_llong()).second) {
        node.attribute("id") = ++lastDrawing;
        drawings.insert(lastDrawing);
        changed.insert(part);
      }
    } else if (isNamed(node, "w:bookmarkStart")) {
      std::string id = node.attribute("w:id").value();
      std::string kept;
      if (names.insert(node.attribute("w:name").value()).second) {
        kept = bookmarkIds.insert(id).second ? id : std::to_string(++lastBookmark);
        if (kept != id) {
          bookmarkIds.insert(kept);
          node.attribute("w:id") = kept.c_str();
          changed.insert(part);
        }
      } else {
        dropped.push_back(node);
        changed.insert(part);
      }
      open[id].push_back(kept);
    } else if (isNamed(node, "w:bookmarkEnd")) {
      auto& starts = open[node.attribute("w:id").value()];
      if (starts.empty()) return;
      if (starts.back().empty())
        dropped.push_back(node);
      else if (starts.back() != node.attribute("w:id").value())
        node.attribute("w:id") = starts.back().c_str();
      starts.pop_back();
    }
  });
  for (pugi::xml_node node : dropped) document.removeNode(node);
  for (const std::string& name : changed) document.touch(name);
}

// The node a field's first position stands in front of, at the level of runs.
pugi::xml_node fieldRunOf(const model::FieldInfo& field) {
  pugi::xml_node node = field.beginNode;
  return field.simple ? node : node.parent();
}

// The runs of a complex field that decide how its merged text looks: the run of the first character of
// its code that is not a blank (the keyword's first letter; the blank Word writes before it does not count)
// and the first run of its old result (empty when the field has none), among the runs of the begin run's
// level. A simple field has one run for both.
struct FieldRuns {
  pugi::xml_node code;
  pugi::xml_node result;
};

FieldRuns fieldRuns(const model::FieldInfo& field) {
  if (field.simple) {
    pugi::xml_node run = field.beginNode.child("w:r");
    return {run, run};
  }
  FieldRuns runs;
  int depth = 0;
  bool inResult = false;
  for (pugi::xml_node run = field.beginNode.parent(); run; run = run.next_sibling()) {
    if (!isNamed(run, "w:r")) continue;
    if (pugi::xml_node mark = run.child("w:fldChar")) {
      std::string_view type = mark.attribute("w:fldCharType").value();
      if (type == "begin") ++depth;
      if (type == "separate" && depth == 1) inResult = true;
      if (type == "end" && --depth <= 0) break;
      continue;
    }
    if (depth != 1) continue;
    std::string_view code = run.child("w:instrText").text().get();
    if (!inResult && !runs.code && code.find_first_not_of(" \t\r\n") != std::string_view::npos)
      runs.code = run;
    if (inResult && !runs.result) runs.result = run;
  }
  return runs;
}

// The language a run is marked with ("en-US"), or "".
std::string markedLanguage(pugi::xml_node run) {
  return run.child("w:rPr").child("w:lang").attribute("w:val").value();
}

// The language of text that marks none: the document's default run properties in its styles.
std::string defaultLanguage(DocumentModel& document) {
  return model::StyleSheet(document).defaultRunFormatting().value("w:lang").value();
}

// What a field becomes.
struct Merged {
  enum class Kind { Stays, Text, Picture } kind = Kind::Stays;
  std::string text;
  PictureValue picture;
  pugi::xml_node properties;  // the w:rPr the text takes
};

// A field to replace: from its begin (the w:fldChar begin, or the w:fldSimple) to its end run (empty for a
// simple field).
struct Replacement {
  pugi::xml_node begin;
  pugi::xml_node endRun;
  Merged merged;
};

// The first and the last node a direct replacement takes away, at the level of runs.
pugi::xml_node firstReplaced(const Replacement& replacement) {
  return replacement.endRun ? replacement.begin.parent() : replacement.begin;
}
pugi::xml_node lastReplaced(const Replacement& replacement) {
  return replacement.endRun ? replacement.endRun : replacement.begin;
}

// The run of a field's merged text in its formatting, put before `before` (at the end of `parent` when
// `before` is empty); none for empty text.
void insertMergedRun(pugi::xml_node parent, pugi::xml_node before, const Merged& merged) {
  if (merged.text.empty()) return;
  pugi::xml_node run = before ? parent.insert_child_before("w:r", before) : parent.append_child("w:r");
  if (merged.properties) run.append_copy(merged.properties);
  pugi::xml_node t = run.append_child("w:t");
  t.append_attribute("xml:space") = "preserve";
  t.text().set(runtime::cp1252ToUtf8(merged.text).c_str());
}

// How the outermost fields of a story merge. A field that becomes plain text inside one paragraph is
// replaced in the DOM directly; the rest (pictures, fields across paragraphs, text with line or tab
// characters) go through the story's edits.
struct MergePlan {
  std::vector<Replacement> direct;
  std::vector<Replacement> edited;
  long fields = 0;  // outermost fields, those that stay included
};

// Copies the tree below `from` to the end of `to` as it stands once `direct` (replacements of fields of
// `from`) are made: the runs they take away are not copied, the run of their text comes in their place.
class ReplacingCopier {
 public:
  explicit ReplacingCopier(const std::vector<Replacement>& direct) {
    for (const Replacement& replacement : direct) {
      pugi::xml_node first = firstReplaced(replacement);
      byFirst_.emplace(first.internal_object(), &replacement);
      for (pugi::xml_node node = first.parent(); node && holders_.insert(node.internal_object()).second;)
        node = node.parent();
    }
  }

  void copy(pugi::xml_node from, pugi::xml_node to) const {
    for (pugi::xml_node child = from.first_child(); child; child = child.next_sibling()) {
      if (auto replaced = byFirst_.find(child.internal_object()); replaced != byFirst_.end()) {
        insertMergedRun(to, {}, replaced->second->merged);
        const pugi::xml_node last = lastReplaced(*replaced->second);
        while (child != last && child.next_sibling()) child = child.next_sibling();
      } else if (holders_.contains(child.internal_object())) {
        pugi::xml_node shell = to.append_child(child.type());
        shell.set_name(child.name());
        for (pugi::xml_attribute attribute : child.attributes()) shell.append_copy(attribute);
        copy(child, shell);
      } else {
        to.append_copy(child);
      }
    }
  }

 private:
  std::unordered_map<pugi::xml_node_struct*, const Replacement*> byFirst_;
  std::unordered_set<pugi::xml_node_struct*> holders_;  // the nodes that hold a replaced run
};

// Whether the runs a direct replacement takes away hold a note reference.
bool holdsNoteReference(const Replacement& replacement) {
  const pugi::xml_node last = lastReplaced(replacement);
  for (pugi::xml_node node = firstReplaced(replacement); node; node = node.next_sibling()) {
    if (node.find_node([](pugi::xml_node n) {
          return isNamed(n, "w:footnoteReference") || isNamed(n, "w:endnoteReference");
        })) {
      return true;
    }
    if (node == last) break;
  }
  return false;
}

class Merger {
 public:
  Merger(sys::System& system, const runtime::FileRule& files, const DataTable& table,
         std::string defaultLanguage)
      : system_(system),
        files_(files),
        table_(table),
        locale_(system.UserLocale()),
        defaultLanguage_(std::move(defaultLanguage)) {}

  // How the outermost fields of `story` merge, each with the record `recordAt` gives for its position.
  // Without `loadPictures` a picture is not read: its field counts as edited, whether it loads or not.
  MergePlan plan(Story& story, const std::function<size_t(long)>& recordAt, bool loadPictures = true) {
    MergePlan plan;
    for (const model::FieldInfo& field : story.fields()) {
      if (field.inCode) continue;
      ++plan.fields;
      Merged merged = mergedOf(story, field, recordAt(field.begin), loadPictures);
      if (merged.kind == Merged::Kind::Stays) continue;
      pugi::xml_node endRun = field.simple ? pugi::xml_node() : field.endNode.parent();
      Replacement replacement{field.beginNode, endRun, std::move(merged)};
      bool plain = replacement.merged.kind == Merged::Kind::Text &&
                   std::none_of(replacement.merged.text.begin(), replacement.merged.text.end(),
                                [](char c) { return static_cast<unsigned char>(c) < 0x20; });
      bool oneParagraph = field.simple || (endRun && endRun.parent() == field.beginNode.parent().parent());
      (plain && oneParagraph ? plan.direct : plan.edited).push_back(std::move(replacement));
    }
    return plan;
  }

  // Merges the outermost fields of `story` as plan() has it: the direct replacements all in one go, then
  // the edits.
  void mergeStory(DocumentModel& document, Story& story, const std::function<size_t(long)>& recordAt) {
    MergePlan merges = plan(story, recordAt);
    for (const Replacement& replacement : merges.direct) replaceDirectly(document, replacement);
    if (!merges.direct.empty()) story.changed();
    for (auto it = merges.edited.rbegin(); it != merges.edited.rend(); ++it) {
      if (auto field = story.field(it->begin)) apply(document, story, *field, it->merged);
    }
  }

 private:
  // Month and day names follow the language of the field's code, else the document's default language,
  // else the user's locale; a language this system has no names for counts as none.
  const runtime::Locale& languageOf(const FieldRuns& runs) const {
    for (const std::string& language : {markedLanguage(runs.code), defaultLanguage_}) {
      if (runtime::isKnownLocale(language)) return runtime::localeByName(language);
    }
    return locale_;
  }

  Merged mergedOf(Story& story, const model::FieldInfo& field, size_t record, bool loadPictures) {
    long codeEnd = field.separator >= 0 ? field.separator : field.end;
    std::string codeText = story.text(field.begin + 1, codeEnd, true);
    FieldRuns runs = fieldRuns(field);
    const runtime::Locale& language = languageOf(runs);
    FieldCode code = mergedCode(codeText, table_, record, locale_, &language);

    Merged merged;
    // Word gives the text the formatting of the old result with \* MERGEFORMAT, else that of the code's
    // first character.
    pugi::xml_node run = code.hasFormat("MERGEFORMAT") && runs.result ? runs.result : runs.code;
    if (!run) run = fieldRunOf(field);
    merged.properties = run.child("w:rPr");
    if (code.keyword == "INCLUDEPICTURE") {
      merged.kind = Merged::Kind::Picture;
      merged.picture = PictureValue{code.firstArgument(), std::nullopt, std::nullopt};
    } else if (code.keyword == "MERGEFIELD") {
      auto column = table_.columnIndex(code.firstArgument());
      const PictureValue* cell =
          column && record < table_.recordCount() ? table_.picture(record, *column) : nullptr;
      if (cell) {
        merged.kind = Merged::Kind::Picture;
        merged.picture = *cell;
      }
    }
    if (merged.kind == Merged::Kind::Picture && !loadPictures) return merged;
    if (merged.kind == Merged::Kind::Picture) {
      // A picture the job's folders do not hold shows as a missing one.
      PictureFile file;
      if (files_.allowsFile("picture", merged.picture.path))
        file = loadPictureFile(system_, merged.picture.path);
      if (file.status == PictureFile::Status::Ok) {
        if (!merged.picture.width)
          merged.picture.width = static_cast<int>(file.info.widthEmu() / kEmuPerPixel);
        if (!merged.picture.height)
          merged.picture.height = static_cast<int>(file.info.heightEmu() / kEmuPerPixel);
        return merged;
      }
      merged.kind = Merged::Kind::Text;
      merged.text = kPicturePlaceholderText;
      return merged;
    }
    if (auto text = mergedText(code, table_, record, locale_, &language)) {
      merged.kind = Merged::Kind::Text;
      merged.text = *text;
    }
    return merged;
  }

  // Replaces the runs of a field (from its begin run to its end run, or the simple field) by one run of
  // the merged text in its formatting.
  static void replaceDirectly(DocumentModel& document, const Replacement& replacement) {
    const pugi::xml_node first = firstReplaced(replacement);
    const pugi::xml_node last = lastReplaced(replacement);
    insertMergedRun(first.parent(), first, replacement.merged);
    for (pugi::xml_node node = first; node;) {
      pugi::xml_node next = node.next_sibling();
      bool done = node == last;
      document.removeNode(node);
      if (done) break;
      node = next;
    }
  }

  void apply(DocumentModel& document, Story& story, const model::FieldInfo& field, const Merged& merged) {
    if (merged.kind == Merged::Kind::Picture) {
      pugi::xml_node begin = field.beginNode;
      insertLinkedPicture(document, story, fieldRunOf(field), merged.picture.path,
                          static_cast<long long>(*merged.picture.width) * kEmuPerPixel,
                          static_cast<long long>(*merged.picture.height) * kEmuPerPixel);
      story.changed();
      auto moved = story.field(begin);
      story.erase(moved->begin, moved->end + 1);
      return;
    }
    long at = story.erase(field.begin, field.end + 1);
    if (!merged.text.empty()) story.insert(at, merged.text);
  }

  sys::System& system_;
  const runtime::FileRule& files_;
  const DataTable& table_;
  const runtime::Locale& locale_;
  std::string defaultLanguage_;
};

// The document-level w:sectPr of a body.
pugi::xml_node bodySection(pugi::xml_node body) {
  return body.child("w:sectPr");
}

// Ends the content before `boundary` with a next-page section break carrying `section`'s settings; returns
// the new section's properties.
pugi::xml_node addSectionBreak(pugi::xml_node body, pugi::xml_node lastParagraph, pugi::xml_node section) {
  if (!lastParagraph) lastParagraph = body.insert_child_before("w:p", bodySection(body));
  pugi::xml_node properties = lastParagraph.child("w:pPr");
  if (!properties) properties = lastParagraph.prepend_child("w:pPr");
  properties.remove_child("w:sectPr");
  pugi::xml_node copy = properties.append_copy(section);
  copy.remove_child("w:type");
  copy.prepend_child("w:type").append_attribute("w:val") = "nextPage";
  return copy;
}

// Gives the section of `properties` headers and footers of its own, copies of the ones it refers to, and
// notes which record each copy shows.
void ownHeadersAndFooters(DocumentModel& document, pugi::xml_node properties, size_t record,
                          std::map<std::string, size_t>& recordOfPart) {
  const std::string& main = document.mainPart();
  std::string folder = main.substr(0, main.rfind('/') + 1);
  auto relationships = document.relationships(main);
  for (pugi::xml_node reference : properties.children()) {
    bool footer = isNamed(reference, "w:footerReference");
    if (!footer && !isNamed(reference, "w:headerReference")) continue;
    std::string id = reference.attribute("r:id").value();
    auto rel = std::find_if(relationships.begin(), relationships.end(),
                            [&](const auto& r) { return r.first == id; });
    if (rel == relationships.end() || rel->second.external) continue;
    std::string copy = document.copyPart(rel->second.target, "_" + std::to_string(record + 1));
    std::string target = copy.rfind(folder, 0) == 0 ? copy.substr(folder.size()) : "/" + copy;
    reference.attribute("r:id") =
        document.addRelationship(main, footer ? "footer" : "header", target, false).c_str();
    recordOfPart[copy] = record;
  }
}

// A field that moves the merge through the records: NEXT, NEXTIF or SKIPIF.
struct RecordStep {
  long position = 0;  // of its begin mark
  std::string keyword;
  std::string code;  // as the story shows it with codes, nested fields unresolved
};

// The record steps of a story's text, outside other fields' codes, in order.
std::vector<RecordStep> recordStepsOf(Story& story) {
  std::vector<RecordStep> steps;
  for (const model::FieldInfo& field : story.fields()) {
    if (field.inCode) continue;
    long codeEnd = field.separator >= 0 ? field.separator : field.end;
    std::string text = story.text(field.begin + 1, codeEnd, true);
    std::string keyword = keywordOf(text);
    if (keyword == "NEXT" || keyword == "NEXTIF" || keyword == "SKIPIF")
      steps.push_back({field.begin, std::move(keyword), std::move(text)});
  }
  return steps;
}

// Whether the condition of a NEXTIF or SKIPIF holds for `record`.
bool stepConditionHolds(const RecordStep& step, const DataTable& table, size_t record,
                        const runtime::Locale& locale) {
  return conditionHolds(mergedCode(step.code, table, record, locale), locale);
}

// The sheets of a merge (copies of the main text) and the record each stretch of a sheet shows: one
// stretch before its first record step and one after each. A sheet starts with the record after the
// previous sheet's last; NEXT moves on to the next record, NEXTIF when its condition holds for the
// current one, and SKIPIF, when its condition holds, drops the sheet and starts the next with the next
// record. Records past the data's end show empty merge fields.
std::vector<std::vector<size_t>> planSheets(const std::vector<RecordStep>& steps, const DataTable& table,
                                            size_t records, const runtime::Locale& locale) {
  std::vector<std::vector<size_t>> sheets;
  for (size_t record = 0; record < records; ++record) {
    std::vector<size_t> shown{record};
    bool skipped = false;
    for (const RecordStep& step : steps) {
      if (step.keyword == "SKIPIF") {
        skipped = stepConditionHolds(step, table, record, locale);
        if (skipped) break;
      } else if (step.keyword == "NEXT" || stepConditionHolds(step, table, record, locale)) {
        ++record;
      }
      shown.push_back(record);
    }
    if (!skipped) sheets.push_back(std::move(shown));
  }
  return sheets;
}

// Keys a note by its kind and id: "footnote 3".
std::string noteKey(std::string_view kind, std::string_view id) {
  return std::string(kind) + " " + std::string(id);
}

// Gives every note reference of the main text a note of its own: the first reference to a note keeps
// it, every later one (the copies of the text for later records) refers to a copy. Returns the record of
// every referenced note, by noteKey.
std::map<std::string, size_t> ownNotes(DocumentModel& document, Story& main,
                                       const std::function<size_t(long)>& recordAt) {
  struct Notes {
    pugi::xml_node root;
    std::map<std::string, pugi::xml_node, std::less<>> byId;
    long nextId = 1;
  };
  std::map<std::string, Notes, std::less<>> notesOf;  // by kind: "footnote", "endnote"
  for (const char* kind : {"footnote", "endnote"}) {
    for (const std::string& part : document.relatedParts(std::string(kind) + "s")) {
      Notes& notes = notesOf[kind];
      const std::string element = std::string("w:") + kind;
      notes.root = document.package().xml(part).doc.child((element + "s").c_str());
      for (pugi::xml_node note : notes.root.children(element.c_str())) {
        notes.byId[note.attribute("w:id").value()] = note;
        notes.nextId = std::max(notes.nextId, note.attribute("w:id").as_int() + 1L);
      }
      break;
    }
  }
  std::map<std::string, size_t> recordOfNote;
  if (notesOf.empty()) return recordOfNote;
  for (const model::Span& span : main.spans()) {
    if (span.kind != model::SpanKind::Char) continue;
    std::string_view name = span.node.name();
    std::string_view kind = name == "w:footnoteReference"  ? "footnote"
                            : name == "w:endnoteReference" ? "endnote"
                                                           : "";
    auto notes = notesOf.find(kind);
    if (kind.empty() || notes == notesOf.end()) continue;
    pugi::xml_attribute id = span.node.attribute("w:id");
    auto note = notes->second.byId.find(id.value());
    if (note == notes->second.byId.end()) continue;
    if (recordOfNote.count(noteKey(kind, id.value()))) {
      pugi::xml_node copy = notes->second.root.append_copy(note->second);
      copy.attribute("w:id") = notes->second.nextId;
      id = notes->second.nextId++;
      document.touch(main.part());
    }
    recordOfNote[noteKey(kind, id.value())] = recordAt(span.start);
  }
  return recordOfNote;
}

// The record of every position of a notes story: that of the note it lies in.
std::function<size_t(long)> noteRecords(Story& story, const std::map<std::string, size_t>& recordOfNote) {
  std::vector<std::pair<long, size_t>> starts;  // first position of a note, its record
  for (pugi::xml_node note : story.root().children()) {
    std::string_view name = note.name();
    std::string_view type = note.attribute("w:type").value();
    pugi::xml_node paragraph = note.child("w:p");
    // Separator notes are no part of the story's text.
    if (!paragraph || (name != "w:footnote" && name != "w:endnote") || (!type.empty() && type != "normal"))
      continue;
    auto record = recordOfNote.find(noteKey(name.substr(2), note.attribute("w:id").value()));
    starts.emplace_back(story.extent(paragraph).first, record == recordOfNote.end() ? 0 : record->second);
  }
  return [starts = std::move(starts)](long position) {
    auto after = std::upper_bound(starts.begin(), starts.end(), std::make_pair(position, SIZE_MAX));
    return after == starts.begin() ? size_t{0} : std::prev(after)->second;
  };
}

class Handler : public MailMergeHandler {
 public:
  void openDataSource(EngineApplication& app, DocumentModel& document, const word::DataSourceArgs& args,
                      bool headerSource) override {
    auto* sources = std::any_cast<MergeSources>(&document.mailMergeState);
    if (!sources) sources = &document.mailMergeState.emplace<MergeSources>();
    if (headerSource) {
      sources->openHeaderSource(app.system(), args);
    } else {
      sources->openDataSource(app.system(), args);
    }
    document.setMainDocumentType(word::wdFormLetters);
  }

  void execute(EngineApplication& app, DocumentModel& document, bool /*pause*/) override {
    const auto* sources = std::any_cast<MergeSources>(&document.mailMergeState);
    if (!sources || !sources->attached()) {
      throw runtime::Error(4605,
                           "This method or property is not available because the document is not a mail "
                           "merge main document.",
                           "Microsoft Word");
    }
    const DataTable& table = sources->table();
    Story& source = *document.mainStory();

    // One copy of the main text per sheet: a record, or as many as its NEXT and NEXTIF fields step
    // through (label sheets), less the sheets SKIPIF drops; the first sheet keeps the original.
    const runtime::Locale& locale = app.system().UserLocale();
    const std::vector<RecordStep> templateSteps = recordStepsOf(source);
    const std::vector<std::vector<size_t>> sheets =
        planSheets(templateSteps, table, std::max<size_t>(table.recordCount(), 1), locale);
    Merger merger(app.system(), app.options().files, table, defaultLanguage(document));

    // One sheet without record steps shows one record throughout, and its main text is the template's.
    // The fields that become plain text are then merged as the main text is copied, so the copy never
    // holds the runs they take away (a long record group is mostly such fields). A field holding a note
    // reference waits for the notes to be given out.
    const bool oneRecord = sheets.size() == 1 && templateSteps.empty();
    MergePlan premerged;
    if (oneRecord) {
      premerged = merger.plan(
          source, [&](long) { return sheets.front().front(); }, false);
      std::erase_if(premerged.direct, holdsNoteReference);
    }
    const bool mainMerged = oneRecord && premerged.edited.empty() &&
                            static_cast<long>(premerged.direct.size()) == premerged.fields;
    // The main document is not read again while its copy is merged (the plan above holds what the merge
    // needs of it): its index would only add to the merge's memory.
    source.releaseIndex();
    const ReplacingCopier copier(premerged.direct);
    auto copyMain = [&](const pugi::xml_document& from, pugi::xml_document& to) { copier.copy(from, to); };
    auto result = std::make_unique<DocumentModel>(
        premerged.direct.empty() ? document.package().copy()
                                 : document.package().copy(document.mainPart(), copyMain));
    Story& main = *result->mainStory();
    pugi::xml_node body = main.root();
    // The main text as it was, before the section breaks go into it, for the sheets after the first.
    pugi::xml_document pristine;
    pugi::xml_node template_ = pristine.append_child("template");
    if (sheets.size() > 1) {
      for (pugi::xml_node child : body.children()) {
        if (!isNamed(child, "w:sectPr")) template_.append_copy(child);
      }
    }
    pugi::xml_node section = bodySection(body);
    if (!section) section = body.append_child("w:sectPr");
    if (sheets.empty()) {
      // Every record skipped: an empty document, whose headers and footers show no record.
      for (pugi::xml_node node = body.first_child(); node != section;) {
        pugi::xml_node next = node.next_sibling();
        result->removeNode(node);
        node = next;
      }
      body.insert_child_before("w:p", section);
    }
    std::vector<pugi::xml_node> sheetStarts{body.first_child()};
    // Where a sheet begins: its first paragraph or table (other body content has no position).
    auto firstBlock = [](pugi::xml_node node) {
      while (node && !isNamed(node, "w:p") && !isNamed(node, "w:tbl")) node = node.next_sibling();
      return node;
    };
    // The last sheet keeps the parts the document's own section refers to.
    std::map<std::string, size_t> recordOfPart;
    const size_t noRecord = table.recordCount();
    for (const auto& ref : result->headerFooterRefs())
      recordOfPart[ref.part] = sheets.empty() ? noRecord : sheets.back().front();
    for (size_t sheet = 1; sheet < sheets.size(); ++sheet) {
      pugi::xml_node last;
      for (pugi::xml_node node = section.previous_sibling(); node; node = node.previous_sibling()) {
        if (isNamed(node, "w:p")) {
          last = node;
          break;
        }
      }
      pugi::xml_node properties = addSectionBreak(body, last, section);
      ownHeadersAndFooters(*result, properties, sheets[sheet - 1].front(), recordOfPart);
      pugi::xml_node first;
      for (pugi::xml_node node : template_.children()) {
        pugi::xml_node copy = body.insert_copy_before(node, section);
        if (!first) first = copy;
      }
      sheetStarts.push_back(first);
    }
    // One sheet leaves the text as it was (at most a section was added), and its index stands; more
    // sheets, or none (every record skipped), changed it.
    if (sheets.size() != 1) {
      main.changed();
    } else {
      result->touch(main.part());
    }

    std::vector<long> starts;
    for (pugi::xml_node node : oneRecord ? std::vector<pugi::xml_node>{} : sheetStarts) {
      pugi::xml_node block = firstBlock(node);
      starts.push_back(block ? main.extent(block).first : (starts.empty() ? 0 : starts.back()));
    }
    // A position's record: that of its stretch of its sheet, counted by the record steps before it.
    std::vector<long> steps;
    if (!templateSteps.empty() && !sheets.empty()) {
      for (const RecordStep& step : recordStepsOf(main)) steps.push_back(step.position);
    }
    auto recordAt = [&](long position) {
      if (sheets.empty()) return noRecord;
      if (oneRecord) return sheets.front().front();
      auto after = std::upper_bound(starts.begin(), starts.end(), position);
      size_t sheet = after == starts.begin() ? 0 : static_cast<size_t>(after - starts.begin() - 1);
      auto stretch = std::lower_bound(steps.begin(), steps.end(), position) -
                     std::lower_bound(steps.begin(), steps.end(), starts[sheet]);
      return sheets[sheet][std::min(static_cast<size_t>(stretch), sheets[sheet].size() - 1)];
    };
    std::map<std::string, size_t> recordOfNote = ownNotes(*result, main, recordAt);
    // A text box of the main text belongs to the record of the paragraph that holds it.
    std::vector<std::pair<std::shared_ptr<Story>, size_t>> boxes;
    for (const auto& shape : main.shapes()) {
      if (!shape.textBox) continue;
      pugi::xml_node paragraph = shape.node;
      while (paragraph && !isNamed(paragraph, "w:p")) paragraph = paragraph.parent();
      boxes.emplace_back(result->textBoxStory(main, shape),
                         paragraph ? recordAt(main.extent(paragraph).first) : 0);
    }
    // The stories are listed before the main text is merged: listing them after would index the merged
    // main text anew only to find the text boxes already listed above.
    const auto stories = result->stories();
    if (!mainMerged) merger.mergeStory(*result, main, recordAt);
    for (const auto& [box, record] : boxes) {
      if (box->alive()) merger.mergeStory(*result, *box, [record = record](long) { return record; });
    }
    // Every section has headers and footers of its own, every note reference a note of its own.
    for (const auto& story : stories) {
      bool box =
          std::any_of(boxes.begin(), boxes.end(), [&](const auto& entry) { return entry.first == story; });
      if (story.get() == &main || box || !story->alive()) continue;
      if (story->kind() == model::StoryKind::Footnotes || story->kind() == model::StoryKind::Endnotes) {
        story->changed();  // the copied notes
        merger.mergeStory(*result, *story, noteRecords(*story, recordOfNote));
        continue;
      }
      auto part = recordOfPart.find(story->part());
      size_t record = part == recordOfPart.end() ? 0 : part->second;
      merger.mergeStory(*result, *story, [record](long) { return record; });
    }
    makeIdentifiersUnique(*result);
    result->setMainDocumentType(word::wdNotAMergeDocument);
    result->saved = false;
    app.addDocument(std::move(result), resultName(app));
  }

  void printOut(EngineApplication& app, DocumentModel& document, int /*range*/,
                const std::string& outputFileName, bool printToFile) override {
    if (!printToFile)
      throw runtime::Error(4605, "This method or property is not available: printing to a printer.");
    // Word's current printer; the text-only printer unless the application was given another.
    const print::Printer& printer = app.options().printer ? *app.options().printer : textOnlyPrinter_;
    print::printToFile(printer, print::layoutOf(document, app.system(), app.options().files), app.system(),
                       outputFileName);
  }

 private:
  // Word names a merge result after the kind of merge, numbered per session.
  std::string resultName(EngineApplication& app) {
    bool dutch = app.system().UserLocale().name == "nl-NL";
    return (dutch ? "Standaardbrieven" : "Letters") + std::to_string(++results_);
  }

  print::TextOnlyPrinter textOnlyPrinter_;
  int results_ = 0;
};

}  // namespace

std::shared_ptr<MailMergeHandler> createMailMergeHandler() {
  return std::make_shared<Handler>();
}

}  // namespace tw::engine::mailmerge
