#include "engine/model/story.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory_resource>
#include <unordered_map>
#include <unordered_set>

#include "engine/errors.h"
#include "engine/model/document_model.h"
#include "engine/model/piece_tree.h"
#include "engine/model/wrappers.h"
#include "runtime/codepage.h"

namespace tw::engine::model {
namespace {

bool is(pugi::xml_node node, const char* name) {
  return std::strcmp(node.name(), name) == 0;
}

bool isAny(pugi::xml_node node, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* name) { return is(node, name); });
}

// Elements that hold paragraphs, tables, rows or cells (and never stand inside a paragraph).
bool isBlockContainer(pugi::xml_node node) {
  return isAny(node, {"w:tbl", "w:tr", "w:tc", "w:sdt", "w:sdtContent", "w:customXml", "w:ins", "w:del",
                      "w:moveTo", "w:moveFrom"});
}

bool isTerminator(SpanKind kind) {
  return kind == SpanKind::Paragraph || kind == SpanKind::CellEnd || kind == SpanKind::RowEnd;
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
  // How far info() counts on from a field's begin before it asks the tree for the other marks.
  static constexpr int kFieldSteps = 8;

  PieceTree pieces;
  // The maps' entries come from one arena: made side by side, and dropped at once with the index (an
  // entry erased by an edit leaves its room until then).
  std::pmr::monotonic_buffer_resource arena;
  std::pmr::unordered_map<pugi::xml_node_struct*, FieldRec*> fields{&arena};  // by begin node
  std::deque<FieldRec> fieldRecords;  // the records `fields` points to, kept together
  std::pmr::unordered_map<pugi::xml_node_struct*, Piece*> terminators{&arena};  // a w:p or w:tr, its mark
  std::pmr::unordered_set<Piece*> objects{&arena};
  std::vector<ShapeInfo> shapes;
  std::vector<pugi::xml_node> tables;  // top-level tables with rows
  std::pmr::unordered_map<pugi::xml_node_struct*, bool> nestsTables{&arena};

  // A new field record, found by its begin node.
  FieldRec* addField(pugi::xml_node beginNode) {
    FieldRec* field = &fieldRecords.emplace_back();
    field->beginNode = beginNode;
    fields[beginNode.internal_object()] = field;
    return field;
  }
  Piece* terminator(pugi::xml_node node) const {
    auto it = terminators.find(node.internal_object());
    return it == terminators.end() ? nullptr : it->second;
  }
  long position(const Piece* piece) const { return pieces.position(piece); }
  long endOf(const FieldRec& field) const {
    return field.end ? position(field.end) : std::max(0L, pieces.length() - 1);
  }
  FieldInfo info(const FieldRec& field) const {
    FieldInfo out;
    out.begin = position(field.begin);
    // A field's separator and end mostly follow its begin within a few pieces: counted on from the begin
    // they cost a step each, where a walk up the tree from each costs its depth in cache misses.
    long separator = -1;
    long end = -1;
    long at = out.begin;
    const Piece* piece = field.begin;
    for (int steps = 0; piece && end < 0 && steps < kFieldSteps; ++steps) {
      if (piece == field.separator) separator = at;
      if (piece == field.end) end = at;
      at += piece->length;
      piece = pieces.next(piece);
    }
    out.separator = !field.separator ? -1 : separator >= 0 ? separator : position(field.separator);
    out.end = end >= 0 ? end : endOf(field);
    out.beginNode = field.beginNode;
    out.endNode = field.end ? field.end->node : pugi::xml_node();
    out.simple = field.simple;
    out.inCode = field.inCode;
    return out;
  }
  // The piece before `position`: the one holding position - 1.
  Piece* before(long position) const { return position > 0 ? pieces.at(position - 1) : nullptr; }
  // The first and last paragraph or row mark of a paragraph, row, cell or table, in document order.
  Piece* firstTerminator(pugi::xml_node node) const {
    if (is(node, "w:p")) return terminator(node);
    if (isBlockContainer(node)) {
      for (auto child : node.children()) {
        if (Piece* found = firstTerminator(child)) return found;
      }
    }
    return is(node, "w:tr") ? terminator(node) : nullptr;
  }
  Piece* lastTerminator(pugi::xml_node node) const {
    if (is(node, "w:p") || is(node, "w:tr")) return terminator(node);
    if (!isBlockContainer(node)) return nullptr;
    for (auto child = node.last_child(); child; child = child.previous_sibling()) {
      if (Piece* found = lastTerminator(child)) return found;
    }
    return nullptr;
  }
  // Where the content of `mark`'s paragraph (or of the block that begins with it) starts.
  long startBefore(const Piece* mark) const {
    for (const Piece* p = pieces.previous(mark); p; p = pieces.previous(p)) {
      if (isTerminator(p->kind)) return position(p) + p->length;
    }
    return 0;
  }
};

namespace {

// Walks a story's DOM (or a block just added to it) in document order and lays out its pieces.
class IndexBuilder {
 public:
  // `context` and `codeAfter`: the field open where the walk starts, as the piece before it says.
  IndexBuilder(Story::Index& index, FieldRec* context, bool codeAfter) : ix_(index) {
    if (context) stack_.push_back({context, codeAfter, true});
  }

  std::vector<Piece*> pieces;
  bool broken = false;      // the walked block closes a field opened before it, or leaves one open
  bool structural = false;  // the walked block holds tables or floating shapes

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
    // A field without an end runs to the end of the story.
  }

  // One table row, or a paragraph outside table cells.
  void part(pugi::xml_node node) {
    if (is(node, "w:tr")) {
      row(node);
    } else if (is(node, "w:p")) {
      paragraph(node);
    } else {
      structural = true;
    }
    broken = broken || stack_.size() != (stack_.empty() || !stack_.front().outer ? 0 : 1);
  }

 private:
  struct Open {
    FieldRec* field;
    bool code;   // the walk is in the field's code
    bool outer;  // opened before the walked block
  };

  Piece* emit(SpanKind kind, pugi::xml_node node, std::string text, long length, FieldRec* field = nullptr) {
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
  Piece* mark(SpanKind kind, pugi::xml_node node, char c, FieldRec* field = nullptr) {
    return emit(kind, node, std::string(1, c), 1, field);
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
    inlines(p);
    Piece* piece = p == cellEnd_ ? emit(SpanKind::CellEnd, p, "\r\a", 1) : mark(SpanKind::Paragraph, p, '\r');
    ix_.terminators[p.internal_object()] = piece;
  }

  void table(pugi::xml_node tbl) {
    structural = true;
    bool top = tableDepth_ == 0;
    long rowsBefore = rows_;
    ++tableDepth_;
    rows(tbl);
    --tableDepth_;
    if (top && rows_ > rowsBefore) ix_.tables.push_back(tbl);
  }

  void rows(pugi::xml_node container) {
    forEachWrapped(container, "w:tr", [this](pugi::xml_node tr) { row(tr); });
  }

  void row(pugi::xml_node tr) {
    cells(tr);
    ix_.terminators[tr.internal_object()] = emit(SpanKind::RowEnd, tr, "\r\a", 1);
    ++rows_;
  }

  void cells(pugi::xml_node container) {
    forEachWrapped(container, "w:tc", [this](pugi::xml_node tc) { cell(tc); });
  }

  void cell(pugi::xml_node tc) {
    pugi::xml_node saved = cellEnd_;
    cellEnd_ = {};
    for (auto child : tc.children("w:p")) cellEnd_ = child;
    block(tc);
    cellEnd_ = saved;
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
      } else if (isAny(child, {"w:drawing", "w:pict", "w:object", "mc:AlternateContent"})) {
        object(child);
      }
    }
  }

  FieldRec* open(pugi::xml_node node, bool simple) {
    FieldRec* field = ix_.addField(node);
    field->simple = simple;
    if (!stack_.empty()) {
      field->parent = stack_.back().field;
      field->inCode = stack_.back().code || stack_.back().field->inCode;
    }
    stack_.push_back({field, true, false});
    field->begin = mark(SpanKind::FieldBegin, node, 19, field);
    return field;
  }

  void fieldChar(pugi::xml_node node) {
    std::string type = node.attribute("w:fldCharType").value();
    if (type == "begin") {
      open(node, false);
    } else if (type == "separate") {
      if (stack_.empty() || !stack_.back().code) {
        mark(SpanKind::Char, node, 20);
        return;
      }
      if (stack_.back().outer) broken = true;
      stack_.back().code = false;
      stack_.back().field->separator = mark(SpanKind::FieldSeparator, node, 20, stack_.back().field);
    } else if (type == "end") {
      if (stack_.empty()) {
        mark(SpanKind::Char, node, 21);
        return;
      }
      if (stack_.back().outer) broken = true;
      FieldRec* field = stack_.back().field;
      stack_.pop_back();
      field->end = mark(SpanKind::FieldEnd, node, 21, field);
    }
  }

  void simpleField(pugi::xml_node node) {
    FieldRec* field = open(node, true);
    std::string code = runtime::utf8ToCp1252(node.attribute("w:instr").value());
    long n = static_cast<long>(code.size());
    emit(SpanKind::SimpleCode, node, std::move(code), n, field);
    stack_.back().code = false;
    field->separator = mark(SpanKind::FieldSeparator, node, 20, field);
    inlines(node);
    stack_.pop_back();
    field->end = mark(SpanKind::FieldEnd, node, 21, field);
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
      structural = true;
      ix_.shapes.push_back(
          {node, textBox, fallback ? fallback.find_node(named("w:txbxContent")) : pugi::xml_node()});
    } else {
      ix_.objects.insert(mark(SpanKind::Object, node, 1));
    }
  }

  Story::Index& ix_;
  std::vector<Open> stack_;
  pugi::xml_node cellEnd_;
  int tableDepth_ = 0;
  long rows_ = 0;
};

// Windows-1252 text of a piece's node, as the index holds it.
std::string pieceText(const Piece& piece) {
  if (piece.kind == SpanKind::SimpleCode)
    return runtime::utf8ToCp1252(piece.node.attribute("w:instr").value());
  return runtime::utf8ToCp1252(nodeText(piece.node));
}

}  // namespace

Story::Story(DocumentModel& model, StoryKind kind, std::string part, std::shared_ptr<Anchor> root,
             pugi::xml_node mirror)
    : model_(model), kind_(kind), part_(std::move(part)), root_(std::move(root)), mirror_(mirror) {}

Story::~Story() = default;

void Story::releaseIndex() {
  index_.reset();
}

void Story::detach() {
  root_->alive = false;
  index_.reset();
  marks_.clear();
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

long Story::length() {
  return index().pieces.length();
}

std::vector<Span> Story::spans() {
  Index& ix = index();
  std::vector<Span> out;
  long position = 0;
  for (const Piece* piece = ix.pieces.first(); piece; piece = ix.pieces.next(piece)) {
    out.push_back({position, piece->length, piece->kind, piece->node, piece->text, piece->codeAfter});
    position += piece->length;
  }
  return out;
}

std::vector<FieldInfo> Story::fields() {
  Index& ix = index();
  std::vector<FieldInfo> out;
  const Piece* piece = ix.pieces.nth(Tally::FieldBegin, 0);
  // One walk in document order counts the positions as it goes, rather than asking the tree for the
  // three marks of every field; `open` holds the fields begun whose end is still ahead, innermost last.
  std::vector<std::pair<const FieldRec*, std::size_t>> open;
  auto entryOf = [&](const FieldRec* field) -> FieldInfo* {
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
      if (it->first == field) return &out[it->second];
    }
    return nullptr;
  };
  for (long position = piece ? ix.position(piece) : 0; piece;
       position += piece->length, piece = ix.pieces.next(piece)) {
    const FieldRec* field = piece->field;
    if (!field) continue;
    if (piece->kind == SpanKind::FieldBegin) {
      FieldInfo info;
      info.begin = position;
      info.end = -1;  // set at its end mark
      info.beginNode = field->beginNode;
      info.endNode = field->end ? field->end->node : pugi::xml_node();
      info.simple = field->simple;
      info.inCode = field->inCode;
      open.emplace_back(field, out.size());
      out.push_back(info);
    } else if (piece->kind == SpanKind::FieldSeparator && field->separator == piece) {
      if (FieldInfo* info = entryOf(field)) info->separator = position;
    } else if (piece->kind == SpanKind::FieldEnd && field->end == piece) {
      if (FieldInfo* info = entryOf(field)) info->end = position;
      std::erase_if(open, [&](const auto& entry) { return entry.first == field; });
    }
  }
  // A field without an end runs to the end of the story.
  for (const auto& [field, entry] : open) {
    if (out[entry].end < 0) out[entry] = ix.info(*field);
  }
  return out;
}

const std::vector<ShapeInfo>& Story::shapes() {
  return index().shapes;
}

std::vector<InlineObjectInfo> Story::inlineObjects() {
  Index& ix = index();
  std::vector<InlineObjectInfo> out;
  for (const Piece* piece : ix.objects) out.push_back({piece->node, ix.position(piece)});
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.position < b.position; });
  return out;
}

const std::vector<pugi::xml_node>& Story::tables() {
  return index().tables;
}

pugi::xml_node Story::rowEndingAt(long position) {
  if (position < 0 || position >= length()) return {};
  Piece* piece = index().pieces.at(position);
  return piece && piece->kind == SpanKind::RowEnd ? piece->node : pugi::xml_node();
}

std::pair<long, long> Story::extent(pugi::xml_node node) {
  Index& ix = index();
  Piece* last = ix.lastTerminator(node);
  if (!last) {
    // A cell without a paragraph stands, empty, where the content after it begins.
    if (is(node, "w:tc")) {
      Piece* after = nullptr;
      for (auto next = node.next_sibling(); next && !after; next = next.next_sibling())
        after = ix.firstTerminator(next);
      if (!after) after = ix.terminator(node.parent());
      if (after) {
        long start = ix.startBefore(after);
        return {start, start};
      }
    }
    throw objectDeleted();
  }
  return {ix.startBefore(ix.firstTerminator(node)), ix.position(last) + 1};
}

namespace {

// The rows of a table: the rank of its first row mark among the story's row marks and the number of its
// rows. A table without tables inside has its rows' marks in a row, so they are counted in the index.
struct TableRows {
  long first = 0;
  long count = 0;
  bool nested = false;  // the table holds tables: its rows are looked up in the DOM
};

TableRows tableRows(Story::Index& ix, pugi::xml_node table) {
  auto [entry, added] = ix.nestsTables.try_emplace(table.internal_object(), false);
  if (added)
    entry->second = static_cast<bool>(table.find_node([](pugi::xml_node n) { return is(n, "w:tbl"); }));
  if (entry->second) return {0, static_cast<long>(wrappedChildren(table, "w:tr").size()), true};
  Piece* first = ix.firstTerminator(table);
  Piece* last = ix.lastTerminator(table);
  if (!first || !last) return {};
  long before = ix.pieces.countBefore(Tally::RowEnd, ix.startBefore(first));
  return {before, ix.pieces.countBefore(Tally::RowEnd, ix.position(last) + 1) - before, false};
}

}  // namespace

long Story::rowCount(pugi::xml_node table) {
  return tableRows(index(), table).count;
}

pugi::xml_node Story::rowAt(pugi::xml_node table, long index) {
  Index& ix = this->index();
  TableRows rows = tableRows(ix, table);
  if (index < 0 || index >= rows.count) return {};
  if (rows.nested) return wrappedChildren(table, "w:tr")[static_cast<std::size_t>(index)];
  Piece* mark = ix.pieces.nth(Tally::RowEnd, rows.first + index);
  return mark ? mark->node : pugi::xml_node();
}

std::optional<FieldInfo> Story::field(pugi::xml_node beginNode) {
  Index& ix = index();
  auto it = ix.fields.find(beginNode.internal_object());
  if (it == ix.fields.end()) return std::nullopt;
  return ix.info(*it->second);
}

namespace {

// The fields of [start, end) by their begin marks: those beginning inside, less those that run past the
// end (the fields open at the end, a nested chain).
struct FieldWindow {
  long first = 0;  // rank of the first field beginning at or after start
  long past = 0;   // rank past the last field beginning before end
  std::vector<long> excluded;

  FieldWindow(const Story::Index& ix, long start, long end) {
    first = ix.pieces.countBefore(Tally::FieldBegin, start);
    past = ix.pieces.countBefore(Tally::FieldBegin, end);
    const Piece* last = ix.before(end);
    for (const FieldRec* f = last ? last->context : nullptr; f; f = f->parent) {
      long begin = ix.position(f->begin);
      if (begin >= start && ix.endOf(*f) >= end)
        excluded.push_back(ix.pieces.countBefore(Tally::FieldBegin, begin));
    }
    std::sort(excluded.begin(), excluded.end());
  }
  long count() const { return past - first - static_cast<long>(excluded.size()); }
  long rank(long index) const {
    long rank = first + index;
    for (long skipped : excluded) {
      if (skipped <= rank) ++rank;
    }
    return rank;
  }
};

}  // namespace

long Story::fieldCount(long start, long end) {
  Index& ix = index();
  start = std::clamp(start, 0L, ix.pieces.length());
  end = std::clamp(end, start, ix.pieces.length());
  return FieldWindow(ix, start, end).count();
}

std::optional<FieldInfo> Story::fieldAt(long start, long end, long index) {
  Index& ix = this->index();
  start = std::clamp(start, 0L, ix.pieces.length());
  end = std::clamp(end, start, ix.pieces.length());
  FieldWindow window(ix, start, end);
  if (index < 0 || index >= window.count()) return std::nullopt;
  return ix.info(*ix.pieces.nth(Tally::FieldBegin, window.rank(index))->field);
}

std::shared_ptr<Mark> Story::track(long start, long end) {
  if (marks_.size() > 2 * marksAfterSweep_ + 64) {
    std::erase_if(marks_, [](const auto& mark) { return mark.expired(); });
    marksAfterSweep_ = marks_.size();
  }
  auto mark = std::make_shared<Mark>(Mark{start, end});
  marks_.push_back(mark);
  return mark;
}

void Story::shift(long at, long removed, long inserted) {
  std::erase_if(marks_, [&](const std::weak_ptr<Mark>& weak) {
    auto mark = weak.lock();
    if (!mark) return true;
    bool point = mark->start == mark->end;
    auto move = [&](long& boundary, bool isStart) {
      if (removed > 0) {
        if (boundary >= at + removed) {
          boundary -= removed;
        } else if (boundary > at) {
          boundary = at;
        }
      }
      if (inserted > 0 && (boundary > at || (boundary == at && (isStart || point)))) boundary += inserted;
    };
    move(mark->start, true);
    move(mark->end, false);
    return false;
  });
  marksAfterSweep_ = marks_.size();
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

std::string Story::text(long start, long end, bool showCodes, bool onePerPosition) {
  Index& ix = index();
  start = std::clamp(start, 0L, ix.pieces.length());
  end = std::clamp(end, start, ix.pieces.length());
  std::vector<bool> hidden;
  if (!showCodes) {
    hidden.assign(static_cast<std::size_t>(end - start), false);
    auto hide = [&](long from, long to) {  // inclusive
      for (long p = from; p <= to; ++p) hidden[static_cast<std::size_t>(p - start)] = true;
    };
    long first = ix.pieces.countBefore(Tally::FieldBegin, start);
    long past = ix.pieces.countBefore(Tally::FieldBegin, end);
    for (long n = first; n < past; ++n) {
      FieldInfo f = ix.info(*ix.pieces.nth(Tally::FieldBegin, n)->field);
      if (f.inCode || f.end >= end) continue;
      hide(f.begin, f.separator >= 0 ? f.separator : f.end);
      hide(f.end, f.end);
    }
  }
  std::string out;
  const Piece* piece = ix.pieces.at(start);
  long pieceStart = piece ? ix.position(piece) : end;
  for (; piece && pieceStart < end; pieceStart += piece->length, piece = ix.pieces.next(piece)) {
    long from = std::max(start, pieceStart);
    long to = std::min(end, pieceStart + piece->length);
    bool chars =
        piece->kind == SpanKind::Text || piece->kind == SpanKind::Code || piece->kind == SpanKind::SimpleCode;
    if (chars && hidden.empty()) {
      out.append(piece->text, static_cast<std::size_t>(from - pieceStart),
                 static_cast<std::size_t>(to - from));
      continue;
    }
    for (long p = from; p < to; ++p) {
      if (!hidden.empty() && hidden[static_cast<std::size_t>(p - start)]) continue;
      if (chars) {
        out += piece->text[static_cast<std::size_t>(p - pieceStart)];
      } else if (onePerPosition) {
        out += piece->text.back();
      } else {
        out += piece->text;
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
  start = std::clamp(start, 0L, ix.pieces.length());
  end = std::clamp(end, start, ix.pieces.length());
  if (start == end) return start;
  // A field partly covered goes as a whole: those beginning inside and running past the end, and those
  // open at the start whose separator or end lies inside.
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
  // The pieces covered, with their starts.
  std::vector<std::pair<Piece*, long>> covered;
  Piece* piece = ix.pieces.at(start);
  long at = piece ? ix.position(piece) : end;
  while (piece && at < end) {
    if (isTerminator(piece->kind)) {
      eraseBlocks(start, end);
      return start;
    }
    covered.emplace_back(piece, at);
    at += piece->length;
    piece = ix.pieces.next(piece);
  }
  bool reindex = false;
  for (auto it = covered.rbegin(); it != covered.rend(); ++it) {
    auto [span, spanStart] = *it;
    long from = std::max(start, spanStart) - spanStart;
    long to = std::min(end, spanStart + span->length) - spanStart;
    pugi::xml_node node = span->node;
    bool whole = from == 0 && to == span->length;
    switch (span->kind) {
      case SpanKind::Text:
      case SpanKind::Code:
        if (whole) {
          pugi::xml_node run = node.parent();
          model_.removeNode(node);
          removeEmpty(run);
        } else {
          std::string text = nodeText(node);
          std::size_t a = utf8Offset(text, from), b = utf8Offset(text, to);
          text.erase(a, b - a);
          setText(node, text);
          span->text.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
          ix.pieces.resize(span, span->length - (to - from));
          continue;
        }
        break;
      case SpanKind::SimpleCode:
        if (ix.position(span->field->begin) >= start) break;  // the whole simple field goes
        span->text.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
        node.attribute("w:instr").set_value(runtime::cp1252ToUtf8(span->text).c_str());
        if (!span->text.empty()) {
          ix.pieces.resize(span, span->length - (to - from));
          continue;
        }
        break;
      case SpanKind::FieldBegin:
      case SpanKind::FieldSeparator:
      case SpanKind::FieldEnd:
        if (span->kind == SpanKind::FieldBegin && span->field) {
          ix.fields.erase(span->field->beginNode.internal_object());
          span->field = nullptr;
        }
        if (is(node, "w:fldSimple")) {
          if (span->kind == SpanKind::FieldBegin) {
            // Floating shapes inside go with it: the shape list is made anew.
            reindex = reindex || std::any_of(ix.shapes.begin(), ix.shapes.end(), [&](const ShapeInfo& s) {
                        for (auto up = s.node; up; up = up.parent()) {
                          if (up == node) return true;
                        }
                        return false;
                      });
            model_.removeNode(node);
          }
          break;
        }
        [[fallthrough]];
      case SpanKind::Char:
      case SpanKind::Object: {
        ix.objects.erase(span);
        pugi::xml_node run = node.parent();
        model_.removeNode(node);
        removeEmpty(run);
        break;
      }
      case SpanKind::Paragraph:
      case SpanKind::CellEnd:
      case SpanKind::RowEnd:
        break;
    }
    ix.pieces.erase(span);
  }
  shift(start, end - start, 0);
  if (reindex) {
    changed();
  } else {
    touched();
  }
  return start;
}

void Story::eraseBlocks(long start, long end) {
  const long before = length();
  const std::vector<Span> spans = this->spans();
  auto spanAt = [&](long position) -> int {
    auto it = std::upper_bound(spans.begin(), spans.end(), position,
                               [](long p, const Span& span) { return p < span.start; });
    if (it == spans.begin()) return -1;
    --it;
    if (position >= it->start + it->length) return -1;
    return static_cast<int>(it - spans.begin());
  };
  // Tables wholly covered go as a whole; their rows' marks are not left behind.
  std::vector<std::pair<long, long>> tables;
  std::vector<pugi::xml_node> doomedTables;
  {
    std::vector<std::pair<std::pair<long, long>, pugi::xml_node>> candidates;
    std::unordered_set<pugi::xml_node_struct*> seen;
    for (const Span& span : spans) {
      if (span.kind != SpanKind::RowEnd || span.start < start || span.start >= end) continue;
      pugi::xml_node tbl = span.node.parent();
      while (tbl && !is(tbl, "w:tbl")) tbl = tbl.parent();
      if (!tbl || !seen.insert(tbl.internal_object()).second) continue;
      candidates.emplace_back(extent(tbl), tbl);
    }
    std::sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
      return a.first.first != b.first.first ? a.first.first < b.first.first : a.first.second > b.first.second;
    });
    for (const auto& [extent, tbl] : candidates) {
      // Plain copies: clang 14 cannot capture structured bindings in a lambda.
      const long ts = extent.first, te = extent.second;
      bool nested =
          std::any_of(tables.begin(), tables.end(), [&](auto t) { return ts >= t.first && te <= t.second; });
      if (ts >= start && te <= end && !nested) {
        tables.emplace_back(ts, te);
        doomedTables.push_back(tbl);
      }
    }
  }
  auto inDoomedTable = [&](long p) {
    return std::any_of(tables.begin(), tables.end(), [&](auto t) { return p >= t.first && p < t.second; });
  };
  const Index& ix = *index_;
  int last = spanAt(end - 1);
  for (int i = last; i >= 0; --i) {
    const Span& span = spans[static_cast<std::size_t>(i)];
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
  shift(start, before - length(), 0);
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

}  // namespace

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
  if (B &&
      (B->kind == SpanKind::SimpleCode || (B->kind == SpanKind::FieldBegin && is(B->node, "w:fldSimple")))) {
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
  // Every piece of the text lands right after the piece before the point; the index follows each step.
  auto add = [&](long at, SpanKind kind, pugi::xml_node node, std::string chars) {
    Index& ix = *index_;
    Piece* before = ix.before(at);
    Piece* piece = ix.pieces.make(pieceAfter(before, kind, node, std::move(chars)));
    ix.pieces.insertAfter(before, piece);
    return piece;
  };
  try {
    std::size_t i = 0;
    while (i < text.size()) {
      char c = text[i];
      long at = position + inserted;
      if (c == '\r' || c == '\t' || c == '\v' || c == '\n') {
        pugi::xml_node run = runBefore(at);
        if (c == '\t') {
          add(at, SpanKind::Char, run.append_child("w:tab"), "\t");
        } else if (c == '\v' || c == '\n') {
          add(at, SpanKind::Char, run.append_child("w:br"), "\v");
        } else {
          // A new paragraph before the point takes what precedes it.
          pugi::xml_node p = run.parent();
          if (!is(p, "w:p")) {
            model_.removeNode(run);
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
          model_.removeNode(run);
          index_->terminators[front.internal_object()] = add(at, SpanKind::Paragraph, front, "\r");
        }
        ++inserted;
        ++i;
        continue;
      }
      std::size_t j = text.find_first_of("\r\t\v\n", i);
      if (j == std::string::npos) j = text.size();
      std::string piece = text.substr(i, j - i);
      Index& ix = index();
      Piece* b = ix.before(at);
      Piece* a = ix.pieces.at(std::min(at, ix.pieces.length() - 1));
      auto chars = [](const Piece* s) {
        return s && (s->kind == SpanKind::Text || s->kind == SpanKind::Code);
      };
      std::string utf8 = runtime::cp1252ToUtf8(piece);
      if (chars(b) || (chars(a) && at < ix.pieces.length())) {
        Piece* host = chars(b) ? b : a;
        std::string current = nodeText(host->node);
        current.insert(utf8Offset(current, at - ix.position(host)), utf8);
        setText(host->node, current);
        host->text = pieceText(*host);
        ix.pieces.resize(host, static_cast<long>(host->text.size()));
      } else if (b && (b->kind == SpanKind::SimpleCode ||
                       (b->kind == SpanKind::FieldBegin && is(b->node, "w:fldSimple")))) {
        // Inside the code of a simple field: its instruction attribute.
        Piece* code = b->kind == SpanKind::SimpleCode                                ? b
                      : a && a->kind == SpanKind::SimpleCode && a->field == b->field ? a
                                                                                     : nullptr;
        std::string instr = runtime::utf8ToCp1252(b->node.attribute("w:instr").value());
        std::size_t offset = code == b ? static_cast<std::size_t>(at - ix.position(b)) : 0;
        instr.insert(std::min(offset, instr.size()), piece);
        b->node.attribute("w:instr").set_value(runtime::cp1252ToUtf8(instr).c_str());
        if (!code) {
          code = add(at, SpanKind::SimpleCode, b->node, instr);
          code->field = b->field;
        } else {
          code->text = instr;
          ix.pieces.resize(code, static_cast<long>(instr.size()));
        }
      } else {
        bool code = b && b->codeAfter;
        pugi::xml_node run = runBefore(at);
        pugi::xml_node node = run.append_child(code ? "w:instrText" : "w:t");
        setText(node, utf8);
        add(at, code ? SpanKind::Code : SpanKind::Text, node, runtime::utf8ToCp1252(utf8));
      }
      inserted += static_cast<long>(piece.size());
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
  field->begin = add(SpanKind::FieldBegin, begin, "\x13", true, true);
  pugi::xml_node instr = next("w:instrText");
  setText(instr, runtime::cp1252ToUtf8(code));
  add(SpanKind::Code, instr, code, true, true);
  pugi::xml_node separator = next("w:fldChar");
  separator.append_attribute("w:fldCharType") = "separate";
  field->separator = add(SpanKind::FieldSeparator, separator, "\x14", true, false);
  if (!result.empty()) {
    pugi::xml_node t = next("w:t");
    setText(t, runtime::cp1252ToUtf8(result));
    add(SpanKind::Text, t, result, true, false);
  }
  pugi::xml_node end = next("w:fldChar");
  end.append_attribute("w:fldCharType") = "end";
  field->end = add(SpanKind::FieldEnd, end, "\x15", false, false);
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
