#include "engine/model/story.h"

#include "engine/model/document_model.h"
#include "engine/model/story_index.h"

namespace tw::engine::model {

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

}  // namespace tw::engine::model
