#include "engine/commandbars/command_bars.h"

#include <algorithm>

#include "runtime/error.h"
#include "runtime/text.h"

namespace tw::engine {
namespace {

using office::CommandBarControl;

using runtime::captionKey;

[[noreturn]] void fail() {
  throw runtime::Error::fromNumber(runtime::kInvalidProcedureCall);
}

class Bar;

class Control : public CommandBarControl, public std::enable_shared_from_this<Control> {
 public:
  Control(int type, int id, std::weak_ptr<Bar> parent, bool temporary);

  int Type() override { return live().type_; }
  int Id() override { return live().id_; }
  std::string Tag() override { return live().tag_; }
  void SetTag(const std::string& tag) override { live().tag_ = tag; }
  std::string Caption() override { return live().caption_; }
  void SetCaption(const std::string& caption) override { live().caption_ = caption; }
  bool Visible() override { return live().visible_; }
  void SetVisible(bool visible) override { live().visible_ = visible; }
  std::string OnAction() override { return live().onAction_; }
  void SetOnAction(const std::string& action) override { live().onAction_ = action; }
  long Index() override;
  void Delete() override;
  std::shared_ptr<office::CommandBar> CommandBar() override;
  std::shared_ptr<office::CommandBarControls> Controls() override;
  std::unique_ptr<platform::EventConnection> OnClick(ClickHandler handler) override {
    return live().click_.connect(std::move(handler));
  }

  void click() {
    bool cancelDefault = false;
    live().click_.raise(*this, cancelDefault);
  }
  const std::shared_ptr<Bar>& popupBar() const { return popupBar_; }
  bool deleted() const { return deleted_; }
  bool temporary() const { return temporary_; }
  void markDeleted();

 private:
  Control& live() {
    if (deleted_) fail();
    return *this;
  }

  int type_;
  int id_;
  std::string tag_;
  std::string caption_;
  bool visible_ = true;
  std::string onAction_;
  bool temporary_;
  bool deleted_ = false;
  std::weak_ptr<Bar> parent_;
  std::shared_ptr<Bar> popupBar_;
  platform::Signal<CommandBarControl&, bool&> click_;
};

class Bar : public office::CommandBar, public std::enable_shared_from_this<Bar> {
 public:
  explicit Bar(std::string name) : name_(std::move(name)) {}

  std::string Name() override { return name_; }
  std::shared_ptr<office::CommandBarControls> Controls() override;
  std::shared_ptr<CommandBarControl> FindControl(const std::string& tag) override { return find(tag); }

  std::shared_ptr<Control> find(const std::string& tag) {
    for (const auto& control : controls) {
      if (control->Tag() == tag) return control;
      if (const auto& popup = control->popupBar()) {
        if (auto found = popup->find(tag)) return found;
      }
    }
    return nullptr;
  }

  std::shared_ptr<Control> byCaption(const std::string& caption) {
    auto it = std::find_if(controls.begin(), controls.end(), [&](const auto& control) {
      return captionKey(control->Caption()) == captionKey(caption);
    });
    return it == controls.end() ? nullptr : *it;
  }

  std::shared_ptr<Control> add(int type, int id, std::optional<long> before, bool temporary) {
    if (type != office::msoControlButton && type != office::msoControlPopup) fail();
    long position = before.value_or(static_cast<long>(controls.size()) + 1);
    if (position < 1 || position > static_cast<long>(controls.size()) + 1) fail();
    auto control = std::make_shared<Control>(type, id, weak_from_this(), temporary);
    controls.insert(controls.begin() + (position - 1), control);
    return control;
  }

  void remove(const Control& control) {
    std::erase_if(controls, [&](const auto& c) { return c.get() == &control; });
  }

  long indexOf(const Control& control) const {
    for (size_t i = 0; i < controls.size(); ++i) {
      if (controls[i].get() == &control) return static_cast<long>(i) + 1;
    }
    fail();
  }

  std::vector<std::shared_ptr<Control>> controls;

 private:
  std::string name_;
};

class Controls : public office::CommandBarControls {
 public:
  explicit Controls(std::shared_ptr<Bar> bar) : bar_(std::move(bar)) {}

  long Count() override { return static_cast<long>(bar_->controls.size()); }
  std::shared_ptr<CommandBarControl> Item(long index) override {
    if (index < 1 || index > Count()) fail();
    return bar_->controls[index - 1];
  }
  std::shared_ptr<CommandBarControl> Item(const std::string& caption) override {
    auto control = bar_->byCaption(caption);
    if (!control) fail();
    return control;
  }
  std::shared_ptr<CommandBarControl> Add(int type, std::optional<int> id, std::optional<long> before,
                                         std::optional<bool> temporary) override {
    return bar_->add(type, id.value_or(1), before, temporary.value_or(false));
  }

 private:
  std::shared_ptr<Bar> bar_;
};

Control::Control(int type, int id, std::weak_ptr<Bar> parent, bool temporary)
    : type_(type), id_(id), temporary_(temporary), parent_(std::move(parent)) {
  if (type == office::msoControlPopup) popupBar_ = std::make_shared<Bar>("");
}

long Control::Index() {
  auto parent = live().parent_.lock();
  if (!parent) fail();
  return parent->indexOf(*this);
}

void Control::Delete() {
  auto parent = live().parent_.lock();
  if (parent) parent->remove(*this);
  markDeleted();
}

void Control::markDeleted() {
  deleted_ = true;
  if (popupBar_) {
    for (const auto& child : popupBar_->controls) child->markDeleted();
    popupBar_->controls.clear();
  }
}

std::shared_ptr<office::CommandBar> Control::CommandBar() {
  if (!live().popupBar_) fail();
  return popupBar_;
}

std::shared_ptr<office::CommandBarControls> Control::Controls() {
  if (!live().popupBar_) fail();
  return popupBar_->Controls();
}

std::shared_ptr<office::CommandBarControls> Bar::Controls() {
  return std::make_shared<engine::Controls>(shared_from_this());
}

class Bars : public office::CommandBars {
 public:
  std::shared_ptr<office::CommandBar> Item(const std::string& name) override {
    auto bar = find(name);
    if (!bar) fail();
    return bar;
  }

  std::shared_ptr<Bar> find(const std::string& name) {
    auto it = std::find_if(bars.begin(), bars.end(),
                           [&](const auto& bar) { return captionKey(bar->Name()) == captionKey(name); });
    return it == bars.end() ? nullptr : *it;
  }

  std::vector<std::shared_ptr<Bar>> bars;
};

std::shared_ptr<Control> walk(office::CommandBars& bars, const std::vector<std::string>& path) {
  auto* ours = dynamic_cast<Bars*>(&bars);
  if (!ours || path.size() < 2) fail();
  std::shared_ptr<Bar> bar = ours->find(path[0]);
  std::shared_ptr<Control> control;
  for (size_t i = 1; i < path.size(); ++i) {
    if (!bar) fail();
    control = bar->byCaption(path[i]);
    if (!control || !control->Visible()) {
      throw runtime::Error(runtime::kInvalidProcedureCall, "No visible control '" + path[i] + "'");
    }
    bar = control->popupBar();
  }
  return control;
}

// The position of the quote that closes the quoted part opening at `open`; npos when none does.
size_t closingQuote(std::string_view text, size_t open) {
  for (size_t i = open + 1; i < text.size(); ++i) {
    if (text[i] != '"') continue;
    if (i + 1 < text.size() && text[i + 1] == '"') {
      ++i;  // a doubled quote stands for one
      continue;
    }
    return i;
  }
  return std::string_view::npos;
}

[[noreturn]] void badPath(std::string_view text, const char* why) {
  throw runtime::Error(runtime::kInvalidProcedureCall, std::string(why) + " in '" + std::string(text) + "'");
}

// A part of a path as written, trimmed and taken out of its quotes.
std::string pathPart(std::string_view written, std::string_view path) {
  std::string_view part = runtime::Trim(written);
  if (!part.starts_with('"')) return std::string(part);
  const size_t close = closingQuote(part, 0);
  if (close == std::string_view::npos) badPath(path, "a quote is not closed");
  if (close + 1 != part.size()) badPath(path, "text follows a closing quote");
  std::string text;
  for (size_t i = 1; i < close; ++i) {
    text += part[i];
    if (part[i] == '"') ++i;
  }
  return text;
}

}  // namespace

size_t findUnquoted(std::string_view text, std::string_view what) {
  bool partStarts = true;
  for (size_t i = 0; i < text.size(); ++i) {
    if (partStarts && text[i] != ' ') {
      partStarts = false;
      if (text[i] == '"') {
        i = closingQuote(text, i);
        if (i == std::string_view::npos) return i;
        continue;
      }
    }
    if (text.substr(i).starts_with(what)) return i;
    if (text[i] == '>') partStarts = true;
  }
  return std::string_view::npos;
}

std::vector<std::string> splitMenuPath(std::string_view text) {
  std::vector<std::string> parts;
  for (std::string_view rest = text;;) {
    const size_t end = findUnquoted(rest, ">");
    parts.push_back(pathPart(rest.substr(0, end), text));
    if (end == std::string_view::npos) return parts;
    rest.remove_prefix(end + 1);
  }
}

std::shared_ptr<office::CommandBars> createCommandBars() {
  auto bars = std::make_shared<Bars>();
  auto menuBar = std::make_shared<Bar>("Menu Bar");
  for (const char* caption :
       {"&File", "&Edit", "&View", "&Insert", "F&ormat", "&Tools", "T&able", "&Window", "&Help"}) {
    menuBar->add(office::msoControlPopup, 1, std::nullopt, false)->SetCaption(caption);
  }
  bars->bars.push_back(menuBar);
  bars->bars.push_back(std::make_shared<Bar>("Standard"));
  return bars;
}

std::shared_ptr<office::CommandBarControl> findControlByPath(office::CommandBars& bars,
                                                             const std::vector<std::string>& path) {
  return walk(bars, path);
}

void clickControl(office::CommandBars& bars, const std::vector<std::string>& path) {
  auto control = walk(bars, path);
  if (control->popupBar()) fail();
  control->click();
}

}  // namespace tw::engine
