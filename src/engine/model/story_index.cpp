#include <string>

#include "engine/errors.h"
#include "engine/model/story_index.h"
#include "engine/model/wrappers.h"
#include "runtime/codepage.h"

namespace tw::engine::model {
namespace {

char breakChar(pugi::xml_node br) {
  std::string type = br.attribute("w:type").value();
  if (type == "page") return '\f';
  if (type == "column") return kColumnBreak;
  return kLineBreak;
}

}  // namespace

IndexBuilder::IndexBuilder(Story::Index& index, FieldRec* context, bool codeAfter) : ix_(index) {
  if (context) stack_.push_back({context, codeAfter, true});
}

void IndexBuilder::story(pugi::xml_node root, StoryKind kind) {
  if (kind == StoryKind::Footnotes || kind == StoryKind::Endnotes) {
    for (auto note : root.children()) {
      std::string type = note.attribute("w:type").value();
      if ((is(note, "w:footnote") || is(note, "w:endnote")) && (type.empty() || type == "normal"))
        block(note);
    }
  } else {
    block(root);
  }
  // A field without an end runs to the end of the story.
}

// One table row, or a paragraph outside table cells.
void IndexBuilder::part(pugi::xml_node node) {
  if (is(node, "w:tr")) {
    row(node);
  } else if (is(node, "w:p")) {
    paragraph(node);
  } else {
    structural = true;
  }
  broken = broken || stack_.size() != (stack_.empty() || !stack_.front().outer ? 0 : 1);
}
Piece* IndexBuilder::emit(SpanKind kind, pugi::xml_node node, std::string text, long length,
                          FieldRec* field) {
  if (length == 0) return nullptr;
  Piece data;
  data.kind = kind;
  data.length = length;
  data.node = node;
  data.text = std::move(text);
  data.field = field;
  data.context = stack_.empty() ? nullptr : stack_.back().field;
  data.codeAfter = !stack_.empty() && stack_.back().code;
  Piece* piece = ix_.pieces.make(std::move(data));
  pieces.push_back(piece);
  return piece;
}
Piece* IndexBuilder::mark(SpanKind kind, pugi::xml_node node, char c, FieldRec* field) {
  return emit(kind, node, std::string(1, c), 1, field);
}

void IndexBuilder::block(pugi::xml_node container) {
  for (auto child : container.children()) {
    if (is(child, "w:p")) {
      paragraph(child);
    } else if (is(child, "w:tbl")) {
      table(child);
    } else if (is(child, "w:sdt")) {
      block(child.child("w:sdtContent"));
    } else if (isAny(child, {"w:customXml", "w:ins", "w:del", "w:moveTo", "w:moveFrom"})) {
      block(child);
    }
  }
}

void IndexBuilder::paragraph(pugi::xml_node p) {
  inlines(p);
  Piece* piece = p == cellEnd_ ? emit(SpanKind::CellEnd, p, "\r\a", 1) : mark(SpanKind::Paragraph, p, '\r');
  ix_.terminators[p.internal_object()] = piece;
}

void IndexBuilder::table(pugi::xml_node tbl) {
  structural = true;
  bool top = tableDepth_ == 0;
  long rowsBefore = rows_;
  ++tableDepth_;
  rows(tbl);
  --tableDepth_;
  if (top && rows_ > rowsBefore) ix_.tables.push_back(tbl);
}

void IndexBuilder::rows(pugi::xml_node container) {
  forEachWrapped(container, "w:tr", [this](pugi::xml_node tr) { row(tr); });
}

void IndexBuilder::row(pugi::xml_node tr) {
  cells(tr);
  ix_.terminators[tr.internal_object()] = emit(SpanKind::RowEnd, tr, "\r\a", 1);
  ++rows_;
}

void IndexBuilder::cells(pugi::xml_node container) {
  forEachWrapped(container, "w:tc", [this](pugi::xml_node tc) { cell(tc); });
}

void IndexBuilder::cell(pugi::xml_node tc) {
  pugi::xml_node saved = cellEnd_;
  cellEnd_ = {};
  for (auto child : tc.children("w:p")) cellEnd_ = child;
  block(tc);
  cellEnd_ = saved;
}

void IndexBuilder::inlines(pugi::xml_node container) {
  for (auto child : container.children()) {
    if (is(child, "w:r")) {
      run(child);
    } else if (is(child, "w:fldSimple")) {
      simpleField(child);
    } else if (is(child, "w:sdt")) {
      inlines(child.child("w:sdtContent"));
    } else if (isAny(child, {"w:hyperlink", "w:smartTag", "w:ins", "w:del", "w:moveTo", "w:moveFrom",
                             "w:customXml", "w:dir", "w:bdo"})) {
      inlines(child);
    }
  }
}

void IndexBuilder::run(pugi::xml_node r) {
  for (auto child : r.children()) {
    // The elements a run holds most come first: its properties, text and field marks.
    if (is(child, "w:rPr")) continue;
    if (is(child, "w:fldChar")) {
      fieldChar(child);
    } else if (isAny(child, {"w:t", "w:delText"})) {
      std::string text = runtime::utf8ToCp1252(nodeText(child));
      long n = static_cast<long>(text.size());
      emit(SpanKind::Text, child, std::move(text), n);
    } else if (isAny(child, {"w:instrText", "w:delInstrText"})) {
      std::string text = runtime::utf8ToCp1252(nodeText(child));
      long n = static_cast<long>(text.size());
      emit(SpanKind::Code, child, std::move(text), n);
    } else if (isAny(child, {"w:tab", "w:ptab"})) {
      mark(SpanKind::Char, child, '\t');
    } else if (is(child, "w:br")) {
      mark(SpanKind::Char, child, breakChar(child));
    } else if (is(child, "w:cr")) {
      mark(SpanKind::Char, child, kLineBreak);
    } else if (is(child, "w:noBreakHyphen")) {
      mark(SpanKind::Char, child, kNoBreakHyphen);
    } else if (is(child, "w:softHyphen")) {
      mark(SpanKind::Char, child, kSoftHyphen);
    } else if (is(child, "w:sym")) {
      mark(SpanKind::Char, child, kSymbolChar);
    } else if (isAny(child, {"w:footnoteReference", "w:endnoteReference", "w:footnoteRef", "w:endnoteRef",
                             "w:separator", "w:continuationSeparator", "w:annotationRef"})) {
      mark(SpanKind::Char, child, kNoteReferenceChar);
    } else if (is(child, "w:commentReference")) {
      mark(SpanKind::Char, child, kCommentReferenceChar);
    } else if (isAny(child, {"w:drawing", "w:pict", "w:object", "mc:AlternateContent"})) {
      object(child);
    }
  }
}

FieldRec* IndexBuilder::open(pugi::xml_node node, bool simple) {
  FieldRec* field = ix_.addField(node);
  field->simple = simple;
  if (!stack_.empty()) {
    field->parent = stack_.back().field;
    field->inCode = stack_.back().code || stack_.back().field->inCode;
  }
  stack_.push_back({field, true, false});
  field->begin = mark(SpanKind::FieldBegin, node, kFieldBeginChar, field);
  return field;
}

void IndexBuilder::fieldChar(pugi::xml_node node) {
  std::string type = node.attribute("w:fldCharType").value();
  if (type == "begin") {
    open(node, false);
  } else if (type == "separate") {
    if (stack_.empty() || !stack_.back().code) {
      mark(SpanKind::Char, node, kFieldSeparatorChar);
      return;
    }
    if (stack_.back().outer) broken = true;
    stack_.back().code = false;
    stack_.back().field->separator =
        mark(SpanKind::FieldSeparator, node, kFieldSeparatorChar, stack_.back().field);
  } else if (type == "end") {
    if (stack_.empty()) {
      mark(SpanKind::Char, node, kFieldEndChar);
      return;
    }
    if (stack_.back().outer) broken = true;
    FieldRec* field = stack_.back().field;
    stack_.pop_back();
    field->end = mark(SpanKind::FieldEnd, node, kFieldEndChar, field);
  }
}

void IndexBuilder::simpleField(pugi::xml_node node) {
  FieldRec* field = open(node, true);
  std::string code = runtime::utf8ToCp1252(node.attribute("w:instr").value());
  long n = static_cast<long>(code.size());
  emit(SpanKind::SimpleCode, node, std::move(code), n, field);
  stack_.back().code = false;
  field->separator = mark(SpanKind::FieldSeparator, node, kFieldSeparatorChar, field);
  inlines(node);
  stack_.pop_back();
  field->end = mark(SpanKind::FieldEnd, node, kFieldEndChar, field);
}

void IndexBuilder::object(pugi::xml_node node) {
  pugi::xml_node shown = node;
  pugi::xml_node fallback;
  if (is(node, "mc:AlternateContent")) {
    shown = node.child("mc:Choice");
    fallback = node.child("mc:Fallback");
  }
  auto named = [](const char* name) { return [name](pugi::xml_node n) { return is(n, name); }; };
  pugi::xml_node textBox = shown.find_node(named("w:txbxContent"));
  bool floating = shown.find_node(named("wp:anchor")) || textBox;
  if (!floating && (is(node, "w:pict") || is(shown.first_child(), "w:pict"))) {
    pugi::xml_node shape = shown.find_node(named("v:shape"));
    floating = std::string(shape.attribute("style").value()).find("position:absolute") != std::string::npos;
  }
  if (floating) {
    structural = true;
    ix_.shapes.push_back(
        {node, textBox, fallback ? fallback.find_node(named("w:txbxContent")) : pugi::xml_node()});
  } else {
    ix_.objects.insert(mark(SpanKind::Object, node, kObjectChar));
  }
}

Story::Index& Story::index() {
  if (!root_->alive) throw objectDeleted();
  if (!index_) {
    auto index = std::make_unique<Index>();
    IndexBuilder builder(*index, nullptr, false);
    builder.story(root_->node, kind_);
    index->pieces.assign(builder.pieces);
    index_ = std::move(index);
  }
  return *index_;
}

}  // namespace tw::engine::model
