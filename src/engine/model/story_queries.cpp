#include <algorithm>

#include "engine/errors.h"
#include "engine/model/story_index.h"
#include "engine/model/wrappers.h"

namespace tw::engine::model {

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

}  // namespace tw::engine::model
