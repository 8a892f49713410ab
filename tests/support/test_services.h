#pragma once

// Test doubles for where a person or the network would sit, and a temporary TEMP folder.

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/net/http.h"
#include "platform/ui/ui.h"

namespace tw::testing {

// What a form of ScriptedUi holds; a test reads its controls and presses its buttons.
struct FormRecord {
  std::string title;
  bool shown = false;
  std::map<std::string, std::string> texts;
  std::map<std::string, bool> visible;
  std::map<std::string, bool> enabled;
  std::map<std::string, std::function<void()>> buttons;

  // Runs the button's handler; fails the test when the button is hidden, disabled or unknown.
  void press(const std::string& control);
  bool isVisible(const std::string& control) const {
    return !visible.contains(control) || visible.at(control);
  }
};

struct TimerRecord {
  std::function<void()> tick;
  int interval = 0;
};

// A message box that records what it showed and answers from a script (then with the default: OK,
// or Yes for Yes/No boxes). Forms and timers are recorded; timers tick only when told.
class ScriptedUi : public ui::Ui {
 public:
  struct Shown {
    std::string prompt;
    int buttons = 0;
    std::optional<std::string> title;
  };

  int MsgBox(const std::string& prompt, int buttons, const std::optional<std::string>& title) override;
  std::unique_ptr<ui::Timer> CreateTimer(std::function<void()> tick) override;
  std::unique_ptr<ui::Form> CreateForm(const std::string& title) override;
  std::shared_ptr<ui::Picture> LoadPicture(const std::string& hostPath) override;
  void DoEvents() override {}

  // The form last created with this title; fails the test when there is none.
  FormRecord& form(const std::string& title);
  // One tick of every running timer.
  void tick();

  std::deque<int> answers;
  std::vector<Shown> shown;
  std::vector<std::shared_ptr<FormRecord>> forms;
  std::vector<std::shared_ptr<TimerRecord>> timers;
};

// An HTTP client that records every request and answers from a script: a status and a body, or an error
// raised by Send. Without a scripted answer it answers 200 "ok".
class ScriptedHttp : public net::Http {
 public:
  struct Answer {
    int status = 200;
    std::string body;
    std::optional<long> errorNumber;  // Send raises this error instead
  };
  struct Sent {
    net::RequestClass requestClass;
    std::string method;
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    net::RequestLimits limits;
  };

  std::unique_ptr<net::HttpRequest> CreateRequest(net::RequestClass requestClass) override;

  std::deque<Answer> answers;
  std::vector<Sent> sent;
};

// An HTTP client for tests that must not reach the network: every request fails to connect.
class RefusingHttp : public net::Http {
 public:
  std::unique_ptr<net::HttpRequest> CreateRequest(net::RequestClass requestClass) override;
};

// The messages of a debug log, in order, without their date and quotes.
std::vector<std::string> debugLogMessages(const std::string& log);

// A fresh folder that is removed again with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // Writes `bytes` to `name` inside the folder.
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

 private:
  std::filesystem::path path_;
};

}  // namespace tw::testing
