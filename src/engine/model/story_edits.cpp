#include <algorithm>
#include <optional>
#include <unordered_set>

#include "engine/errors.h"
#include "engine/model/document_model.h"
#include "engine/model/story_index.h"
#include "runtime/codepage.h"

namespace tw::engine::model {
namespace {

// The byte offset of character `index` in UTF-8 text.
std::size_t utf8Offset(const std::string& text, long index) {
  std::size_t i = 0;
  for (long n = 0; i < text.size() && n < index; ++n) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return i;
}

void setText(pugi::xml_node node, const std::string& utf8) {
  node.text().set(utf8.c_str());
  if (!is(node, "w:fldSimple") && !node.attribute("xml:space"))
    node.append_attribute("xml:space") = "preserve";
}

// The UTF-8 text of `node` without its characters [from, to).
std::string textWithout(pugi::xml_node node, long from, long to) {
  std::string text = nodeText(node);
  std::size_t a = utf8Offset(text, from), b = utf8Offset(text, to);
  text.erase(a, b - a);
  return text;
}

pugi::xml_node ancestorRun(pugi::xml_node node) {
  for (; node; node = node.parent()) {
    if (is(node, "w:r")) return node;
  }
  return {};
}

// Windows-1252 text of a piece's node, as the index holds it.
std::string pieceText(const Piece& piece) {
  if (piece.kind == SpanKind::SimpleCode)
    return runtime::utf8ToCp1252(piece.node.attribute("w:instr").value());
  return runtime::utf8ToCp1252(nodeText(piece.node));
}

// Whether the point after `piece` lies in a simple field's code (its w:instr attribute).
bool inSimpleFieldCode(const Piece* piece) {
  return piece && (piece->kind == SpanKind::SimpleCode ||
                   (piece->kind == SpanKind::FieldBegin && is(piece->node, "w:fldSimple")));
}

// Removes a run that holds nothing but its properties.
void removeIfEmpty(DocumentModel& model, pugi::xml_node run) {
  if (!is(run, "w:r")) return;
  for (auto child : run.children()) {
    if (child.type() == pugi::node_element && !is(child, "w:rPr")) return;
  }
  model.removeNode(run);
}

// Removes an element of a run, and the run when nothing else is left in it.
void removeFromRun(DocumentModel& model, pugi::xml_node item) {
  pugi::xml_node run = item.parent();
  model.removeNode(item);
  removeIfEmpty(model, run);
}

// ---- Erasing inside paragraphs: the DOM and the index follow piece by piece.

// A field partly covered by [start, end) goes as a whole: the stretch grows over those beginning inside and
// running past the end, and those open at the start whose separator or end lies inside.
void widenToWholeFields(const Story::Index& ix, long& start, long& end) {
  for (bool grown = true; grown;) {
    grown = false;
    long past = ix.pieces.countBefore(Tally::FieldBegin, end);
    for (long n = ix.pieces.countBefore(Tally::FieldBegin, start); n < past; ++n) {
      long fieldEnd = ix.endOf(*ix.pieces.nth(Tally::FieldBegin, n)->field);
      if (fieldEnd >= end) {
        end = fieldEnd + 1;
        grown = true;
      }
    }
    const Piece* before = ix.before(start);
    for (const FieldRec* f = before ? before->context : nullptr; f; f = f->parent) {
      auto inside = [&](long p) { return p >= start && p < end; };
      long fieldEnd = ix.endOf(*f);
      if (inside(fieldEnd) || (f->separator && inside(ix.position(f->separator)))) {
        start = std::min(start, ix.position(f->begin));
        end = std::max(end, fieldEnd + 1);
        grown = true;
        break;
      }
    }
  }
}

// The pieces [start, end) covers, with their starts; none when it holds a paragraph, cell or row mark.
std::optional<std::vector<std::pair<Piece*, long>>> coveredInlines(const Story::Index& ix, long start,
                                                                   long end) {
  std::vector<std::pair<Piece*, long>> covered;
  Piece* piece = ix.pieces.at(start);
  long at = piece ? ix.position(piece) : end;
  while (piece && at < end) {
    if (isTerminator(piece->kind)) return std::nullopt;
    covered.emplace_back(piece, at);
    at += piece->length;
    piece = ix.pieces.next(piece);
  }
  return covered;
}

// Whether a floating shape of the index lies inside `node`.
bool holdsShape(const Story::Index& ix, pugi::xml_node node) {
  return std::any_of(ix.shapes.begin(), ix.shapes.end(), [&](const ShapeInfo& s) {
    for (auto up = s.node; up; up = up.parent()) {
      if (up == node) return true;
    }
    return false;
  });
}

// Takes the characters [from, to) of `piece` out of the DOM and the index: the whole piece with its node,
// or fewer characters of a text or simple code. `start` is where the erase begins. Returns whether a
// floating shape went with it (the shape list is then made anew).
bool eraseFromPiece(Story::Index& ix, DocumentModel& model, Piece* piece, long from, long to, long start) {
  pugi::xml_node node = piece->node;
  bool whole = from == 0 && to == piece->length;
  bool shapeWent = false;
  switch (piece->kind) {
    case SpanKind::Text:
    case SpanKind::Code:
      if (whole) {
        removeFromRun(model, node);
      } else {
        setText(node, textWithout(node, from, to));
        piece->text.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
        ix.pieces.resize(piece, piece->length - (to - from));
        return false;
      }
      break;
    case SpanKind::SimpleCode:
      if (ix.position(piece->field->begin) >= start) break;  // the whole simple field goes
      piece->text.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
      node.attribute("w:instr").set_value(runtime::cp1252ToUtf8(piece->text).c_str());
      if (!piece->text.empty()) {
        ix.pieces.resize(piece, piece->length - (to - from));
        return false;
      }
      break;
    case SpanKind::FieldBegin:
    case SpanKind::FieldSeparator:
    case SpanKind::FieldEnd:
      if (piece->kind == SpanKind::FieldBegin && piece->field) {
        ix.fields.erase(piece->field->beginNode.internal_object());
        piece->field = nullptr;
      }
      if (is(node, "w:fldSimple")) {
        if (piece->kind == SpanKind::FieldBegin) {
          shapeWent = holdsShape(ix, node);
          model.removeNode(node);
        }
        break;
      }
      [[fallthrough]];
    case SpanKind::Char:
    case SpanKind::Object:
      ix.objects.erase(piece);
      removeFromRun(model, node);
      break;
    case SpanKind::Paragraph:
    case SpanKind::CellEnd:
    case SpanKind::RowEnd:
      break;
  }
  ix.pieces.erase(piece);
  return shapeWent;
}

// ---- Erasing across paragraphs, cells and rows: done on the DOM, then indexed anew.

// The index of the span holding `position`, or -1.
int spanAt(const std::vector<Span>& spans, long position) {
  auto it = std::upper_bound(spans.begin(), spans.end(), position,
                             [](long p, const Span& span) { return p < span.start; });
  if (it == spans.begin()) return -1;
  --it;
  if (position >= it->start + it->length) return -1;
  return static_cast<int>(it - spans.begin());
}

// The tables a stretch covers wholly: they go as a whole, and their rows' marks are not left behind.
struct WholeTables {
  std::vector<std::pair<long, long>> extents;
  std::vector<pugi::xml_node> nodes;

  bool hold(long position) const {
    return std::any_of(extents.begin(), extents.end(),
                       [&](auto t) { return position >= t.first && position < t.second; });
  }
};

WholeTables wholeTables(Story& story, const std::vector<Span>& spans, long start, long end) {
  WholeTables tables;
  std::vector<std::pair<std::pair<long, long>, pugi::xml_node>> candidates;
  std::unordered_set<pugi::xml_node_struct*> seen;
  for (const Span& span : spans) {
    if (span.kind != SpanKind::RowEnd || span.start < start || span.start >= end) continue;
    pugi::xml_node tbl = span.node.parent();
    while (tbl && !is(tbl, "w:tbl")) tbl = tbl.parent();
    if (!tbl || !seen.insert(tbl.internal_object()).second) continue;
    candidates.emplace_back(story.extent(tbl), tbl);
  }
  std::sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
    return a.first.first != b.first.first ? a.first.first < b.first.first : a.first.second > b.first.second;
  });
  for (const auto& [extent, tbl] : candidates) {
    // Plain copies: clang 14 cannot capture structured bindings in a lambda.
    const long ts = extent.first, te = extent.second;
    bool nested = std::any_of(tables.extents.begin(), tables.extents.end(),
                              [&](auto t) { return ts >= t.first && te <= t.second; });
    if (ts >= start && te <= end && !nested) {
      tables.extents.emplace_back(ts, te);
      tables.nodes.push_back(tbl);
    }
  }
  return tables;
}

// The text of paragraph `p` joins the following paragraph, which keeps its own properties (as in Word).
// A paragraph that ends a section, or that no paragraph follows, stays.
void joinWithNextParagraph(DocumentModel& model, pugi::xml_node p) {
  pugi::xml_node next = p.next_sibling();
  while (next && !isAny(next, {"w:p", "w:tbl", "w:sdt"})) next = next.next_sibling();
  if (!is(next, "w:p") || p.child("w:pPr").child("w:sectPr")) return;
  pugi::xml_node first = next.first_child();
  while (first && is(first, "w:pPr")) first = first.next_sibling();
  for (pugi::xml_node child = p.first_child(); child;) {
    pugi::xml_node following = child.next_sibling();
    if (!is(child, "w:pPr")) {
      if (first) {
        next.insert_move_before(child, first);
      } else {
        next.append_move(child);
      }
    }
    child = following;
  }
  model.removeNode(p);
}

// Takes the characters [from, to) of `span` out of the DOM; `start` is where the erase begins.
void eraseFromSpan(const Story::Index& ix, DocumentModel& model, const Span& span, long from, long to,
                   long start) {
  pugi::xml_node node = span.node;
  switch (span.kind) {
    case SpanKind::Text:
    case SpanKind::Code: {
      std::string text = textWithout(node, from, to);
      if (text.empty()) {
        removeFromRun(model, node);
      } else {
        setText(node, text);
      }
      break;
    }
    case SpanKind::SimpleCode: {
      auto found = ix.fields.find(node.internal_object());
      if (found != ix.fields.end() && ix.position(found->second->begin) >= start) break;
      std::string code = span.text;
      code.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
      node.attribute("w:instr").set_value(runtime::cp1252ToUtf8(code).c_str());
      break;
    }
    case SpanKind::FieldBegin:
    case SpanKind::FieldSeparator:
    case SpanKind::FieldEnd:
      if (is(node, "w:fldSimple")) {
        if (span.kind == SpanKind::FieldBegin) model.removeNode(node);
        break;
      }
      [[fallthrough]];
    case SpanKind::Char:
    case SpanKind::Object:
      removeFromRun(model, node);
      break;
    case SpanKind::Paragraph:
      joinWithNextParagraph(model, node);
      break;
    case SpanKind::CellEnd:
    case SpanKind::RowEnd:
      break;
  }
}

// ---- Inserting.

pugi::xml_node newRunLike(pugi::xml_node parent, pugi::xml_node where, bool before, pugi::xml_node model) {
  pugi::xml_node run =
      where ? (before ? parent.insert_child_before("w:r", where) : parent.insert_child_after("w:r", where))
            : parent.append_child("w:r");
  if (pugi::xml_node rPr = model.child("w:rPr")) run.append_copy(rPr);
  return run;
}

// Moves everything after `item` in its run into a new run right after it; returns the first run.
pugi::xml_node splitRunAfter(pugi::xml_node item) {
  pugi::xml_node run = item.parent();
  if (!item.next_sibling()) return run;
  pugi::xml_node tail = newRunLike(run.parent(), run, false, run);
  for (pugi::xml_node child = item.next_sibling(); child;) {
    pugi::xml_node following = child.next_sibling();
    tail.append_move(child);
    child = following;
  }
  return run;
}

// A new piece that follows `before` in the index, open in the same field.
Piece pieceAfter(const Piece* before, SpanKind kind, pugi::xml_node node, std::string text) {
  Piece data;
  data.kind = kind;
  data.length = static_cast<long>(text.size());
  data.node = node;
  data.text = std::move(text);
  if (before) {
    data.context = before->context;
    data.codeAfter = before->codeAfter;
  }
  return data;
}

// A new piece right after the piece before `at`.
Piece* addPieceAt(Story::Index& ix, long at, SpanKind kind, pugi::xml_node node, std::string text) {
  Piece* before = ix.before(at);
  Piece* piece = ix.pieces.make(pieceAfter(before, kind, node, std::move(text)));
  ix.pieces.insertAfter(before, piece);
  return piece;
}

// A new paragraph before `run`'s, taking what precedes `run` (an empty run at the point, which goes).
void splitParagraphAt(DocumentModel& model, Story::Index& ix, long at, pugi::xml_node run) {
  pugi::xml_node p = run.parent();
  if (!is(p, "w:p")) {
    model.removeNode(run);
    throw notAvailable("a paragraph cannot be split here");
  }
  pugi::xml_node front = p.parent().insert_child_before("w:p", p);
  if (pugi::xml_node pPr = p.child("w:pPr")) {
    pugi::xml_node copy = front.append_copy(pPr);
    copy.remove_child("w:sectPr");
  }
  for (pugi::xml_node child = p.first_child(); child != run;) {
    pugi::xml_node following = child.next_sibling();
    if (!is(child, "w:pPr")) front.append_move(child);
    child = following;
  }
  model.removeNode(run);
  ix.terminators[front.internal_object()] = addPieceAt(ix, at, SpanKind::Paragraph, front, "\r");
}

// Puts UTF-8 `utf8` into the text or code piece `host` at position `at`.
void insertIntoText(Story::Index& ix, Piece* host, long at, const std::string& utf8) {
  std::string current = nodeText(host->node);
  current.insert(utf8Offset(current, at - ix.position(host)), utf8);
  setText(host->node, current);
  host->text = pieceText(*host);
  ix.pieces.resize(host, static_cast<long>(host->text.size()));
}

// Puts Windows-1252 `chars` into the code of the simple field whose begin or code `b` is, at `at`; `a` is
// the piece at the point.
void insertIntoSimpleCode(Story::Index& ix, Piece* b, Piece* a, long at, const std::string& chars) {
  Piece* code = b->kind == SpanKind::SimpleCode                                ? b
                : a && a->kind == SpanKind::SimpleCode && a->field == b->field ? a
                                                                               : nullptr;
  std::string instr = runtime::utf8ToCp1252(b->node.attribute("w:instr").value());
  std::size_t offset = code == b ? static_cast<std::size_t>(at - ix.position(b)) : 0;
  instr.insert(std::min(offset, instr.size()), chars);
  b->node.attribute("w:instr").set_value(runtime::cp1252ToUtf8(instr).c_str());
  if (!code) {
    code = addPieceAt(ix, at, SpanKind::SimpleCode, b->node, instr);
    code->field = b->field;
  } else {
    code->text = instr;
    ix.pieces.resize(code, static_cast<long>(instr.size()));
  }
}

// The characters `insert` takes as a tab, a line break or a paragraph mark rather than as text.
constexpr const char* kBreakChars = "\r\t\v\n";

bool isBreakChar(char c) {
  return c == '\r' || c == '\t' || c == '\v' || c == '\n';
}

}  // namespace

long Story::erase(long start, long end) {
  Index& ix = index();
  start = std::clamp(start, 0L, ix.pieces.length());
  end = std::clamp(end, start, ix.pieces.length());
  if (start == end) return start;
  widenToWholeFields(ix, start, end);
  auto covered = coveredInlines(ix, start, end);
  if (!covered) {
    eraseBlocks(start, end);
    return start;
  }
  bool shapeWent = false;
  for (auto it = covered->rbegin(); it != covered->rend(); ++it) {
    auto [piece, pieceStart] = *it;
    long from = std::max(start, pieceStart) - pieceStart;
    long to = std::min(end, pieceStart + piece->length) - pieceStart;
    shapeWent = eraseFromPiece(ix, model_, piece, from, to, start) || shapeWent;
  }
  shift(start, end - start, 0);
  if (shapeWent) {
    changed();
  } else {
    touched();
  }
  return start;
}

void Story::eraseBlocks(long start, long end) {
  const long before = length();
  const std::vector<Span> spans = this->spans();
  const WholeTables tables = wholeTables(*this, spans, start, end);
  const Index& ix = *index_;
  for (int i = spanAt(spans, end - 1); i >= 0; --i) {
    const Span& span = spans[static_cast<std::size_t>(i)];
    if (span.start + span.length <= start) break;
    if (tables.hold(span.start)) continue;
    long from = std::max(start, span.start) - span.start;
    long to = std::min(end, span.start + span.length) - span.start;
    eraseFromSpan(ix, model_, span, from, to, start);
  }
  for (auto tbl : tables.nodes) model_.removeNode(tbl);
  changed();
  shift(start, before - length(), 0);
}

pugi::xml_node Story::runBefore(long position) {
  Index& ix = index();
  if (position >= ix.pieces.length()) position = ix.pieces.length() - 1;
  Piece* A = ix.pieces.at(position);
  Piece* B = ix.before(position);
  if (!A) throw notAvailable("no text can be inserted here");
  auto runLevel = [](const Piece& s) {
    return (s.kind == SpanKind::Text || s.kind == SpanKind::Code || s.kind == SpanKind::Char ||
            s.kind == SpanKind::Object || s.kind == SpanKind::FieldBegin ||
            s.kind == SpanKind::FieldSeparator || s.kind == SpanKind::FieldEnd) &&
           !is(s.node, "w:fldSimple");
  };
  if (inSimpleFieldCode(B)) {
    throw notAvailable("a simple field's code cannot hold a field");
  }
  if (B && runLevel(*B)) {
    pugi::xml_node item = B->node;
    long offset = position - ix.position(B);  // characters of B's node before the point
    if ((B->kind == SpanKind::Text || B->kind == SpanKind::Code) && offset < B->length) {
      std::string text = nodeText(item);
      std::size_t cut = utf8Offset(text, offset);
      pugi::xml_node rest = item.parent().insert_copy_after(item, item);
      setText(item, text.substr(0, cut));
      setText(rest, text.substr(cut));
      Piece* tail =
          ix.pieces.make(pieceAfter(B, B->kind, rest, B->text.substr(static_cast<std::size_t>(offset))));
      B->text.resize(static_cast<std::size_t>(offset));
      ix.pieces.resize(B, offset);
      ix.pieces.insertAfter(B, tail);
    }
    pugi::xml_node run = splitRunAfter(item);
    return newRunLike(run.parent(), run, false, run);
  }
  if (B && is(B->node, "w:fldSimple")) {
    if (B->kind == SpanKind::FieldSeparator)
      return newRunLike(B->node, B->node.first_child(), true, pugi::xml_node());
    return newRunLike(B->node.parent(), B->node, false, pugi::xml_node());  // after the simple field
  }
  // At the start of a paragraph or after a cell: before A.
  switch (A->kind) {
    case SpanKind::Paragraph:
    case SpanKind::CellEnd:
      return newRunLike(A->node, pugi::xml_node(), false, A->node.child("w:pPr"));
    case SpanKind::RowEnd:
      throw notAvailable("no text can be inserted at the end of a table row");
    case SpanKind::SimpleCode:
      throw notAvailable("a simple field's code cannot hold a field");
    default:
      break;
  }
  if (is(A->node, "w:fldSimple")) return newRunLike(A->node.parent(), A->node, true, pugi::xml_node());
  pugi::xml_node run = ancestorRun(A->node);
  return newRunLike(run.parent(), run, true, run);
}

long Story::insert(long position, const std::string& text) {
  if (text.empty()) return 0;
  long inserted = 0;
  try {
    std::size_t i = 0;
    while (i < text.size()) {
      long at = position + inserted;
      if (isBreakChar(text[i])) {
        insertBreak(at, text[i]);
        ++inserted;
        ++i;
        continue;
      }
      std::size_t j = text.find_first_of(kBreakChars, i);
      if (j == std::string::npos) j = text.size();
      insertChars(at, text.substr(i, j - i));
      inserted += static_cast<long>(j - i);
      i = j;
    }
  } catch (...) {
    if (inserted > 0) shift(position, 0, inserted);
    touched();
    throw;
  }
  shift(position, 0, inserted);
  touched();
  return inserted;
}

void Story::insertBreak(long at, char c) {
  pugi::xml_node run = runBefore(at);
  Index& ix = *index_;
  if (c == '\t') {
    addPieceAt(ix, at, SpanKind::Char, run.append_child("w:tab"), "\t");
  } else if (c == '\v' || c == '\n') {
    addPieceAt(ix, at, SpanKind::Char, run.append_child("w:br"), std::string(1, kLineBreak));
  } else {
    splitParagraphAt(model_, ix, at, run);
  }
}

void Story::insertChars(long at, const std::string& chars) {
  Index& ix = index();
  Piece* b = ix.before(at);
  Piece* a = ix.pieces.at(std::min(at, ix.pieces.length() - 1));
  auto holdsText = [](const Piece* s) {
    return s && (s->kind == SpanKind::Text || s->kind == SpanKind::Code);
  };
  std::string utf8 = runtime::cp1252ToUtf8(chars);
  if (holdsText(b) || (holdsText(a) && at < ix.pieces.length())) {
    insertIntoText(ix, holdsText(b) ? b : a, at, utf8);
  } else if (inSimpleFieldCode(b)) {
    insertIntoSimpleCode(ix, b, a, at, chars);
  } else {
    bool code = b && b->codeAfter;
    pugi::xml_node run = runBefore(at);
    pugi::xml_node node = run.append_child(code ? "w:instrText" : "w:t");
    setText(node, utf8);
    addPieceAt(*index_, at, code ? SpanKind::Code : SpanKind::Text, node, runtime::utf8ToCp1252(utf8));
  }
}

pugi::xml_node Story::insertField(long position, const std::string& code, const std::string& result) {
  pugi::xml_node run = runBefore(position);
  Index& ix = *index_;
  Piece* before = ix.before(position);
  pugi::xml_node begin = run.append_child("w:fldChar");
  begin.append_attribute("w:fldCharType") = "begin";
  FieldRec* field = ix.addField(begin);
  if (before) {
    field->parent = before->context;
    field->inCode = before->codeAfter || (before->context && before->context->inCode);
  }
  pugi::xml_node last = run;
  auto next = [&](const char* element) {
    last = newRunLike(run.parent(), last, false, run);
    return last.append_child(element);
  };
  // The pieces in order: begin, code, separator, result, end.
  Piece* at = before;
  auto add = [&](SpanKind kind, pugi::xml_node node, std::string text, bool inField, bool inCodePart) {
    if (text.empty()) return static_cast<Piece*>(nullptr);
    Piece data = pieceAfter(before, kind, node, std::move(text));
    if (inField) {
      data.context = field;
      data.codeAfter = inCodePart;
    }
    if (kind == SpanKind::FieldBegin || kind == SpanKind::FieldSeparator || kind == SpanKind::FieldEnd)
      data.field = field;
    Piece* piece = ix.pieces.make(std::move(data));
    ix.pieces.insertAfter(at, piece);
    at = piece;
    return piece;
  };
  field->begin = add(SpanKind::FieldBegin, begin, std::string(1, kFieldBeginChar), true, true);
  pugi::xml_node instr = next("w:instrText");
  setText(instr, runtime::cp1252ToUtf8(code));
  add(SpanKind::Code, instr, code, true, true);
  pugi::xml_node separator = next("w:fldChar");
  separator.append_attribute("w:fldCharType") = "separate";
  field->separator =
      add(SpanKind::FieldSeparator, separator, std::string(1, kFieldSeparatorChar), true, false);
  if (!result.empty()) {
    pugi::xml_node t = next("w:t");
    setText(t, runtime::cp1252ToUtf8(result));
    add(SpanKind::Text, t, result, true, false);
  }
  pugi::xml_node end = next("w:fldChar");
  end.append_attribute("w:fldCharType") = "end";
  field->end = add(SpanKind::FieldEnd, end, std::string(1, kFieldEndChar), false, false);
  shift(position, 0, 3 + static_cast<long>(code.size() + result.size()));
  touched();
  return begin;
}

void Story::inserted(pugi::xml_node block) {
  auto reindex = [&] {
    changed();
    auto [start, end] = extent(block);
    shift(start, 0, end - start);
  };
  bool patchable = is(block, "w:tr") || (is(block, "w:p") && !is(block.parent(), "w:tc"));
  if (!index_ || !patchable) return reindex();
  Index& ix = *index_;
  // The block's pieces go after the last paragraph or row mark before it.
  Piece* before = nullptr;
  for (pugi::xml_node n = block; n && n != root() && !before; n = n.parent()) {
    for (pugi::xml_node s = n.previous_sibling(); s && !before; s = s.previous_sibling())
      before = ix.lastTerminator(s);
  }
  IndexBuilder builder(ix, before ? before->context : nullptr, before && before->codeAfter);
  builder.part(block);
  if (builder.broken || builder.structural) return reindex();
  long at = before ? ix.position(before) + before->length : 0;
  long length = 0;
  for (Piece* piece : builder.pieces) {
    ix.pieces.insertAfter(before, piece);
    before = piece;
    length += piece->length;
  }
  shift(at, 0, length);
  touched();
}

}  // namespace tw::engine::model
