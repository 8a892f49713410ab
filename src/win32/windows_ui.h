#pragma once

// The user interface on Windows: message boxes through MessageBoxW and timers through SetTimer on the
// calling (user-interface) thread. Forms keep their controls' state but draw no window yet.

#include "win32/windows_api.h"

#include "platform/ui/ui.h"

namespace tw::win32 {

class WindowsUi final : public ui::Ui {
 public:
  int MsgBox(const std::string& prompt, int buttons, const std::optional<std::string>& title) override;
  std::unique_ptr<ui::Timer> CreateTimer(std::function<void()> tick) override;
  std::unique_ptr<ui::Form> CreateForm(const std::string& title) override;
  // Pictures through GDI+ are not wired yet: fails with E_NOTIMPL.
  std::shared_ptr<ui::Picture> PictureFromPng(const std::string& bytes) override;
  void DoEvents() override;
};

}  // namespace tw::win32
