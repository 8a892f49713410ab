#pragma once

// The story's position index and the walk that lays it out, with the DOM helpers the story's files share.
// Private to the story: story.cpp (its life and tracked stretches), story_index.cpp (the walk),
// story_queries.cpp (reading positions) and story_edits.cpp (changing them).

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory_resource>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/model/piece_tree.h"
#include "engine/model/story.h"

namespace tw::engine::model {

// The Windows-1252 control characters Word shows for a story's marks and special characters.
inline constexpr char kObjectChar = 1;         // an inline picture or object
inline constexpr char kNoteReferenceChar = 2;  // a footnote or endnote reference, a note separator
inline constexpr char kCommentReferenceChar = 5;
inline constexpr char kLineBreak = 11;  // a text wrapping break (w:br, w:cr); typed as VT
inline constexpr char kColumnBreak = 14;
inline constexpr char kFieldBeginChar = 19;
inline constexpr char kFieldSeparatorChar = 20;
inline constexpr char kFieldEndChar = 21;
inline constexpr char kNoBreakHyphen = 30;
inline constexpr char kSoftHyphen = 31;
inline constexpr char kSymbolChar = '(';  // a w:sym: Word shows its character as an open parenthesis

inline bool is(pugi::xml_node node, const char* name) {
  return std::strcmp(node.name(), name) == 0;
}

inline bool isAny(pugi::xml_node node, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* name) { return is(node, name); });
}

// Elements that hold paragraphs, tables, rows or cells (and never stand inside a paragraph).
inline bool isBlockContainer(pugi::xml_node node) {
  return isAny(node, {"w:tbl", "w:tr", "w:tc", "w:sdt", "w:sdtContent", "w:customXml", "w:ins", "w:del",
                      "w:moveTo", "w:moveFrom"});
}

inline bool isTerminator(SpanKind kind) {
  return kind == SpanKind::Paragraph || kind == SpanKind::CellEnd || kind == SpanKind::RowEnd;
}

inline std::string nodeText(pugi::xml_node node) {
  return node.child_value();
}

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

// Walks a story's DOM (or a block just added to it) in document order and lays out its pieces.
class IndexBuilder {
 public:
  // `context` and `codeAfter`: the field open where the walk starts, as the piece before it says.
  IndexBuilder(Story::Index& index, FieldRec* context, bool codeAfter);

  std::vector<Piece*> pieces;
  bool broken = false;      // the walked block closes a field opened before it, or leaves one open
  bool structural = false;  // the walked block holds tables or floating shapes

  void story(pugi::xml_node root, StoryKind kind);
  // One table row, or a paragraph outside table cells.
  void part(pugi::xml_node node);

 private:
  struct Open {
    FieldRec* field;
    bool code;   // the walk is in the field's code
    bool outer;  // opened before the walked block
  };

  Piece* emit(SpanKind kind, pugi::xml_node node, std::string text, long length, FieldRec* field = nullptr);
  Piece* mark(SpanKind kind, pugi::xml_node node, char c, FieldRec* field = nullptr);
  void block(pugi::xml_node container);
  void paragraph(pugi::xml_node p);
  void table(pugi::xml_node tbl);
  void rows(pugi::xml_node container);
  void row(pugi::xml_node tr);
  void cells(pugi::xml_node container);
  void cell(pugi::xml_node tc);
  void inlines(pugi::xml_node container);
  void run(pugi::xml_node r);
  FieldRec* open(pugi::xml_node node, bool simple);
  void fieldChar(pugi::xml_node node);
  void simpleField(pugi::xml_node node);
  void object(pugi::xml_node node);

  Story::Index& ix_;
  std::vector<Open> stack_;
  pugi::xml_node cellEnd_;
  int tableDepth_ = 0;
  long rows_ = 0;
};

}  // namespace tw::engine::model
