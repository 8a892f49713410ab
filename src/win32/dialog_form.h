#pragma once

// The add-in's forms as Win32 windows. Each form's controls are laid out by a table of their kinds and
// places (the form's dialog template); the controls' state lives in the form and is mirrored into the
// window. Where no window can be made (Wine without a display) the form keeps its state only.

#include "win32/windows_api.h"

#include <functional>
#include <map>
#include <string>

#include "platform/ui/ui.h"

namespace tw::win32 {

// The window class of the forms, so that a test can find them.
constexpr const wchar_t* kFormWindowClass = L"TallyweaveForm";

class DialogForm final : public ui::Form {
 public:
  explicit DialogForm(const std::string& title);
  DialogForm(const DialogForm&) = delete;
  DialogForm& operator=(const DialogForm&) = delete;
  ~DialogForm() override;

  void Show() override;
  void Hide() override;
  bool IsShown() override { return shown_; }
  std::string Text(const std::string& control) override;
  void SetText(const std::string& control, const std::string& text) override;
  void SetVisible(const std::string& control, bool visible) override;
  void SetEnabled(const std::string& control, bool enabled) override;
  void OnButton(const std::string& control, std::function<void()> handler) override;

  // The form's window; null without a display.
  HWND window() const { return window_; }

 private:
  struct Control {
    std::string text;
    bool visible = true;
    bool enabled = true;
    std::function<void()> pressed;
    HWND window = nullptr;  // owned by the form's window
    bool editable = false;
  };

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void pressed(int id);

  std::map<std::string, Control> controls_;
  HWND window_ = nullptr;
  bool shown_ = false;
};

}  // namespace tw::win32
