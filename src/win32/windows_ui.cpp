#include "win32/windows_ui.h"

#include <map>
#include <utility>

#include "runtime/error.h"
#include "win32/dialog_form.h"
#include "win32/file_watch.h"
#include "win32/gdiplus_picture.h"
#include "win32/text.h"

namespace tw::win32 {
namespace {

// The title Word gives a message box that names none.
constexpr const char* kDefaultTitle = "Microsoft Word";

// A thread timer: SetTimer without a window calls back by id, so the living timers are looked up here.
class ThreadTimer final : public ui::Timer {
 public:
  explicit ThreadTimer(std::function<void()> tick) : tick_(std::move(tick)) {}
  ThreadTimer(const ThreadTimer&) = delete;
  ThreadTimer& operator=(const ThreadTimer&) = delete;
  ~ThreadTimer() override { stop(); }

  int Interval() override { return interval_; }
  void SetInterval(int milliseconds) override {
    stop();
    interval_ = milliseconds > 0 ? milliseconds : 0;
    if (interval_ == 0) return;
    id_ = SetTimer(nullptr, 0, static_cast<UINT>(interval_), &ThreadTimer::onTimer);
    if (id_ == 0) throw runtime::Error(7, "De timer kon niet worden gestart.");
    living()[id_] = this;
  }

 private:
  static std::map<UINT_PTR, ThreadTimer*>& living() {
    static std::map<UINT_PTR, ThreadTimer*> timers;
    return timers;
  }

  static void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = living().find(id);
    if (found == living().end()) return;
    // A tick handler is an event handler: its failure does not reach the message loop.
    runtime::resumeNext([&] { found->second->tick_(); });
  }

  void stop() {
    if (id_ == 0) return;
    KillTimer(nullptr, id_);
    living().erase(id_);
    id_ = 0;
  }

  std::function<void()> tick_;
  int interval_ = 0;
  UINT_PTR id_ = 0;
};

}  // namespace

int WindowsUi::MsgBox(const std::string& prompt, int buttons, const std::optional<std::string>& title) {
  std::wstring text = toWide(prompt);
  std::wstring caption = toWide(title.value_or(kDefaultTitle));
  return MessageBoxW(nullptr, text.c_str(), caption.c_str(), static_cast<UINT>(buttons));
}

std::unique_ptr<ui::Timer> WindowsUi::CreateTimer(std::function<void()> tick) {
  return std::make_unique<ThreadTimer>(std::move(tick));
}

std::shared_ptr<ui::Picture> WindowsUi::LoadPicture(const std::string& hostPath) {
  return loadPictureGdi(toWide(hostPath));
}

std::unique_ptr<ui::Form> WindowsUi::CreateForm(const std::string& title) {
  return std::make_unique<DialogForm>(title);
}

std::unique_ptr<ui::FileWatch> WindowsUi::WatchFile(const std::string& hostPath,
                                                    std::function<void()> changed) {
  return watchFile(toWide(hostPath), std::move(changed));
}

void WindowsUi::DoEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace tw::win32
