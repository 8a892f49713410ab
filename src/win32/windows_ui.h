#pragma once

// The user interface on Windows: message boxes through MessageBoxW and timers through SetTimer on the
// calling (user-interface) thread. Forms keep their controls' state but draw no window yet.

#include "win32/windows_api.h"

#include "platform/net/http.h"
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

// The HTTP side until the MSXML request objects are wired: every request fails with a clear error.
class UnavailableHttp final : public net::Http {
 public:
  std::unique_ptr<net::HttpRequest> CreateRequest() override;
};

}  // namespace tw::win32
