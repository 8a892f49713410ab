#pragma once

#include <memory>
#include <utility>

#include "platform/office/office.h"

namespace tw::addin {

// A button variable that receives the Click events of the button it holds, and of no other: holding a
// new button drops the subscription to the old one.
class EventButton {
 public:
  void hold(std::shared_ptr<office::CommandBarControl> control,
            office::CommandBarControl::ClickHandler handler) {
    click_.reset();
    control_ = std::move(control);
    if (control_) click_ = control_->OnClick(std::move(handler));
  }

  const std::shared_ptr<office::CommandBarControl>& get() const { return control_; }
  explicit operator bool() const { return control_ != nullptr; }

 private:
  std::shared_ptr<office::CommandBarControl> control_;
  std::unique_ptr<platform::EventConnection> click_;
};

}  // namespace tw::addin
