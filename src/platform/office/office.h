#pragma once

// The Office command-bar model and the ribbon control, the subset the add-in uses, with Office's own
// names. Text is Windows-1252 bytes. Failures throw runtime::Error.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/event.h"

namespace tw::office {

class CommandBar;
class CommandBarControls;

// MsoControlType.
constexpr int msoControlButton = 1;
constexpr int msoControlPopup = 10;

class CommandBarControl {
 public:
  virtual ~CommandBarControl() = default;
  virtual int Type() = 0;
  virtual int Id() = 0;
  virtual std::string Tag() = 0;
  virtual void SetTag(const std::string& tag) = 0;
  virtual std::string Caption() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual bool Visible() = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual std::string OnAction() = 0;
  virtual void SetOnAction(const std::string& action) = 0;
  // 1-based position among its siblings.
  virtual long Index() = 0;
  // Removes the control, and for a popup everything in it.
  virtual void Delete() = 0;

  // A popup's own command bar and controls (error for other kinds of control).
  virtual std::shared_ptr<office::CommandBar> CommandBar() = 0;
  virtual std::shared_ptr<CommandBarControls> Controls() = 0;

  // The Click event of a button: the button and the cancel-default flag.
  using ClickHandler = std::function<void(CommandBarControl&, bool& cancelDefault)>;
  virtual std::unique_ptr<platform::EventConnection> OnClick(ClickHandler handler) = 0;
};

class CommandBarControls {
 public:
  virtual ~CommandBarControls() = default;
  virtual long Count() = 0;
  virtual std::shared_ptr<CommandBarControl> Item(long index) = 0;
  // By caption, as Office looks controls up by name (error 5 when none has it).
  virtual std::shared_ptr<CommandBarControl> Item(const std::string& caption) = 0;
  // Appends, or inserts before the control at 1-based `before`.
  virtual std::shared_ptr<CommandBarControl> Add(int type, std::optional<int> id = std::nullopt,
                                                 std::optional<long> before = std::nullopt,
                                                 std::optional<bool> temporary = std::nullopt) = 0;
};

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual std::string Name() = 0;
  virtual std::shared_ptr<CommandBarControls> Controls() = 0;
  // The first control with this tag, searching nested popups; null when there is none.
  virtual std::shared_ptr<CommandBarControl> FindControl(const std::string& tag) = 0;
};

class CommandBars {
 public:
  virtual ~CommandBars() = default;
  // Error 5 when there is no bar of that name.
  virtual std::shared_ptr<CommandBar> Item(const std::string& name) = 0;
};

// IRibbonControl: the control whose callback runs.
class RibbonControl {
 public:
  virtual ~RibbonControl() = default;
  virtual std::string Id() = 0;
};

}  // namespace tw::office
