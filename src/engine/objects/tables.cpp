// Tables, rows and cells of the main text; shapes with their text frames.

#include <cstring>

#include "engine/errors.h"
#include "engine/model/wrappers.h"
#include "engine/objects/handles.h"

namespace tw::engine::objects {
namespace {

bool is(pugi::xml_node node, const char* name) {
  return std::strcmp(node.name(), name) == 0;
}

// A handle on one node of the main text.
class NodeHandle {
 public:
  NodeHandle(DocPtr doc, std::shared_ptr<model::Anchor> anchor)
      : doc_(std::move(doc)), anchor_(std::move(anchor)) {}

 protected:
  pugi::xml_node node() const {
    doc_->live();
    if (!anchor_->alive) throw objectDeleted();
    return anchor_->node;
  }
  model::Story& story() const { return *doc_->live().mainStory(); }
  std::shared_ptr<word::Range> rangeOf(pugi::xml_node n) const {
    auto [start, end] = story().extent(n);
    return makeRange(doc_, doc_->live().mainStory(), start, end);
  }

  DocPtr doc_;
  std::shared_ptr<model::Anchor> anchor_;
};

class CellImpl : public word::Cell, NodeHandle {
 public:
  using NodeHandle::NodeHandle;
  std::shared_ptr<word::Range> Range() override { return rangeOf(node()); }
};

class CellsImpl : public word::Collection<word::Cell>, NodeHandle {
 public:
  using NodeHandle::NodeHandle;
  long Count() override { return static_cast<long>(model::wrappedChildren(node(), "w:tc").size()); }
  std::shared_ptr<word::Cell> Item(long index) override {
    auto list = model::wrappedChildren(node(), "w:tc");
    if (index < 1 || index > static_cast<long>(list.size())) throw noSuchMember();
    return std::make_shared<CellImpl>(doc_, doc_->live().anchor(list[static_cast<std::size_t>(index - 1)]));
  }
};

class RowImpl : public word::Row, NodeHandle {
 public:
  using NodeHandle::NodeHandle;
  std::shared_ptr<word::Range> Range() override { return rangeOf(node()); }
  std::shared_ptr<word::Collection<word::Cell>> Cells() override {
    node();
    return std::make_shared<CellsImpl>(doc_, anchor_);
  }
  pugi::xml_node row() const { return node(); }
};

// Word 2010+ identifiers (w14:paraId, w14:textId) must stay unique, so a copy leaves them out.
void copyAttributes(pugi::xml_node from, pugi::xml_node to, bool identifiers) {
  for (auto attribute : from.attributes()) {
    if (identifiers || std::strncmp(attribute.name(), "w14:", 4) != 0) to.append_copy(attribute);
  }
}

// A cell's copy: its properties and its first paragraph's properties, in one empty paragraph.
void copyEmptyCell(pugi::xml_node tc, pugi::xml_node copy) {
  copyAttributes(tc, copy, true);
  bool paragraph = false;
  for (auto child : tc.children()) {
    if (is(child, "w:tcPr")) {
      copy.append_copy(child);
    } else if (is(child, "w:p") && !paragraph) {
      paragraph = true;
      pugi::xml_node p = copy.append_child("w:p");
      copyAttributes(child, p, false);
      for (auto properties : child.children("w:pPr")) p.append_copy(properties).remove_child("w:sectPr");
    }
  }
  if (!paragraph) copy.append_child("w:p");
}

// Copies what `from` holds into `to`: cells (also inside content controls and custom XML) empty,
// everything else as it is. The cells' content is never copied, only to be removed again.
void copyRowContent(pugi::xml_node from, pugi::xml_node to) {
  for (auto child : from.children()) {
    if (is(child, "w:tc")) {
      copyEmptyCell(child, to.append_child("w:tc"));
    } else if (model::isWrapper(child)) {
      pugi::xml_node wrapper = to.append_child(child.name());
      copyAttributes(child, wrapper, true);
      copyRowContent(child, wrapper);
    } else {
      to.append_copy(child);
    }
  }
}

// A copy of `row` next to it with the same cells and properties, each cell holding one empty paragraph.
pugi::xml_node copyEmptyRow(pugi::xml_node row, bool before) {
  pugi::xml_node copy = before ? row.parent().insert_child_before(row.name(), row)
                               : row.parent().insert_child_after(row.name(), row);
  copyAttributes(row, copy, false);
  copyRowContent(row, copy);
  return copy;
}

}  // namespace

pugi::xml_node copyRowBefore(pugi::xml_node row, pugi::xml_node before) {
  pugi::xml_node copy = before.parent().insert_copy_before(row, before);
  // A bookmark names one place of a document: it stays with the original, as when Word copies text.
  std::vector<pugi::xml_node> bookmarks;
  auto strip = [&](auto&& self, pugi::xml_node node) -> void {
    for (auto attribute = node.first_attribute(); attribute;) {
      auto next = attribute.next_attribute();
      if (std::strncmp(attribute.name(), "w14:", 4) == 0) node.remove_attribute(attribute);
      attribute = next;
    }
    for (auto child : node.children()) {
      if (is(child, "w:bookmarkStart") || is(child, "w:bookmarkEnd"))
        bookmarks.push_back(child);
      else
        self(self, child);
    }
  };
  strip(strip, copy);
  for (auto bookmark : bookmarks) bookmark.parent().remove_child(bookmark);
  return copy;
}

namespace {

class RowsImpl : public word::Rows, NodeHandle {
 public:
  using NodeHandle::NodeHandle;
  long Count() override { return story().rowCount(node()); }
  std::shared_ptr<word::Row> Item(long index) override {
    pugi::xml_node row = story().rowAt(node(), index - 1);
    if (!row) throw noSuchMember();
    return make(row);
  }

  std::shared_ptr<word::Row> Add(const std::shared_ptr<word::Row>& beforeRow) override {
    pugi::xml_node table = node();
    long rows = story().rowCount(table);
    if (rows == 0) throw noSuchMember();
    pugi::xml_node model;
    if (beforeRow) {
      auto* before = dynamic_cast<RowImpl*>(beforeRow.get());
      if (!before) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
      model = before->row();
    } else {
      model = story().rowAt(table, rows - 1);
    }
    pugi::xml_node added = copyEmptyRow(model, static_cast<bool>(beforeRow));
    story().inserted(added);
    return make(added);
  }

 private:
  std::shared_ptr<word::Row> make(pugi::xml_node n) {
    return std::make_shared<RowImpl>(doc_, doc_->live().anchor(n));
  }
};

class TableImpl : public word::Table, NodeHandle {
 public:
  using NodeHandle::NodeHandle;
  std::shared_ptr<word::Rows> Rows() override {
    node();
    return std::make_shared<RowsImpl>(doc_, anchor_);
  }
  std::shared_ptr<word::Cell> Cell(long row, long column) override {
    pugi::xml_node rowNode = story().rowAt(node(), row - 1);
    if (!rowNode) throw noSuchMember();
    auto cells = model::wrappedChildren(rowNode, "w:tc");
    if (column < 1 || column > static_cast<long>(cells.size())) throw noSuchMember();
    return std::make_shared<CellImpl>(doc_, doc_->live().anchor(cells[static_cast<std::size_t>(column - 1)]));
  }
};

class TablesImpl : public word::Collection<word::Table> {
 public:
  explicit TablesImpl(DocPtr doc) : doc_(std::move(doc)) {}
  long Count() override { return static_cast<long>(doc_->live().mainStory()->tables().size()); }
  std::shared_ptr<word::Table> Item(long index) override {
    const auto& tables = doc_->live().mainStory()->tables();
    if (index < 1 || index > static_cast<long>(tables.size())) throw noSuchMember();
    return std::make_shared<TableImpl>(doc_,
                                       doc_->live().anchor(tables[static_cast<std::size_t>(index - 1)]));
  }

 private:
  DocPtr doc_;
};

const model::ShapeInfo* findShape(model::Story& story, pugi::xml_node node) {
  for (const auto& shape : story.shapes()) {
    if (shape.node == node) return &shape;
  }
  return nullptr;
}

class TextFrameImpl : public word::TextFrame, NodeHandle {
 public:
  using NodeHandle::NodeHandle;
  bool HasText() override {
    auto box = textBox();
    if (!box) return false;
    std::string text = box->text(0, box->length(), true);
    return text.find_first_not_of("\r\a") != std::string::npos;
  }
  std::shared_ptr<word::Range> TextRange() override {
    auto box = textBox();
    if (!box) throw notAvailable("the shape has no text frame");
    return makeRange(doc_, box, 0, box->length());
  }

 private:
  std::shared_ptr<model::Story> textBox() {
    pugi::xml_node n = node();
    const model::ShapeInfo* shape = findShape(story(), n);
    if (!shape) throw objectDeleted();
    if (!shape->textBox) return nullptr;
    return doc_->live().textBoxStory(story(), *shape);
  }
};

class ShapeImpl : public word::Shape, NodeHandle {
 public:
  using NodeHandle::NodeHandle;
  std::shared_ptr<word::TextFrame> TextFrame() override {
    node();
    return std::make_shared<TextFrameImpl>(doc_, anchor_);
  }
};

class ShapesImpl : public word::Collection<word::Shape> {
 public:
  explicit ShapesImpl(DocPtr doc) : doc_(std::move(doc)) {}
  long Count() override { return static_cast<long>(doc_->live().mainStory()->shapes().size()); }
  std::shared_ptr<word::Shape> Item(long index) override {
    const auto& shapes = doc_->live().mainStory()->shapes();
    if (index < 1 || index > static_cast<long>(shapes.size())) throw noSuchMember();
    return std::make_shared<ShapeImpl>(doc_,
                                       doc_->live().anchor(shapes[static_cast<std::size_t>(index - 1)].node));
  }

 private:
  DocPtr doc_;
};

}  // namespace

std::shared_ptr<word::Collection<word::Table>> makeTables(DocPtr doc) {
  return std::make_shared<TablesImpl>(std::move(doc));
}
std::shared_ptr<word::Collection<word::Shape>> makeShapes(DocPtr doc) {
  return std::make_shared<ShapesImpl>(std::move(doc));
}

}  // namespace tw::engine::objects
