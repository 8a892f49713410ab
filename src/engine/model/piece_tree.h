#pragma once

// The pieces of a story's position index in document order, held in a balanced tree (a treap) whose
// nodes know the number of positions and of field begin marks below them. Finding the piece at a
// position, the position of a piece, the n-th field, inserting and removing a piece all take time in
// the logarithm of the story's size, so an edit never walks the whole story.

#include <array>
#include <cstdint>
#include <deque>
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
  long length = 0;
  pugi::xml_node node;
  std::string text;           // as Span::text
  FieldRec* field = nullptr;  // the field a mark or simple code belongs to
  // The innermost field open just after this piece, and whether that point lies in its code.
  FieldRec* context = nullptr;
  bool codeAfter = false;

  // Tree links (not owning: the tree's pool owns every piece) and what the subtree holds.
  Piece* left = nullptr;
  Piece* right = nullptr;
  Piece* parent = nullptr;
  std::uint32_t priority = 0;
  long positions = 0;
  std::array<long, 2> counts{};  // by Tally
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

  long length() const { return root_ ? root_->positions : 0; }
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
  void update(Piece* piece) const;
  // Adds `positions` and `counts` to `piece` and every node above it.
  void addUp(Piece* piece, long positions, const std::array<long, 2>& counts) const;
  void rotateUp(Piece* piece);
  void replaceChild(Piece* parent, Piece* old, Piece* replacement);

  Piece* root_ = nullptr;
  std::deque<Piece> pool_;
  std::vector<Piece*> free_;
  std::minstd_rand random_;
};

}  // namespace tw::engine::model
