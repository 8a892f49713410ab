#pragma once

// The pieces of a story's position index in document order, held in a balanced tree (a treap) whose
// nodes know the number of positions and of field begin marks below them. Finding the piece at a
// position, the position of a piece, the n-th field, inserting and removing a piece all take time in
// the logarithm of the story's size, so an edit never walks the whole story.
//
// The tree's nodes are small records side by side in one array, apart from the pieces they stand for:
// a walk from the root touches a cache line per level, also in a story of hundreds of thousands of
// pieces, and never the pieces' text and nodes.

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "engine/model/story.h"

namespace tw::engine::model {

struct Piece;

// A field of the index: its marks are pieces, so its positions move with every edit before it.
struct FieldRec {
  Piece* begin = nullptr;
  Piece* separator = nullptr;  // none: the field has no result part
  Piece* end = nullptr;        // none: the field runs to the end of the story
  FieldRec* parent = nullptr;  // the field it is nested in
  pugi::xml_node beginNode;
  bool simple = false;
  bool inCode = false;
};

struct Piece {
  SpanKind kind = SpanKind::Text;
  bool codeAfter = false;  // whether the point after this piece lies in the code of `context`
  std::uint32_t slot = 0;  // the piece's node in the tree (set by the tree)
  long length = 0;
  pugi::xml_node node;
  std::string text;           // as Span::text
  FieldRec* field = nullptr;  // the field a mark or simple code belongs to
  // The innermost field open just after this piece.
  FieldRec* context = nullptr;
};

// The marks the tree counts: field begin marks (fields in order) and row end marks (rows in order).
enum class Tally { FieldBegin, RowEnd };

class PieceTree {
 public:
  PieceTree();

  // A new piece, not yet in the tree.
  Piece* make(Piece data);
  // Replaces the tree by `pieces`, in document order.
  void assign(const std::vector<Piece*>& pieces);
  // Puts `piece` right after `where` (at the front when `where` is null).
  void insertAfter(Piece* where, Piece* piece);
  // Takes `piece` out of the tree and frees it.
  void erase(Piece* piece);
  // Changes the number of positions of `piece`.
  void resize(Piece* piece, long length);

  long length() const { return nodes_[root_].positions; }
  long position(const Piece* piece) const;
  // The piece holding `position`, or null past the end.
  Piece* at(long position) const;
  Piece* first() const;
  Piece* next(const Piece* piece) const;
  Piece* previous(const Piece* piece) const;
  // Counted marks before `position`, and the piece of the `n`-th (0-based) one.
  long countBefore(Tally tally, long position) const;
  Piece* nth(Tally tally, long n) const;

 private:
  using Slot = std::uint32_t;
  static constexpr Slot kNone = 0;  // slot 0: the empty tree, holding nothing
  static constexpr std::size_t kChunk = 64;

  // A tree node: links, what its piece holds and what its subtree holds, in 32 bytes.
  struct Node {
    Slot left = kNone;
    Slot right = kNone;
    Slot parent = kNone;
    std::uint32_t priority : 30 = 0;
    std::uint32_t marks : 2 = 0;  // a bit per Tally: the piece is such a mark
    std::int32_t length = 0;
    std::int32_t positions = 0;
    std::array<std::int32_t, 2> counts{};  // by Tally
  };

  Piece* piece(Slot slot) const { return &(*chunks_[slot / kChunk])[slot % kChunk]; }
  static long own(const Node& node, Tally tally) { return (node.marks >> static_cast<unsigned>(tally)) & 1U; }
  void update(Slot slot);
  // Adds `positions` and `counts` to `slot` and every node above it.
  void addUp(Slot slot, long positions, const std::array<std::int32_t, 2>& counts);
  void rotateUp(Slot slot);
  void replaceChild(Slot parent, Slot old, Slot replacement);
  Slot leftmost(Slot slot) const;

  Slot root_ = kNone;
  std::vector<Node> nodes_;
  // The pieces by slot, in chunks that never move, so a piece's address stays valid.
  std::vector<std::unique_ptr<std::array<Piece, kChunk>>> chunks_;
  std::vector<Slot> free_;
  std::minstd_rand random_;
};

}  // namespace tw::engine::model
