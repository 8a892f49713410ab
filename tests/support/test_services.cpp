#include "support/test_services.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "posix/png_picture.h"
#include "runtime/error.h"

namespace tw::testing {
namespace {

class ManualTimer : public ui::Timer {
 public:
  explicit ManualTimer(std::shared_ptr<TimerRecord> record) : record_(std::move(record)) {}
  ~ManualTimer() override { record_->interval = 0; }
  int Interval() override { return record_->interval; }
  void SetInterval(int milliseconds) override { record_->interval = milliseconds; }

 private:
  std::shared_ptr<TimerRecord> record_;
};

class RecordingForm : public ui::Form {
 public:
  explicit RecordingForm(std::shared_ptr<FormRecord> record) : record_(std::move(record)) {}
  ~RecordingForm() override { record_->shown = false; }
  void Show() override { record_->shown = true; }
  void Hide() override { record_->shown = false; }
  bool IsShown() override { return record_->shown; }
  std::string Text(const std::string& control) override { return record_->texts[control]; }
  void SetText(const std::string& control, const std::string& text) override {
    record_->texts[control] = text;
  }
  void SetVisible(const std::string& control, bool visible) override { record_->visible[control] = visible; }
  void SetEnabled(const std::string& control, bool enabled) override { record_->enabled[control] = enabled; }
  void OnButton(const std::string& control, std::function<void()> handler) override {
    record_->buttons[control] = std::move(handler);
  }

 private:
  std::shared_ptr<FormRecord> record_;
};

class ScriptedRequest : public net::HttpRequest {
 public:
  ScriptedRequest(ScriptedHttp& owner, net::RequestClass requestClass)
      : owner_(owner), requestClass_(requestClass) {}
  void Open(const std::string& method, const std::string& url, bool) override {
    sent_ = {requestClass_, method, url, {}, {}, {}};
    state_ = 1;
  }
  void SetRequestHeader(const std::string& name, const std::string& value) override {
    sent_.headers.emplace_back(name, value);
  }
  void SetLimits(const net::RequestLimits& limits) override { sent_.limits = limits; }
  void Send(const std::string& body) override {
    sent_.body = body;
    owner_.sent.push_back(sent_);
    ScriptedHttp::Answer answer;
    if (!owner_.answers.empty()) {
      answer = owner_.answers.front();
      owner_.answers.pop_front();
    } else {
      answer.body = "ok";
    }
    if (answer.errorNumber) throw runtime::Error(*answer.errorNumber, "scripted failure", "msxml6.dll");
    status_ = answer.status;
    body_ = answer.body;
    state_ = 4;
  }
  int ReadyState() override { return state_; }
  int Status() override { return status_; }
  std::string ResponseText() override { return body_; }
  std::string ResponseBody() override { return body_; }

 private:
  ScriptedHttp& owner_;
  net::RequestClass requestClass_;
  ScriptedHttp::Sent sent_;
  int state_ = 0;
  int status_ = 0;
  std::string body_;
};

class RefusedRequest : public net::HttpRequest {
 public:
  void Open(const std::string&, const std::string&, bool) override { state_ = 1; }
  void SetRequestHeader(const std::string&, const std::string&) override {}
  void SetLimits(const net::RequestLimits&) override {}
  void Send(const std::string&) override {
    throw runtime::Error(-2146697211, "The system cannot locate the resource specified.", "msxml6.dll");
  }
  int ReadyState() override { return state_; }
  int Status() override { return 0; }
  std::string ResponseText() override { return {}; }
  std::string ResponseBody() override { return {}; }

 private:
  int state_ = 0;
};

}  // namespace

int ScriptedUi::MsgBox(const std::string& prompt, int buttons, const std::optional<std::string>& title) {
  shown.push_back({prompt, buttons, title});
  if (!answers.empty()) {
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  return (buttons & 7) == ui::vbYesNo ? ui::vbYes : ui::vbOK;
}

std::unique_ptr<ui::Timer> ScriptedUi::CreateTimer(std::function<void()> tick) {
  auto record = std::make_shared<TimerRecord>();
  record->tick = std::move(tick);
  timers.push_back(record);
  return std::make_unique<ManualTimer>(record);
}

std::unique_ptr<ui::Form> ScriptedUi::CreateForm(const std::string& title) {
  auto record = std::make_shared<FormRecord>();
  record->title = title;
  forms.push_back(record);
  return std::make_unique<RecordingForm>(record);
}

std::shared_ptr<ui::Picture> ScriptedUi::LoadPicture(const std::string& hostPath) {
  return posix::loadPng(hostPath);
}

FormRecord& ScriptedUi::form(const std::string& title) {
  for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
    if ((*it)->title == title) return **it;
  }
  ADD_FAILURE() << "no form '" << title << "'";
  static FormRecord none;
  return none;
}

void ScriptedUi::tick() {
  auto running = timers;
  for (const auto& timer : running) {
    if (timer->interval > 0) timer->tick();
  }
}

void FormRecord::press(const std::string& control) {
  if (!isVisible(control) || (enabled.contains(control) && !enabled.at(control)) ||
      !buttons.contains(control)) {
    ADD_FAILURE() << "button '" << control << "' of '" << title << "' cannot be pressed";
    return;
  }
  auto handler = buttons.at(control);
  handler();
}

std::unique_ptr<net::HttpRequest> ScriptedHttp::CreateRequest(net::RequestClass requestClass) {
  return std::make_unique<ScriptedRequest>(*this, requestClass);
}

std::unique_ptr<net::HttpRequest> RefusingHttp::CreateRequest(net::RequestClass /*requestClass*/) {
  return std::make_unique<RefusedRequest>();
}

std::vector<std::string> debugLogMessages(const std::string& log) {
  std::vector<std::string> messages;
  size_t pos = 0;
  while (pos < log.size()) {
    size_t end = log.find("\"\r\n", pos);
    if (end == std::string::npos) break;
    std::string line = log.substr(pos + 1, end - pos - 1);
    size_t colon = line.find(": ");
    messages.push_back(colon == std::string::npos ? line : line.substr(colon + 2));
    pos = end + 3;
  }
  return messages;
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tw-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempFolder::write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path_ / name, std::ios::binary);
  out << bytes;
}

std::string TempFolder::read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace tw::testing
