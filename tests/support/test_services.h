#pragma once

// Test doubles for where a person or the network would sit, and a temporary TEMP folder.

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/net/http.h"
#include "platform/ui/ui.h"

namespace tw::testing {

// A message box that records what it showed and answers from a script (then with the default: OK,
// or Yes for Yes/No boxes).
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
  void DoEvents() override {}

  std::deque<int> answers;
  std::vector<Shown> shown;
};

// An HTTP client for tests that must not reach the network: every request fails to connect.
class RefusingHttp : public net::Http {
 public:
  std::unique_ptr<net::HttpRequest> CreateRequest() override;
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
