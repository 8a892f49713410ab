#pragma once

// A story: one linear stretch of text in Word's sense (the main text, a header, a footer, the
// footnotes, a text box). Its DOM subtree is the truth; the index maps Word's character positions onto
// it (one position per character, tab, break, paragraph mark, field mark, cell and row end mark and
// inline object). The index is built on first use and patched where the story's own edits happen, so an
// edit costs time in proportion to what it touches (and the logarithm of the story's size).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace tw::engine::model {

class DocumentModel;

// A node handed out to an object-model handle. It dies when the node leaves the document, so the
// handle can report "object has been deleted" instead of touching freed memory.
struct Anchor {
  pugi::xml_node node;
  bool alive = true;
};

// A stretch of a story that moves with its edits the way a Word range does: an edit before it shifts
// it, one inside it grows or shrinks it, deleting what it covers collapses it. Text inserted at its start
// lands before it, text inserted at its end after it; an insertion point moves behind inserted text.
struct Mark {
  long start = 0;
  long end = 0;
};

enum class StoryKind { Main, Footnotes, Endnotes, Header, Footer, TextBox };

enum class SpanKind : std::uint8_t {
  Text,            // characters of a w:t / w:delText
  Code,            // characters of a w:instrText / w:delInstrText
  SimpleCode,      // the w:instr attribute of a w:fldSimple
  Char,            // one character element: tab, break, symbol, note reference
  Object,          // an inline picture or object
  FieldBegin,      // node: w:fldChar, or the w:fldSimple
  FieldSeparator,  // as FieldBegin
  FieldEnd,        // as FieldBegin
  Paragraph,       // node: the w:p
  CellEnd,         // node: the w:p that ends the cell
  RowEnd,          // node: the w:tr
};

struct Span {
  long start = 0;
  long length = 0;
  SpanKind kind = SpanKind::Text;
  pugi::xml_node node;
  std::string text;        // Windows-1252, `length` characters (marks: their character)
  bool codeAfter = false;  // the position after this span lies in a field code
};

struct FieldInfo {
  long begin = 0;
  long separator = -1;  // -1: the field has no result part
  long end = 0;
  pugi::xml_node beginNode;  // w:fldChar begin, or the w:fldSimple
  pugi::xml_node endNode;    // w:fldChar end, or the w:fldSimple; empty when the field has no end
  bool simple = false;
  bool inCode = false;  // nested inside another field's code
};

// A floating shape of the story (drawing anchor, VML shape, alternate content) with its text box.
struct ShapeInfo {
  pugi::xml_node node;
  pugi::xml_node textBox;  // the w:txbxContent Word shows; empty when the shape has no text frame
  pugi::xml_node mirror;   // the fallback copy of the text box, kept equal to textBox
};

struct InlineObjectInfo {
  pugi::xml_node node;  // w:drawing, w:pict or w:object, or the mc:AlternateContent around one
  long position = 0;
};

class Story {
 public:
  Story(DocumentModel& model, StoryKind kind, std::string part, std::shared_ptr<Anchor> root,
        pugi::xml_node mirror = {});
  ~Story();

  StoryKind kind() const { return kind_; }
  const std::string& part() const { return part_; }
  bool alive() const { return root_->alive; }
  pugi::xml_node root() const { return root_->node; }
  DocumentModel& model() const { return model_; }

  // The number of positions.
  long length();
  // The whole layout in document order (a copy: walking it costs the story's size).
  std::vector<Span> spans();
  std::vector<FieldInfo> fields();
  const std::vector<ShapeInfo>& shapes();
  std::vector<InlineObjectInfo> inlineObjects();
  // The top-level tables (not inside another table) that have rows.
  const std::vector<pugi::xml_node>& tables();
  // The rows of a table of this story (looking through content controls), by index (0-based).
  long rowCount(pugi::xml_node table);
  pugi::xml_node rowAt(pugi::xml_node table, long index);
  // The table row whose row end mark stands at `position`, or an empty node.
  pugi::xml_node rowEndingAt(long position);
  // Start and end positions of a paragraph, table, row or cell node of this story.
  std::pair<long, long> extent(pugi::xml_node node);
  // The field whose begin node is `beginNode`, if it is in the story.
  std::optional<FieldInfo> field(pugi::xml_node beginNode);
  // Fields lying wholly inside [start, end), by their begin mark: how many, and the one at `index` (0-based).
  long fieldCount(long start, long end);
  std::optional<FieldInfo> fieldAt(long start, long end, long index);

  // The text of [start, end): field codes with their marks when `showCodes`, else results only.
  // With `onePerPosition`, every position gives exactly one character (cell and row ends give BEL).
  std::string text(long start, long end, bool showCodes, bool onePerPosition = false);
  // Deletes [start, end) the way Word does (a field partly covered goes as a whole; cell and row marks
  // stay) and returns the position where the deleted stretch was.
  long erase(long start, long end);
  // Inserts Windows-1252 text before `position` (CR starts a new paragraph, TAB and VT are a tab and a
  // line break); returns the number of positions inserted.
  long insert(long position, const std::string& text);
  // Inserts a complex field with `code` and `result` before `position`; returns its begin node.
  pugi::xml_node insertField(long position, const std::string& code, const std::string& result);
  // Takes into the index a table row, table or paragraph outside cells that was just added to the DOM.
  void inserted(pugi::xml_node block);

  // A stretch that follows the edits of this story from now on.
  std::shared_ptr<Mark> track(long start, long end);

  // Drops the index and marks the part changed; called after an edit made on the DOM directly.
  void changed();
  // Frees the index, to be built anew when next used: for a story that will not be read for a while.
  void releaseIndex();
  // The document is going away: the story is dead from now on and its index is freed, also while
  // handles still hold the story.
  void detach();

  struct Index;

 private:
  Index& index();
  // A new empty run at `position`, splitting the run there; it copies its neighbour's run properties.
  pugi::xml_node runBefore(long position);
  // The steps of `insert`: a tab, line break or paragraph mark (`c` as `insert` takes it), and a stretch
  // of Windows-1252 text without them, both before `at`.
  void insertBreak(long at, char c);
  void insertChars(long at, const std::string& chars);
  // [at, at + removed) went and `inserted` positions came at `at`: tracked stretches follow.
  void shift(long at, long removed, long inserted);
  // Keeps the fallback copy of a text box equal and marks the part changed.
  void touched();
  // The erase of a stretch holding paragraph, cell or row marks: done on the DOM, then indexed anew.
  void eraseBlocks(long start, long end);

  DocumentModel& model_;
  StoryKind kind_;
  std::string part_;
  std::shared_ptr<Anchor> root_;
  pugi::xml_node mirror_;
  std::unique_ptr<Index> index_;
  std::vector<std::weak_ptr<Mark>> marks_;
  std::size_t marksAfterSweep_ = 0;
};

}  // namespace tw::engine::model
