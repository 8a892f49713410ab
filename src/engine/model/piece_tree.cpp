#include "engine/model/piece_tree.h"

namespace tw::engine::model {
namespace {

long own(const Piece& piece, Tally tally) {
  SpanKind counted = tally == Tally::FieldBegin ? SpanKind::FieldBegin : SpanKind::RowEnd;
  return piece.kind == counted ? 1 : 0;
}

long below(const Piece* piece, Tally tally) {
  return piece ? piece->counts[static_cast<std::size_t>(tally)] : 0;
}

}  // namespace

PieceTree::PieceTree() : random_(20240613) {}

Piece* PieceTree::make(Piece data) {
  data.left = data.right = data.parent = nullptr;
  data.priority = static_cast<std::uint32_t>(random_());
  data.positions = data.length;
  for (Tally tally : {Tally::FieldBegin, Tally::RowEnd})
    data.counts[static_cast<std::size_t>(tally)] = own(data, tally);
  if (!free_.empty()) {
    Piece* piece = free_.back();
    free_.pop_back();
    *piece = std::move(data);
    return piece;
  }
  return &pool_.emplace_back(std::move(data));
}

void PieceTree::update(Piece* piece) const {
  piece->positions = piece->length + (piece->left ? piece->left->positions : 0) +
                     (piece->right ? piece->right->positions : 0);
  for (Tally tally : {Tally::FieldBegin, Tally::RowEnd}) {
    piece->counts[static_cast<std::size_t>(tally)] =
        own(*piece, tally) + below(piece->left, tally) + below(piece->right, tally);
  }
}

void PieceTree::addUp(Piece* piece, long positions, const std::array<long, 2>& counts) const {
  for (; piece; piece = piece->parent) {
    piece->positions += positions;
    for (std::size_t tally = 0; tally < counts.size(); ++tally) piece->counts[tally] += counts[tally];
  }
}

void PieceTree::assign(const std::vector<Piece*>& pieces) {
  // A Cartesian tree over the pieces in order, by their random priorities: a treap in linear time.
  std::vector<Piece*> spine;
  for (Piece* piece : pieces) {
    Piece* last = nullptr;
    while (!spine.empty() && spine.back()->priority < piece->priority) {
      last = spine.back();
      spine.pop_back();
    }
    piece->left = last;
    if (last) last->parent = piece;
    piece->parent = spine.empty() ? nullptr : spine.back();
    if (!spine.empty()) spine.back()->right = piece;
    spine.push_back(piece);
  }
  root_ = spine.empty() ? nullptr : spine.front();
  // Children before parents: the order in which pieces were taken off the spine, and the spine itself.
  std::vector<Piece*> order;
  std::vector<Piece*> stack;
  if (root_) stack.push_back(root_);
  while (!stack.empty()) {
    Piece* piece = stack.back();
    stack.pop_back();
    order.push_back(piece);
    if (piece->left) stack.push_back(piece->left);
    if (piece->right) stack.push_back(piece->right);
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it) update(*it);
}

void PieceTree::replaceChild(Piece* parent, Piece* old, Piece* replacement) {
  if (!parent) {
    root_ = replacement;
  } else if (parent->left == old) {
    parent->left = replacement;
  } else {
    parent->right = replacement;
  }
  if (replacement) replacement->parent = parent;
}

void PieceTree::rotateUp(Piece* piece) {
  Piece* parent = piece->parent;
  Piece* grand = parent->parent;
  if (parent->left == piece) {
    parent->left = piece->right;
    if (piece->right) piece->right->parent = parent;
    piece->right = parent;
  } else {
    parent->right = piece->left;
    if (piece->left) piece->left->parent = parent;
    piece->left = parent;
  }
  parent->parent = piece;
  replaceChild(grand, parent, piece);
  update(parent);
  update(piece);
}

void PieceTree::insertAfter(Piece* where, Piece* piece) {
  if (!root_) {
    root_ = piece;
    piece->parent = nullptr;
    return;
  }
  if (!where) {
    Piece* leftmost = root_;
    while (leftmost->left) leftmost = leftmost->left;
    leftmost->left = piece;
    piece->parent = leftmost;
  } else if (!where->right) {
    where->right = piece;
    piece->parent = where;
  } else {
    Piece* leftmost = where->right;
    while (leftmost->left) leftmost = leftmost->left;
    leftmost->left = piece;
    piece->parent = leftmost;
  }
  // The new leaf adds its own to every node above it; the rotations then mend the nodes they move.
  update(piece);
  addUp(piece->parent, piece->positions, piece->counts);
  while (piece->parent && piece->parent->priority < piece->priority) rotateUp(piece);
}

void PieceTree::erase(Piece* piece) {
  while (piece->left || piece->right) {
    Piece* child = !piece->right                                    ? piece->left
                   : !piece->left                                   ? piece->right
                   : piece->left->priority > piece->right->priority ? piece->left
                                                                    : piece->right;
    rotateUp(child);
  }
  // A leaf now: what it held leaves every node above it.
  Piece* parent = piece->parent;
  replaceChild(parent, piece, nullptr);
  addUp(parent, -piece->positions, {-piece->counts[0], -piece->counts[1]});
  *piece = Piece();
  free_.push_back(piece);
}

void PieceTree::resize(Piece* piece, long length) {
  const long change = length - piece->length;
  piece->length = length;
  addUp(piece, change, {0, 0});
}

long PieceTree::position(const Piece* piece) const {
  long position = piece->left ? piece->left->positions : 0;
  for (const Piece* p = piece; p->parent; p = p->parent) {
    if (p->parent->right == p)
      position += p->parent->length + (p->parent->left ? p->parent->left->positions : 0);
  }
  return position;
}

Piece* PieceTree::at(long position) const {
  if (position < 0) return nullptr;
  Piece* piece = root_;
  while (piece) {
    long left = piece->left ? piece->left->positions : 0;
    if (position < left) {
      piece = piece->left;
      continue;
    }
    position -= left;
    if (position < piece->length) return piece;
    position -= piece->length;
    piece = piece->right;
  }
  return nullptr;
}

Piece* PieceTree::first() const {
  Piece* piece = root_;
  while (piece && piece->left) piece = piece->left;
  return piece;
}

Piece* PieceTree::next(const Piece* piece) const {
  if (piece->right) {
    Piece* p = piece->right;
    while (p->left) p = p->left;
    return p;
  }
  while (piece->parent && piece->parent->right == piece) piece = piece->parent;
  return piece->parent;
}

Piece* PieceTree::previous(const Piece* piece) const {
  if (piece->left) {
    Piece* p = piece->left;
    while (p->right) p = p->right;
    return p;
  }
  while (piece->parent && piece->parent->left == piece) piece = piece->parent;
  return piece->parent;
}

long PieceTree::countBefore(Tally tally, long position) const {
  long count = 0;
  const Piece* piece = root_;
  while (piece && position > 0) {
    long left = piece->left ? piece->left->positions : 0;
    if (position <= left) {
      piece = piece->left;
      continue;
    }
    count += below(piece->left, tally) + own(*piece, tally);
    position -= left + piece->length;
    piece = piece->right;
  }
  return count;
}

Piece* PieceTree::nth(Tally tally, long n) const {
  Piece* piece = root_;
  while (piece) {
    long left = below(piece->left, tally);
    if (n < left) {
      piece = piece->left;
      continue;
    }
    n -= left;
    if (own(*piece, tally)) {
      if (n == 0) return piece;
      --n;
    }
    piece = piece->right;
  }
  return nullptr;
}

}  // namespace tw::engine::model
