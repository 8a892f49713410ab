#include "support/test_services.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "runtime/error.h"

namespace tw::testing {
namespace {

class ManualTimer : public ui::Timer {
 public:
  int Interval() override { return interval_; }
  void SetInterval(int milliseconds) override { interval_ = milliseconds; }

 private:
  int interval_ = 0;
};

class RecordingForm : public ui::Form {
 public:
  void Show() override { shown_ = true; }
  void Hide() override { shown_ = false; }
  bool IsShown() override { return shown_; }
  std::string Text(const std::string&) override { return {}; }
  void SetText(const std::string&, const std::string&) override {}
  void SetVisible(const std::string&, bool) override {}
  void SetEnabled(const std::string&, bool) override {}
  void OnButton(const std::string&, std::function<void()>) override {}

 private:
  bool shown_ = false;
};

class RefusedRequest : public net::HttpRequest {
 public:
  void Open(const std::string&, const std::string&, bool) override { state_ = 1; }
  void SetRequestHeader(const std::string&, const std::string&) override {}
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

std::unique_ptr<ui::Timer> ScriptedUi::CreateTimer(std::function<void()>) {
  return std::make_unique<ManualTimer>();
}

std::unique_ptr<ui::Form> ScriptedUi::CreateForm(const std::string&) {
  return std::make_unique<RecordingForm>();
}

std::unique_ptr<net::HttpRequest> RefusingHttp::CreateRequest() {
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
