#include "engine/model/piece_tree.h"

namespace tw::engine::model {
namespace {

unsigned ownMarks(const Piece& piece) {
  return (piece.kind == SpanKind::FieldBegin ? 1U << static_cast<unsigned>(Tally::FieldBegin) : 0U) |
         (piece.kind == SpanKind::RowEnd ? 1U << static_cast<unsigned>(Tally::RowEnd) : 0U);
}

}  // namespace

PieceTree::PieceTree() : nodes_(1), random_(20240613) {}

Piece* PieceTree::make(Piece data) {
  Slot slot = kNone;
  if (!free_.empty()) {
    slot = free_.back();
    free_.pop_back();
  } else {
    slot = static_cast<Slot>(nodes_.size());
    nodes_.emplace_back();
    if (slot / kChunk >= chunks_.size()) chunks_.push_back(std::make_unique<std::array<Piece, kChunk>>());
  }
  Node& node = nodes_[slot];
  node = Node();
  node.priority = static_cast<std::uint32_t>(random_()) & ((1U << 30) - 1);
  node.marks = ownMarks(data) & 3U;
  node.length = static_cast<std::int32_t>(data.length);
  node.positions = node.length;
  for (Tally tally : {Tally::FieldBegin, Tally::RowEnd})
    node.counts[static_cast<std::size_t>(tally)] = static_cast<std::int32_t>(own(node, tally));
  Piece* piece = this->piece(slot);
  *piece = std::move(data);
  piece->slot = slot;
  return piece;
}

void PieceTree::update(Slot slot) {
  Node& node = nodes_[slot];
  const Node& left = nodes_[node.left];
  const Node& right = nodes_[node.right];
  node.positions = node.length + left.positions + right.positions;
  for (std::size_t tally = 0; tally < node.counts.size(); ++tally) {
    node.counts[tally] = static_cast<std::int32_t>(own(node, static_cast<Tally>(tally))) +
                         left.counts[tally] + right.counts[tally];
  }
}

void PieceTree::addUp(Slot slot, long positions, const std::array<std::int32_t, 2>& counts) {
  for (; slot != kNone; slot = nodes_[slot].parent) {
    Node& node = nodes_[slot];
    node.positions += static_cast<std::int32_t>(positions);
    for (std::size_t tally = 0; tally < counts.size(); ++tally) node.counts[tally] += counts[tally];
  }
}

void PieceTree::assign(const std::vector<Piece*>& pieces) {
  // A Cartesian tree over the pieces in order, by their random priorities: a treap in linear time.
  std::vector<Slot> spine;
  for (const Piece* piece : pieces) {
    const Slot slot = piece->slot;
    Node& node = nodes_[slot];
    Slot last = kNone;
    while (!spine.empty() && nodes_[spine.back()].priority < node.priority) {
      last = spine.back();
      spine.pop_back();
    }
    node.left = last;
    if (last != kNone) nodes_[last].parent = slot;
    node.parent = spine.empty() ? kNone : spine.back();
    if (!spine.empty()) nodes_[spine.back()].right = slot;
    spine.push_back(slot);
  }
  root_ = spine.empty() ? kNone : spine.front();
  // Children before parents: the reverse of an order that visits every node before its children.
  std::vector<Slot> order;
  order.reserve(pieces.size());
  std::vector<Slot> stack;
  if (root_ != kNone) stack.push_back(root_);
  while (!stack.empty()) {
    Slot slot = stack.back();
    stack.pop_back();
    order.push_back(slot);
    if (nodes_[slot].left != kNone) stack.push_back(nodes_[slot].left);
    if (nodes_[slot].right != kNone) stack.push_back(nodes_[slot].right);
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it) update(*it);
}

void PieceTree::replaceChild(Slot parent, Slot old, Slot replacement) {
  if (parent == kNone) {
    root_ = replacement;
  } else if (nodes_[parent].left == old) {
    nodes_[parent].left = replacement;
  } else {
    nodes_[parent].right = replacement;
  }
  if (replacement != kNone) nodes_[replacement].parent = parent;
}

void PieceTree::rotateUp(Slot slot) {
  const Slot parent = nodes_[slot].parent;
  const Slot grand = nodes_[parent].parent;
  Node& node = nodes_[slot];
  Node& above = nodes_[parent];
  if (above.left == slot) {
    above.left = node.right;
    if (node.right != kNone) nodes_[node.right].parent = parent;
    node.right = parent;
  } else {
    above.right = node.left;
    if (node.left != kNone) nodes_[node.left].parent = parent;
    node.left = parent;
  }
  above.parent = slot;
  replaceChild(grand, parent, slot);
  update(parent);
  update(slot);
}

PieceTree::Slot PieceTree::leftmost(Slot slot) const {
  while (nodes_[slot].left != kNone) slot = nodes_[slot].left;
  return slot;
}

void PieceTree::insertAfter(Piece* where, Piece* piece) {
  const Slot slot = piece->slot;
  if (root_ == kNone) {
    root_ = slot;
    nodes_[slot].parent = kNone;
    return;
  }
  Slot parent = kNone;
  if (!where) {
    parent = leftmost(root_);
    nodes_[parent].left = slot;
  } else if (nodes_[where->slot].right == kNone) {
    parent = where->slot;
    nodes_[parent].right = slot;
  } else {
    parent = leftmost(nodes_[where->slot].right);
    nodes_[parent].left = slot;
  }
  nodes_[slot].parent = parent;
  // The new leaf adds its own to every node above it; the rotations then mend the nodes they move.
  update(slot);
  addUp(parent, nodes_[slot].positions, nodes_[slot].counts);
  while (nodes_[slot].parent != kNone && nodes_[nodes_[slot].parent].priority < nodes_[slot].priority)
    rotateUp(slot);
}

void PieceTree::erase(Piece* piece) {
  const Slot slot = piece->slot;
  for (;;) {
    const Node& node = nodes_[slot];
    if (node.left == kNone && node.right == kNone) break;
    Slot child = node.right == kNone                                        ? node.left
                 : node.left == kNone                                       ? node.right
                 : nodes_[node.left].priority > nodes_[node.right].priority ? node.left
                                                                            : node.right;
    rotateUp(child);
  }
  // A leaf now: what it held leaves every node above it.
  const Slot parent = nodes_[slot].parent;
  replaceChild(parent, slot, kNone);
  const Node& node = nodes_[slot];
  addUp(parent, -node.positions, {-node.counts[0], -node.counts[1]});
  nodes_[slot] = Node();
  *piece = Piece();
  free_.push_back(slot);
}

void PieceTree::resize(Piece* piece, long length) {
  const long change = length - piece->length;
  piece->length = length;
  nodes_[piece->slot].length = static_cast<std::int32_t>(length);
  addUp(piece->slot, change, {0, 0});
}

long PieceTree::position(const Piece* piece) const {
  Slot slot = piece->slot;
  long position = nodes_[nodes_[slot].left].positions;
  for (Slot parent = nodes_[slot].parent; parent != kNone; slot = parent, parent = nodes_[slot].parent) {
    const Node& above = nodes_[parent];
    if (above.right == slot) position += above.length + nodes_[above.left].positions;
  }
  return position;
}

Piece* PieceTree::at(long position) const {
  if (position < 0) return nullptr;
  Slot slot = root_;
  while (slot != kNone) {
    const Node& node = nodes_[slot];
    const long left = nodes_[node.left].positions;
    if (position < left) {
      slot = node.left;
      continue;
    }
    position -= left;
    if (position < node.length) return piece(slot);
    position -= node.length;
    slot = node.right;
  }
  return nullptr;
}

Piece* PieceTree::first() const {
  return root_ == kNone ? nullptr : piece(leftmost(root_));
}

Piece* PieceTree::next(const Piece* piece) const {
  Slot slot = piece->slot;
  if (nodes_[slot].right != kNone) return this->piece(leftmost(nodes_[slot].right));
  Slot parent = nodes_[slot].parent;
  while (parent != kNone && nodes_[parent].right == slot) {
    slot = parent;
    parent = nodes_[slot].parent;
  }
  return parent == kNone ? nullptr : this->piece(parent);
}

Piece* PieceTree::previous(const Piece* piece) const {
  Slot slot = piece->slot;
  if (nodes_[slot].left != kNone) {
    slot = nodes_[slot].left;
    while (nodes_[slot].right != kNone) slot = nodes_[slot].right;
    return this->piece(slot);
  }
  Slot parent = nodes_[slot].parent;
  while (parent != kNone && nodes_[parent].left == slot) {
    slot = parent;
    parent = nodes_[slot].parent;
  }
  return parent == kNone ? nullptr : this->piece(parent);
}

long PieceTree::countBefore(Tally tally, long position) const {
  const auto t = static_cast<std::size_t>(tally);
  long count = 0;
  Slot slot = root_;
  while (slot != kNone && position > 0) {
    const Node& node = nodes_[slot];
    const Node& left = nodes_[node.left];
    if (position <= left.positions) {
      slot = node.left;
      continue;
    }
    count += left.counts[t] + own(node, tally);
    position -= left.positions + node.length;
    slot = node.right;
  }
  return count;
}

Piece* PieceTree::nth(Tally tally, long n) const {
  const auto t = static_cast<std::size_t>(tally);
  Slot slot = root_;
  while (slot != kNone) {
    const Node& node = nodes_[slot];
    const long left = nodes_[node.left].counts[t];
    if (n < left) {
      slot = node.left;
      continue;
    }
    n -= left;
    if (own(node, tally)) {
      if (n == 0) return piece(slot);
      --n;
    }
    slot = node.right;
  }
  return nullptr;
}

}  // namespace tw::engine::model
