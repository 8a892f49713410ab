#include "posix/console_ui.h"

#include <poll.h>
#include <sys/inotify.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <thread>

#include "platform/ui/form_templates.h"
#include "posix/png_picture.h"
#include "runtime/codepage.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace tw::posix {
namespace {

struct ButtonSet {
  std::vector<std::pair<const char*, int>> buttons;  // label, answer
};

ButtonSet buttonsOf(int style) {
  switch (style & 7) {
    case 1:
      return {{{"OK", ui::vbOK}, {"Annuleren", ui::vbCancel}}};
    case 2:
      return {{{"Afbreken", 3}, {"Opnieuw", 4}, {"Negeren", 5}}};
    case 3:
      return {{{"Ja", ui::vbYes}, {"Nee", ui::vbNo}, {"Annuleren", ui::vbCancel}}};
    case 4:
      return {{{"Ja", ui::vbYes}, {"Nee", ui::vbNo}}};
    case 5:
      return {{{"Opnieuw", 4}, {"Annuleren", ui::vbCancel}}};
    default:
      return {{{"OK", ui::vbOK}}};
  }
}

int answerCode(const std::string& word) {
  static const std::map<std::string, int> codes = {
      {"ok", ui::vbOK}, {"cancel", ui::vbCancel}, {"abort", 3},    {"retry", 4},
      {"ignore", 5},    {"yes", ui::vbYes},       {"no", ui::vbNo}};
  auto it = codes.find(word);
  return it == codes.end() ? 0 : it->second;
}

const char* iconOf(int style) {
  switch (style & 0x70) {
    case ui::vbCritical:
      return " (error)";
    case 32:
      return " (question)";
    case ui::vbExclamation:
      return " (warning)";
    case ui::vbInformation:
      return " (information)";
    default:
      return "";
  }
}

}  // namespace

struct ConsoleUi::TimerState {
  std::function<void()> tick;
  int interval = 0;
  long due = 0;
  bool alive = true;
};

struct ConsoleUi::WatchState {
  int folder = -1;  // the inotify watch of the file's folder
  std::string name;
  std::function<void()> changed;
  bool alive = true;
};

struct ConsoleUi::FormState {
  std::string title;
  bool shown = false;
  std::map<std::string, std::string> texts;
  std::map<std::string, bool> visible;
  std::map<std::string, bool> enabled;
  std::map<std::string, std::function<void()>> buttons;
  bool alive = true;
};

namespace {

class ConsoleWatch : public ui::FileWatch {
 public:
  explicit ConsoleWatch(std::shared_ptr<ConsoleUi::WatchState> state) : state_(std::move(state)) {}
  // The folder's watch is shared by every file watched in it; ConsoleUi removes it with the last.
  ~ConsoleWatch() override { state_->alive = false; }
  ConsoleWatch(const ConsoleWatch&) = delete;
  ConsoleWatch& operator=(const ConsoleWatch&) = delete;

 private:
  std::shared_ptr<ConsoleUi::WatchState> state_;
};

class ConsoleTimer : public ui::Timer {
 public:
  ConsoleTimer(std::shared_ptr<ConsoleUi::TimerState> state, const long& clock)
      : state_(std::move(state)), clock_(clock) {}
  ~ConsoleTimer() override { state_->alive = false; }
  int Interval() override { return state_->interval; }
  void SetInterval(int milliseconds) override {
    state_->interval = std::max(0, milliseconds);
    state_->due = clock_ + state_->interval;
  }

 private:
  std::shared_ptr<ConsoleUi::TimerState> state_;
  const long& clock_;
};

bool isLogBox(const std::string& formTitle, const std::string& control) {
  const ui::ControlPlace* place = ui::controlPlace(formTitle, control);
  return place && place->kind == ui::ControlKind::kLog;
}

class ConsoleForm : public ui::Form {
 public:
  ConsoleForm(std::shared_ptr<ConsoleUi::FormState> state, std::ostream& out, bool verbose)
      : state_(std::move(state)), out_(out), verbose_(verbose) {}
  ~ConsoleForm() override { state_->alive = false; }

  void Show() override {
    if (!state_->shown) out_ << "[" << runtime::cp1252ToUtf8(state_->title) << "] form shown\n";
    state_->shown = true;
  }
  void Hide() override {
    if (state_->shown) out_ << "[" << runtime::cp1252ToUtf8(state_->title) << "] form hidden\n";
    state_->shown = false;
  }
  bool IsShown() override { return state_->shown; }
  std::string Text(const std::string& control) override { return state_->texts[control]; }
  void SetText(const std::string& control, const std::string& text) override {
    state_->texts[control] = text;
    if (state_->shown && (verbose_ || !isLogBox(state_->title, control))) {
      out_ << "[" << runtime::cp1252ToUtf8(state_->title) << "] " << control << ": "
           << runtime::cp1252ToUtf8(text) << "\n";
    }
  }
  void SetVisible(const std::string& control, bool visible) override { state_->visible[control] = visible; }
  void SetEnabled(const std::string& control, bool enabled) override { state_->enabled[control] = enabled; }
  void OnButton(const std::string& control, std::function<void()> handler) override {
    state_->buttons[control] = std::move(handler);
  }

 private:
  std::shared_ptr<ConsoleUi::FormState> state_;
  std::ostream& out_;
  bool verbose_;
};

}  // namespace

ConsoleUi::ConsoleUi(std::ostream& out, std::vector<std::string> answers, bool verbose)
    : out_(out), answers_(answers.begin(), answers.end()), verbose_(verbose) {}

ConsoleUi::~ConsoleUi() = default;

int ConsoleUi::MsgBox(const std::string& prompt, int buttons, const std::optional<std::string>& title) {
  ButtonSet set = buttonsOf(buttons);
  size_t defaultIndex = std::min<size_t>((buttons >> 8) & 3, set.buttons.size() - 1);
  int answer = set.buttons[defaultIndex].second;
  std::string how = "default button";
  if (!answers_.empty()) {
    std::string scripted = answers_.front();
    answers_.pop_front();
    int code = answerCode(scripted);
    bool offered =
        std::any_of(set.buttons.begin(), set.buttons.end(), [&](const auto& b) { return b.second == code; });
    if (offered) {
      answer = code;
      how = "scripted answer '" + scripted + "'";
    } else {
      how = "default button; scripted answer '" + scripted + "' does not fit";
    }
  }

  const std::string rule(60, '-');
  out_ << "+-- Tallyweave message box" << iconOf(buttons) << " " << rule.substr(0, 20) << "\n";
  out_ << "| " << runtime::cp1252ToUtf8(title.value_or("Microsoft Word")) << "\n|\n";
  std::string text = runtime::cp1252ToUtf8(prompt);
  size_t start = 0;
  while (true) {
    size_t end = text.find_first_of("\r\n", start);
    out_ << "| " << text.substr(start, end == std::string::npos ? std::string::npos : end - start) << "\n";
    if (end == std::string::npos) break;
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  out_ << "|\n|";
  std::string chosen;
  for (const auto& [label, code] : set.buttons) {
    out_ << " [" << label << "]";
    if (code == answer) chosen = label;
  }
  out_ << "\n+-> " << chosen << " (" << how << ")\n" << std::flush;
  return answer;
}

std::unique_ptr<ui::Timer> ConsoleUi::CreateTimer(std::function<void()> tick) {
  auto state = std::make_shared<TimerState>();
  state->tick = std::move(tick);
  std::erase_if(timers_, [](const auto& t) { return !t->alive; });
  timers_.push_back(state);
  return std::make_unique<ConsoleTimer>(state, clock_);
}

std::unique_ptr<ui::FileWatch> ConsoleUi::WatchFile(const std::string& hostPath,
                                                    std::function<void()> changed) {
  const std::filesystem::path path(hostPath);
  if (!inotify_.valid()) inotify_ = FileDescriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (!inotify_.valid() || !path.has_filename()) return nullptr;
  const std::string folder = path.has_parent_path() ? path.parent_path().string() : ".";
  // Written and closed, or renamed into place: never a file half written.
  const int watch = ::inotify_add_watch(inotify_.get(), folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
  if (watch < 0) return nullptr;
  auto state = std::make_shared<WatchState>();
  state->folder = watch;
  state->name = path.filename().string();
  state->changed = std::move(changed);
  watches_.push_back(state);
  return std::make_unique<ConsoleWatch>(state);
}

void ConsoleUi::runFileWatches() {
  if (!inotify_.valid()) return;
  std::vector<std::shared_ptr<WatchState>> due;
  alignas(inotify_event) char buffer[4096];
  ssize_t got;
  while ((got = ::read(inotify_.get(), buffer, sizeof buffer)) > 0) {
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->len == 0) continue;
      for (const auto& watch : watches_) {
        if (watch->alive && watch->folder == event->wd && watch->name == event->name &&
            std::find(due.begin(), due.end(), watch) == due.end())
          due.push_back(watch);
      }
    }
  }
  // A folder whose every watch has gone is watched no more.
  std::vector<int> folders;
  for (const auto& watch : watches_) {
    if (!watch->alive) folders.push_back(watch->folder);
  }
  std::erase_if(watches_, [](const auto& watch) { return !watch->alive; });
  for (int folder : folders) {
    if (std::none_of(watches_.begin(), watches_.end(), [&](const auto& w) { return w->folder == folder; }))
      ::inotify_rm_watch(inotify_.get(), folder);
  }
  for (const auto& watch : due) {
    if (watch->alive) watch->changed();
  }
}

void ConsoleUi::waitForFileChanges(std::chrono::milliseconds timeout) {
  if (watches_.empty()) {
    std::this_thread::sleep_for(timeout);
    return;
  }
  pollfd wait{inotify_.get(), POLLIN, 0};
  ::poll(&wait, 1, static_cast<int>(timeout.count()));
  runFileWatches();
}

std::unique_ptr<ui::Form> ConsoleUi::CreateForm(const std::string& title) {
  auto state = std::make_shared<FormState>();
  state->title = title;
  std::erase_if(forms_, [](const auto& f) { return !f->alive; });
  forms_.push_back(state);
  return std::make_unique<ConsoleForm>(state, out_, verbose_);
}

std::shared_ptr<ui::Picture> ConsoleUi::LoadPicture(const std::string& hostPath) {
  return loadPng(hostPath);
}

void ConsoleUi::advance(long milliseconds) {
  runFileWatches();
  const long until = clock_ + std::clamp(milliseconds, 0L, kClockEnd - clock_);
  while (true) {
    std::shared_ptr<TimerState> next;
    for (const auto& timer : timers_) {
      if (timer->alive && timer->interval > 0 && timer->due <= until && (!next || timer->due < next->due))
        next = timer;
    }
    if (!next) break;
    clock_ = std::max(clock_, next->due);
    next->due = clock_ + next->interval;
    next->tick();
  }
  clock_ = until;
}

namespace {

using FormState = ConsoleUi::FormState;

bool isOn(const std::map<std::string, bool>& flags, const std::string& control) {
  auto it = flags.find(control);
  return it == flags.end() || it->second;
}

std::shared_ptr<FormState> shownForm(const std::vector<std::shared_ptr<FormState>>& forms,
                                     const std::string& title) {
  for (const auto& form : forms) {
    if (form->alive && form->shown && form->title == title) return form;
  }
  throw runtime::Error(runtime::kInvalidProcedureCall, "No shown form '" + title + "'");
}

bool isButton(const FormState& form, const std::string& control) {
  return form.buttons.contains(control);
}

// A box a person types into: what the form's design calls a text box; on a form without a design, any
// control with a text that is not a button.
bool isTextBox(const FormState& form, const std::string& control) {
  if (!ui::formTemplate(form.title)) return form.texts.contains(control) && !isButton(form, control);
  const ui::ControlPlace* place = ui::controlPlace(form.title, control);
  return place && (place->kind == ui::ControlKind::kTextBox || place->kind == ui::ControlKind::kPassword);
}

// How a person reads a caption, to compare it: see runtime::captionKey; a label's closing colon aside.
std::string readAs(std::string_view caption) {
  caption = runtime::Trim(caption);
  if (caption.ends_with(':')) caption = runtime::Trim(caption.substr(0, caption.size() - 1));
  return runtime::captionKey(caption);
}

// What a person reads on a control: a button's own text, the label before a text box.
std::string captionOf(const FormState& form, const std::string& control) {
  if (isButton(form, control)) {
    auto text = form.texts.find(control);
    return text == form.texts.end() ? std::string() : text->second;
  }
  const ui::ControlPlace* place = ui::controlPlace(form.title, control);
  if (!place || !place->label) return {};
  auto label = form.texts.find(place->label);
  return label == form.texts.end() || !isOn(form.visible, place->label) ? std::string() : label->second;
}

// The control that `given` names among those of one kind: the one of that name, else the visible one a
// person reads as `given`. `given` itself when none is, so that the caller's error names it.
std::string controlNamed(const FormState& form, const std::string& given,
                         bool (*ofKind)(const FormState&, const std::string&), const char* kind) {
  if (ofKind(form, given)) return given;
  std::vector<std::string> names;
  for (const auto& [name, text] : form.texts) names.push_back(name);
  for (const auto& [name, handler] : form.buttons) {
    if (!form.texts.contains(name)) names.push_back(name);
  }
  const std::string wanted = readAs(given);
  std::string found;
  for (const std::string& name : names) {
    if (!ofKind(form, name) || !isOn(form.visible, name)) continue;
    const std::string caption = captionOf(form, name);
    if (caption.empty() || readAs(caption) != wanted) continue;
    if (!found.empty()) {
      throw runtime::Error(runtime::kInvalidProcedureCall, "More than one " + std::string(kind) + " reads '" +
                                                               given + "' on the form '" + form.title + "'");
    }
    found = name;
  }
  return found.empty() ? given : found;
}

}  // namespace

void ConsoleUi::pressButton(const std::string& formTitle, const std::string& control) {
  auto form = shownForm(forms_, formTitle);
  const std::string name = controlNamed(*form, control, isButton, "button");
  auto it = form->buttons.find(name);
  if (it == form->buttons.end() || !isOn(form->visible, name) || !isOn(form->enabled, name)) {
    throw runtime::Error(runtime::kInvalidProcedureCall,
                         "No button '" + control + "' to press on the form '" + formTitle + "'");
  }
  auto handler = it->second;
  handler();
}

void ConsoleUi::fillText(const std::string& formTitle, const std::string& control, const std::string& text) {
  auto form = shownForm(forms_, formTitle);
  const std::string name = controlNamed(*form, control, isTextBox, "text box");
  if (!isTextBox(*form, name) || !isOn(form->visible, name)) {
    throw runtime::Error(runtime::kInvalidProcedureCall,
                         "No text box '" + control + "' to fill on the form '" + formTitle + "'");
  }
  form->texts[name] = text;
}

std::string ConsoleUi::controlText(const std::string& formTitle, const std::string& control) {
  for (const auto& form : forms_) {
    if (form->alive && form->title == formTitle) return form->texts[control];
  }
  throw runtime::Error(runtime::kInvalidProcedureCall, "No form '" + formTitle + "'");
}

}  // namespace tw::posix
