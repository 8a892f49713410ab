#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace tw::platform {

// A subscription to an event. The handler stays connected while the object lives.
class EventConnection {
 public:
  virtual ~EventConnection() = default;
};

// The source side of an event: handlers connect, the source raises. A source may die before its
// connections; a connection may die before its source.
template <class... Args>
class Signal {
 public:
  using Handler = std::function<void(Args...)>;

  std::unique_ptr<EventConnection> connect(Handler handler) {
    auto slot = std::make_shared<Handler>(std::move(handler));
    slots_->push_back(slot);
    return std::make_unique<Connection>(slots_, slot);
  }

  // Calls every connected handler in the order of connection. A handler may connect or disconnect
  // others while it runs.
  void raise(Args... args) {
    auto snapshot = *slots_;
    for (const auto& weak : snapshot) {
      if (auto slot = weak.lock()) (*slot)(args...);
    }
  }

  bool hasHandlers() const {
    return std::any_of(slots_->begin(), slots_->end(), [](const auto& weak) { return !weak.expired(); });
  }

 private:
  using Slots = std::vector<std::weak_ptr<Handler>>;

  class Connection : public EventConnection {
   public:
    Connection(std::weak_ptr<Slots> slots, std::shared_ptr<Handler> slot)
        : slots_(std::move(slots)), slot_(std::move(slot)) {}
    ~Connection() override {
      if (auto slots = slots_.lock()) {
        std::erase_if(*slots, [&](const auto& weak) { return weak.expired() || weak.lock() == slot_; });
      }
    }

   private:
    std::weak_ptr<Slots> slots_;
    std::shared_ptr<Handler> slot_;
  };

  std::shared_ptr<Slots> slots_ = std::make_shared<Slots>();
};

}  // namespace tw::platform
