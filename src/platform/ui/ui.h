#pragma once

// Message boxes, forms and timers. Text is Windows-1252 bytes.

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tw::ui {

// MsgBox button and icon styles (added together).
constexpr int vbOKOnly = 0;
constexpr int vbOKCancel = 1;
constexpr int vbYesNo = 4;
constexpr int vbCritical = 16;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;
constexpr int vbMsgBoxSetForeground = 65536;

// MsgBox answers.
constexpr int vbOK = 1;
constexpr int vbCancel = 2;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

// A timer that ticks on the user-interface thread every Interval() milliseconds; 0 stops it.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual int Interval() = 0;
  virtual void SetInterval(int milliseconds) = 0;
};

// A dialog window with named controls (labels, text boxes, buttons, pictures).
class Form {
 public:
  virtual ~Form() = default;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsShown() = 0;
  virtual std::string Text(const std::string& control) = 0;
  virtual void SetText(const std::string& control, const std::string& text) = 0;
  virtual void SetVisible(const std::string& control, bool visible) = 0;
  virtual void SetEnabled(const std::string& control, bool enabled) = 0;
  // Called when the user presses a button of the form.
  virtual void OnButton(const std::string& control, std::function<void()> handler) = 0;
};

// A picture for the ribbon: the loaded image (Office's IPictureDisp).
class Picture {
 public:
  virtual ~Picture() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
};

// Watches one file while it lives.
class FileWatch {
 public:
  virtual ~FileWatch() = default;
};

class Ui {
 public:
  virtual ~Ui() = default;
  // Shows a message box and waits for the answer. Without a title the add-in's default title is shown.
  virtual int MsgBox(const std::string& prompt, int buttons = vbOKOnly,
                     const std::optional<std::string>& title = std::nullopt) = 0;
  virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> tick) = 0;
  // A form with the given window title; its controls appear as they are first set.
  virtual std::unique_ptr<Form> CreateForm(const std::string& title) = 0;
  // The picture in a PNG file, named as the system's HostPath gives it; nullptr when the file is missing
  // or not a readable image.
  virtual std::shared_ptr<Picture> LoadPicture(const std::string& hostPath) = 0;
  // Lets pending user-interface events run.
  virtual void DoEvents() = 0;
  // Runs `changed` on the user-interface thread, as a timer's tick runs, soon after the file at `hostPath`
  // (named as the system's HostPath gives it) was written and closed, or renamed into place: a writer
  // that writes a file whole is seen once it has. Where the system reports a write while it happens
  // (Windows), a call may also come before the writer is done; its last write makes another. nullptr where
  // changes cannot be watched; a caller then learns of them from its own timer, later.
  virtual std::unique_ptr<FileWatch> WatchFile(const std::string& /*hostPath*/,
                                               std::function<void()> /*changed*/) {
    return nullptr;
  }
};

}  // namespace tw::ui
