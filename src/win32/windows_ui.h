#pragma once

// The user interface on Windows: message boxes through MessageBoxW, timers through SetTimer on the
// calling (user-interface) thread, forms as windows (DialogForm) and file watches through the folder's
// change notifications (watchFile).

#include "win32/windows_api.h"

#include "platform/ui/ui.h"

namespace tw::win32 {

class WindowsUi final : public ui::Ui {
 public:
  int MsgBox(const std::string& prompt, int buttons, const std::optional<std::string>& title) override;
  std::unique_ptr<ui::Timer> CreateTimer(std::function<void()> tick) override;
  std::unique_ptr<ui::Form> CreateForm(const std::string& title) override;
  // Through GDI+ (loadPictureGdi): the picture is an OlePicture.
  std::shared_ptr<ui::Picture> LoadPicture(const std::string& hostPath) override;
  void DoEvents() override;
  // Through change notifications of the file's folder (watchFile), run by this thread's message loop.
  std::unique_ptr<ui::FileWatch> WatchFile(const std::string& hostPath,
                                           std::function<void()> changed) override;
};

}  // namespace tw::win32
