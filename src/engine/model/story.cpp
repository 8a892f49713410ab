#include "engine/model/story.h"

#include <algorithm>
#include <cstring>

#include "engine/errors.h"
#include "engine/model/document_model.h"
#include "runtime/codepage.h"

namespace tw::engine::model {
namespace {

bool is(pugi::xml_node node, const char* name) {
  return std::strcmp(node.name(), name) == 0;
}

bool isAny(pugi::xml_node node, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* name) { return is(node, name); });
}

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

std::string nodeText(pugi::xml_node node) {
  return node.child_value();
}

pugi::xml_node ancestorRun(pugi::xml_node node) {
  for (; node; node = node.parent()) {
    if (is(node, "w:r")) return node;
  }
  return {};
}

char breakChar(pugi::xml_node br) {
  std::string type = br.attribute("w:type").value();
  if (type == "page") return '\f';
  if (type == "column") return 14;
  return 11;
}

}  // namespace

struct Story::Index {
  std::vector<Span> spans;
  std::vector<FieldInfo> fields;
  std::vector<ShapeInfo> shapes;
  std::vector<InlineObjectInfo> objects;
  std::vector<pugi::xml_node> tables;
  std::unordered_map<pugi::xml_node_struct*, std::pair<long, long>> extents;
  std::unordered_map<pugi::xml_node_struct*, int> fieldByNode;
  long length = 0;
};

namespace {

// Walks a story's DOM in document order and lays out its positions.
class IndexBuilder {
 public:
  explicit IndexBuilder(Story::Index& index) : ix_(index) {}

  void story(pugi::xml_node root, StoryKind kind) {
    if (kind == StoryKind::Footnotes || kind == StoryKind::Endnotes) {
      for (auto note : root.children()) {
        std::string type = note.attribute("w:type").value();
        if ((is(note, "w:footnote") || is(note, "w:endnote")) && (type.empty() || type == "normal"))
          block(note);
      }
    } else {
      block(root);
    }
    while (!stack_.empty()) {  // a field without an end runs to the end of the story
      ix_.fields[static_cast<std::size_t>(stack_.back())].end = std::max(0L, pos_ - 1);
      stack_.pop_back();
    }
    ix_.length = pos_;
  }

 private:
  void emit(SpanKind kind, pugi::xml_node node, std::string text, long length, int field = -1) {
    if (length == 0) return;
    Span span;
    span.start = pos_;
    span.length = length;
    span.kind = kind;
    span.node = node;
    span.text = std::move(text);
    span.field = field;
    pos_ += length;
    span.codeAfter = !stack_.empty() && ix_.fields[static_cast<std::size_t>(stack_.back())].separator < 0;
    ix_.spans.push_back(std::move(span));
  }
  void mark(SpanKind kind, pugi::xml_node node, char c, int field = -1) {
    emit(kind, node, std::string(1, c), 1, field);
  }

  void block(pugi::xml_node container) {
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

  void paragraph(pugi::xml_node p) {
    long start = pos_;
    inlines(p);
    if (p == cellEnd_) {
      emit(SpanKind::CellEnd, p, "\r\a", 1);
    } else {
      mark(SpanKind::Paragraph, p, '\r');
    }
    ix_.extents[p.internal_object()] = {start, pos_};
  }

  void table(pugi::xml_node tbl) {
    long start = pos_;
    ix_.tables.push_back(tbl);
    rows(tbl);
    ix_.extents[tbl.internal_object()] = {start, pos_};
  }

  // Calls `visit` for every `name` child, looking through content controls and custom XML around them.
  template <class Visit>
  void wrapped(pugi::xml_node container, const char* name, const Visit& visit) {
    for (auto child : container.children()) {
      if (is(child, name)) {
        visit(child);
      } else if (is(child, "w:sdt")) {
        wrapped(child.child("w:sdtContent"), name, visit);
      } else if (is(child, "w:customXml")) {
        wrapped(child, name, visit);
      }
    }
  }

  void rows(pugi::xml_node container) {
    wrapped(container, "w:tr", [this](pugi::xml_node tr) { row(tr); });
  }

  void row(pugi::xml_node tr) {
    long start = pos_;
    cells(tr);
    emit(SpanKind::RowEnd, tr, "\r\a", 1);
    ix_.extents[tr.internal_object()] = {start, pos_};
  }

  void cells(pugi::xml_node container) {
    wrapped(container, "w:tc", [this](pugi::xml_node tc) { cell(tc); });
  }

  void cell(pugi::xml_node tc) {
    long start = pos_;
    pugi::xml_node saved = cellEnd_;
    cellEnd_ = {};
    for (auto child : tc.children("w:p")) cellEnd_ = child;
    block(tc);
    cellEnd_ = saved;
    ix_.extents[tc.internal_object()] = {start, pos_};
  }

  void inlines(pugi::xml_node container) {
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

  void run(pugi::xml_node r) {
    for (auto child : r.children()) {
      if (isAny(child, {"w:t", "w:delText"})) {
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
        mark(SpanKind::Char, child, 11);
      } else if (is(child, "w:noBreakHyphen")) {
        mark(SpanKind::Char, child, 30);
      } else if (is(child, "w:softHyphen")) {
        mark(SpanKind::Char, child, 31);
      } else if (is(child, "w:sym")) {
        mark(SpanKind::Char, child, '(');
      } else if (isAny(child, {"w:footnoteReference", "w:endnoteReference", "w:footnoteRef", "w:endnoteRef",
                               "w:separator", "w:continuationSeparator", "w:annotationRef"})) {
        mark(SpanKind::Char, child, 2);
      } else if (is(child, "w:commentReference")) {
        mark(SpanKind::Char, child, 5);
      } else if (is(child, "w:fldChar")) {
        fieldChar(child);
      } else if (isAny(child, {"w:drawing", "w:pict", "w:object", "mc:AlternateContent"})) {
        object(child);
      }
    }
  }

  void fieldChar(pugi::xml_node node) {
    std::string type = node.attribute("w:fldCharType").value();
    if (type == "begin") {
      FieldInfo field;
      field.begin = pos_;
      field.beginNode = node;
      field.inCode = inCode();
      int id = static_cast<int>(ix_.fields.size());
      ix_.fields.push_back(field);
      ix_.fieldByNode[node.internal_object()] = id;
      stack_.push_back(id);
      mark(SpanKind::FieldBegin, node, 19, id);
    } else if (type == "separate") {
      if (stack_.empty() || top().separator >= 0) {
        mark(SpanKind::Char, node, 20);
        return;
      }
      top().separator = pos_;
      mark(SpanKind::FieldSeparator, node, 20, stack_.back());
    } else if (type == "end") {
      if (stack_.empty()) {
        mark(SpanKind::Char, node, 21);
        return;
      }
      int id = stack_.back();
      top().end = pos_;
      stack_.pop_back();
      mark(SpanKind::FieldEnd, node, 21, id);
    }
  }

  void simpleField(pugi::xml_node node) {
    FieldInfo field;
    field.begin = pos_;
    field.beginNode = node;
    field.simple = true;
    field.inCode = inCode();
    int id = static_cast<int>(ix_.fields.size());
    ix_.fields.push_back(field);
    ix_.fieldByNode[node.internal_object()] = id;
    stack_.push_back(id);
    mark(SpanKind::FieldBegin, node, 19, id);
    std::string code = runtime::utf8ToCp1252(node.attribute("w:instr").value());
    long n = static_cast<long>(code.size());
    emit(SpanKind::SimpleCode, node, std::move(code), n, id);
    top().separator = pos_;
    mark(SpanKind::FieldSeparator, node, 20, id);
    inlines(node);
    top().end = pos_;
    stack_.pop_back();
    mark(SpanKind::FieldEnd, node, 21, id);
  }

  void object(pugi::xml_node node) {
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
      ix_.shapes.push_back(
          {node, textBox, fallback ? fallback.find_node(named("w:txbxContent")) : pugi::xml_node()});
    } else {
      ix_.objects.push_back({node, pos_});
      mark(SpanKind::Object, node, 1);
    }
  }

  FieldInfo& top() { return ix_.fields[static_cast<std::size_t>(stack_.back())]; }
  // Inside the code of some enclosing field.
  bool inCode() const {
    if (stack_.empty()) return false;
    const FieldInfo& parent = ix_.fields[static_cast<std::size_t>(stack_.back())];
    return parent.separator < 0 || parent.inCode;
  }

  Story::Index& ix_;
  long pos_ = 0;
  std::vector<int> stack_;
  pugi::xml_node cellEnd_;
};

}  // namespace

Story::Story(DocumentModel& model, StoryKind kind, std::string part, std::shared_ptr<Anchor> root,
             pugi::xml_node mirror)
    : model_(model), kind_(kind), part_(std::move(part)), root_(std::move(root)), mirror_(mirror) {}

Story::~Story() = default;

Story::Index& Story::index() {
  if (!root_->alive) throw objectDeleted();
  if (!index_) {
    auto index = std::make_unique<Index>();
    IndexBuilder(*index).story(root_->node, kind_);
    index_ = std::move(index);
  }
  return *index_;
}

long Story::length() {
  return index().length;
}
const std::vector<Span>& Story::spans() {
  return index().spans;
}
const std::vector<FieldInfo>& Story::fields() {
  return index().fields;
}
const std::vector<ShapeInfo>& Story::shapes() {
  return index().shapes;
}
const std::vector<InlineObjectInfo>& Story::inlineObjects() {
  return index().objects;
}

std::pair<long, long> Story::extent(pugi::xml_node node) {
  auto& extents = index().extents;
  auto it = extents.find(node.internal_object());
  if (it == extents.end()) throw objectDeleted();
  return it->second;
}

int Story::fieldOf(pugi::xml_node beginNode) {
  auto& byNode = index().fieldByNode;
  auto it = byNode.find(beginNode.internal_object());
  return it == byNode.end() ? -1 : it->second;
}

int Story::spanAt(long position) {
  const auto& spans = index().spans;
  auto it = std::upper_bound(spans.begin(), spans.end(), position,
                             [](long p, const Span& span) { return p < span.start; });
  if (it == spans.begin()) return -1;
  --it;
  if (position >= it->start + it->length) return -1;
  return static_cast<int>(it - spans.begin());
}

void Story::changed() {
  index_.reset();
  touched();
}

void Story::touched() {
  if (mirror_ && root_->alive) {
    // Word 2010 and later show the DrawingML copy of a text box; older readers show the VML copy.
    while (mirror_.first_child()) model_.removeNode(mirror_.first_child());
    for (auto child : root_->node.children()) mirror_.append_copy(child);
  }
  model_.touch(part_);
}

void Story::retext(int host) {
  Index& ix = *index_;
  Span& span = ix.spans[static_cast<std::size_t>(host)];
  std::string text = runtime::utf8ToCp1252(nodeText(span.node));
  long delta = static_cast<long>(text.size()) - span.length;
  long anchor = span.start;  // no mark lies inside the span, so everything after it moves
  span.text = std::move(text);
  span.length += delta;
  for (std::size_t i = static_cast<std::size_t>(host) + 1; i < ix.spans.size(); ++i)
    ix.spans[i].start += delta;
  auto move = [&](long& position) {
    if (position > anchor) position += delta;
  };
  for (auto& field : ix.fields) {
    move(field.begin);
    move(field.separator);
    move(field.end);
  }
  for (auto& object : ix.objects) move(object.position);
  for (auto& [node, extent] : ix.extents) {
    move(extent.first);
    move(extent.second);
  }
  ix.length += delta;
  touched();
}

std::string Story::text(long start, long end, bool showCodes, bool onePerPosition) {
  Index& ix = index();
  start = std::clamp(start, 0L, ix.length);
  end = std::clamp(end, start, ix.length);
  std::vector<bool> hidden;
  if (!showCodes) {
    hidden.assign(static_cast<std::size_t>(end - start), false);
    auto hide = [&](long from, long to) {  // inclusive
      for (long p = from; p <= to; ++p) hidden[static_cast<std::size_t>(p - start)] = true;
    };
    for (const auto& f : ix.fields) {
      if (f.inCode || f.begin < start || f.end >= end) continue;
      hide(f.begin, f.separator >= 0 ? f.separator : f.end);
      hide(f.end, f.end);
    }
  }
  std::string out;
  int i = spanAt(start);
  for (std::size_t s = i < 0 ? ix.spans.size() : static_cast<std::size_t>(i); s < ix.spans.size(); ++s) {
    const Span& span = ix.spans[s];
    if (span.start >= end) break;
    long from = std::max(start, span.start);
    long to = std::min(end, span.start + span.length);
    bool chars =
        span.kind == SpanKind::Text || span.kind == SpanKind::Code || span.kind == SpanKind::SimpleCode;
    for (long p = from; p < to; ++p) {
      if (!hidden.empty() && hidden[static_cast<std::size_t>(p - start)]) continue;
      if (chars) {
        out += span.text[static_cast<std::size_t>(p - span.start)];
      } else if (onePerPosition) {
        out += span.text.back();
      } else {
        out += span.text;
      }
    }
  }
  return out;
}

void Story::removeEmpty(pugi::xml_node run) {
  if (!is(run, "w:r")) return;
  for (auto child : run.children()) {
    if (child.type() == pugi::node_element && !is(child, "w:rPr")) return;
  }
  model_.removeNode(run);
}

long Story::erase(long start, long end) {
  Index& ix = index();
  start = std::clamp(start, 0L, ix.length);
  end = std::clamp(end, start, ix.length);
  if (start == end) return start;
  for (bool grown = true; grown;) {
    grown = false;
    for (const auto& f : ix.fields) {
      auto inside = [&](long p) { return p >= start && p < end; };
      bool b = inside(f.begin), e = inside(f.end), s = f.separator >= 0 && inside(f.separator);
      if ((b || e || s) && !(b && e)) {
        start = std::min(start, f.begin);
        end = std::max(end, f.end + 1);
        grown = true;
      }
    }
  }
  // Characters inside one text node: edit it and move the positions behind it.
  if (int only = spanAt(start); only >= 0 && only == spanAt(end - 1)) {
    const Span& span = ix.spans[static_cast<std::size_t>(only)];
    if ((span.kind == SpanKind::Text || span.kind == SpanKind::Code) && end - start < span.length) {
      std::string text = nodeText(span.node);
      std::size_t a = utf8Offset(text, start - span.start), b = utf8Offset(text, end - span.start);
      text.erase(a, b - a);
      setText(span.node, text);
      retext(only);
      return start;
    }
  }
  std::vector<std::pair<long, long>> tables;
  std::vector<pugi::xml_node> doomedTables;
  for (auto tbl : ix.tables) {
    const auto extent = ix.extents.at(tbl.internal_object());
    const long ts = extent.first, te = extent.second;
    bool nested =
        std::any_of(tables.begin(), tables.end(), [&](auto t) { return ts >= t.first && te <= t.second; });
    if (ts >= start && te <= end && !nested) {
      tables.emplace_back(ts, te);
      doomedTables.push_back(tbl);
    }
  }
  auto inDoomedTable = [&](long p) {
    return std::any_of(tables.begin(), tables.end(), [&](auto t) { return p >= t.first && p < t.second; });
  };
  int last = spanAt(end - 1);
  for (int i = last; i >= 0; --i) {
    const Span& span = ix.spans[static_cast<std::size_t>(i)];
    if (span.start + span.length <= start) break;
    if (inDoomedTable(span.start)) continue;
    long from = std::max(start, span.start) - span.start;
    long to = std::min(end, span.start + span.length) - span.start;
    pugi::xml_node node = span.node;
    switch (span.kind) {
      case SpanKind::Text:
      case SpanKind::Code: {
        std::string text = nodeText(node);
        std::size_t a = utf8Offset(text, from), b = utf8Offset(text, to);
        text.erase(a, b - a);
        if (text.empty()) {
          pugi::xml_node run = node.parent();
          model_.removeNode(node);
          removeEmpty(run);
        } else {
          setText(node, text);
        }
        break;
      }
      case SpanKind::SimpleCode: {
        if (ix.fields[static_cast<std::size_t>(span.field)].begin >= start) break;
        std::string code = span.text;
        code.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
        node.attribute("w:instr").set_value(runtime::cp1252ToUtf8(code).c_str());
        break;
      }
      case SpanKind::FieldBegin:
      case SpanKind::FieldSeparator:
      case SpanKind::FieldEnd:
        if (is(node, "w:fldSimple")) {
          if (span.kind == SpanKind::FieldBegin) model_.removeNode(node);
          break;
        }
        [[fallthrough]];
      case SpanKind::Char:
      case SpanKind::Object: {
        pugi::xml_node run = node.parent();
        model_.removeNode(node);
        removeEmpty(run);
        break;
      }
      case SpanKind::Paragraph: {
        pugi::xml_node next = node.next_sibling();
        while (next && !isAny(next, {"w:p", "w:tbl", "w:sdt"})) next = next.next_sibling();
        if (!is(next, "w:p") || node.child("w:pPr").child("w:sectPr")) break;
        // The text joins the following paragraph, which keeps its own properties (as in Word).
        pugi::xml_node first = next.first_child();
        while (first && is(first, "w:pPr")) first = first.next_sibling();
        for (pugi::xml_node child = node.first_child(); child;) {
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
        model_.removeNode(node);
        break;
      }
      case SpanKind::CellEnd:
      case SpanKind::RowEnd:
        break;
    }
  }
  for (auto tbl : doomedTables) model_.removeNode(tbl);
  changed();
  return start;
}

namespace {

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

}  // namespace

pugi::xml_node Story::runBefore(long position) {
  Index& ix = index();
  if (position >= ix.length) position = ix.length - 1;
  int a = spanAt(position);
  int b = position > 0 ? spanAt(position - 1) : -1;
  if (a < 0) throw notAvailable("no text can be inserted here");
  const Span& A = ix.spans[static_cast<std::size_t>(a)];
  const Span* B = b >= 0 ? &ix.spans[static_cast<std::size_t>(b)] : nullptr;
  auto runLevel = [](const Span& s) {
    return (s.kind == SpanKind::Text || s.kind == SpanKind::Code || s.kind == SpanKind::Char ||
            s.kind == SpanKind::Object || s.kind == SpanKind::FieldBegin ||
            s.kind == SpanKind::FieldSeparator || s.kind == SpanKind::FieldEnd) &&
           !is(s.node, "w:fldSimple");
  };
  if (B &&
      (B->kind == SpanKind::SimpleCode || (B->kind == SpanKind::FieldBegin && is(B->node, "w:fldSimple")))) {
    throw notAvailable("a simple field's code cannot hold a field");
  }
  if (B && runLevel(*B)) {
    pugi::xml_node item = B->node;
    long offset = position - B->start;  // characters of B's node before the point
    if ((B->kind == SpanKind::Text || B->kind == SpanKind::Code) && offset < B->length) {
      std::string text = nodeText(item);
      std::size_t cut = utf8Offset(text, offset);
      pugi::xml_node rest = item.parent().insert_copy_after(item, item);
      setText(item, text.substr(0, cut));
      setText(rest, text.substr(cut));
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
  switch (A.kind) {
    case SpanKind::Paragraph:
    case SpanKind::CellEnd:
      return newRunLike(A.node, pugi::xml_node(), false, A.node.child("w:pPr"));
    case SpanKind::RowEnd:
      throw notAvailable("no text can be inserted at the end of a table row");
    case SpanKind::SimpleCode:
      throw notAvailable("a simple field's code cannot hold a field");
    default:
      break;
  }
  if (is(A.node, "w:fldSimple")) return newRunLike(A.node.parent(), A.node, true, pugi::xml_node());
  pugi::xml_node run = ancestorRun(A.node);
  return newRunLike(run.parent(), run, true, run);
}

long Story::insert(long position, const std::string& text) {
  long inserted = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\t' || c == '\v' || c == '\n') {
      pugi::xml_node run = runBefore(position + inserted);
      if (c == '\t') {
        run.append_child("w:tab");
      } else if (c == '\v' || c == '\n') {
        run.append_child("w:br");
      } else {
        // A new paragraph before the point takes what precedes it.
        pugi::xml_node p = run.parent();
        if (!is(p, "w:p")) throw notAvailable("a paragraph cannot be split here");
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
        model_.removeNode(run);
      }
      changed();
      ++inserted;
      ++i;
      continue;
    }
    std::size_t j = text.find_first_of("\r\t\v\n", i);
    if (j == std::string::npos) j = text.size();
    std::string piece = text.substr(i, j - i);
    long at = position + inserted;
    Index& ix = index();
    int b = at > 0 ? spanAt(at - 1) : -1;
    int a = spanAt(std::min(at, ix.length - 1));
    auto chars = [&](int s) {
      return s >= 0 && (ix.spans[static_cast<std::size_t>(s)].kind == SpanKind::Text ||
                        ix.spans[static_cast<std::size_t>(s)].kind == SpanKind::Code);
    };
    std::string utf8 = runtime::cp1252ToUtf8(piece);
    if (chars(b) || (chars(a) && at < ix.length)) {
      int hostIndex = chars(b) ? b : a;
      const Span& host = ix.spans[static_cast<std::size_t>(hostIndex)];
      std::string current = nodeText(host.node);
      current.insert(utf8Offset(current, at - host.start), utf8);
      setText(host.node, current);
      retext(hostIndex);
      inserted += static_cast<long>(piece.size());
      i = j;
      continue;
    } else if (b >= 0 && (ix.spans[static_cast<std::size_t>(b)].kind == SpanKind::SimpleCode ||
                          (ix.spans[static_cast<std::size_t>(b)].kind == SpanKind::FieldBegin &&
                           is(ix.spans[static_cast<std::size_t>(b)].node, "w:fldSimple")))) {
      // Inside the code of a simple field: its instruction attribute.
      const Span& before = ix.spans[static_cast<std::size_t>(b)];
      std::string code = runtime::utf8ToCp1252(before.node.attribute("w:instr").value());
      std::size_t offset =
          before.kind == SpanKind::SimpleCode ? static_cast<std::size_t>(at - before.start) : 0;
      code.insert(std::min(offset, code.size()), piece);
      before.node.attribute("w:instr").set_value(runtime::cp1252ToUtf8(code).c_str());
    } else {
      bool code = b >= 0 && ix.spans[static_cast<std::size_t>(b)].codeAfter;
      pugi::xml_node run = runBefore(at);
      setText(run.append_child(code ? "w:instrText" : "w:t"), utf8);
    }
    changed();
    inserted += static_cast<long>(piece.size());
    i = j;
  }
  return inserted;
}

pugi::xml_node Story::insertField(long position, const std::string& code, const std::string& result) {
  pugi::xml_node run = runBefore(position);
  pugi::xml_node begin = run.append_child("w:fldChar");
  begin.append_attribute("w:fldCharType") = "begin";
  pugi::xml_node last = run;
  auto next = [&](const char* element) {
    last = newRunLike(run.parent(), last, false, run);
    return last.append_child(element);
  };
  setText(next("w:instrText"), runtime::cp1252ToUtf8(code));
  next("w:fldChar").append_attribute("w:fldCharType") = "separate";
  if (!result.empty()) setText(next("w:t"), runtime::cp1252ToUtf8(result));
  next("w:fldChar").append_attribute("w:fldCharType") = "end";
  changed();
  return begin;
}

}  // namespace tw::engine::model
