#include "win32/file_watch.h"

#include <atomic>
#include <string_view>
#include <utility>

#include "runtime/error.h"
#include "win32/handle.h"
#include "win32/module.h"

namespace tw::win32 {
namespace {

// Windows has no event for a file closed after its write: the folder reports a write while it happens
// (a write that truncates first reports the empty file too), and a rename into place once it is done. A
// wake may therefore find the file as it was, empty, or half written by a writer that writes in several
// calls. The daemon is safe with that: it only reads the status on a wake and acts on 1 or 15 alone, the
// service writes those few bytes in one call, and a change read too early is followed by the notice of its
// last write (or by the daemon's timer).
constexpr DWORD kNotifyFilter = FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME;
constexpr UINT kChangedMessage = WM_APP + 1;
constexpr const wchar_t* kWatchWindowClass = L"TallyweaveFileWatch";

// The window class is registered while watches live, as the forms' is: a class left behind by an unloaded
// DLL would name a window procedure that is gone.
int livingWatches = 0;

bool sameName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

class FolderWatch final : public ui::FileWatch {
 public:
  FolderWatch(Handle folder, std::wstring name, std::function<void()> changed)
      : folder_(std::move(folder)), name_(std::move(name)), changed_(std::move(changed)) {}
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  ~FolderWatch() override {
    if (worker_.valid()) {
      SetEvent(stop_.get());
      WaitForSingleObject(worker_.get(), INFINITE);
    } else if (reading_) {
      cancelRead();
    }
    if (window_) {
      // A notice already posted finds no window and no watch.
      MSG message;
      while (PeekMessageW(&message, window_, kChangedMessage, kChangedMessage, PM_REMOVE)) {
      }
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      DestroyWindow(window_);
    }
    if (--livingWatches == 0) UnregisterClassW(kWatchWindowClass, moduleHandle());
  }

  // The window, the first read of the folder's changes (before this returns, so that no change made after
  // it is missed) and the thread that waits for them; false when any of them cannot be had.
  bool start() {
    if (livingWatches++ == 0) registerWindowClass();
    window_ = CreateWindowExW(0, kWatchWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, moduleHandle(),
                              nullptr);
    if (!window_) return false;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (!readDone_.valid() || !stop_.valid() || !readChanges()) return false;
    worker_.reset(CreateThread(nullptr, 0, &FolderWatch::workerMain, this, 0, nullptr));
    return worker_.valid();
  }

 private:
  static void registerWindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &FolderWatch::windowProc;
    windowClass.hInstance = moduleHandle();
    windowClass.lpszClassName = kWatchWindowClass;
    RegisterClassExW(&windowClass);
  }

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* watch = reinterpret_cast<FolderWatch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != kChangedMessage || !watch) return DefWindowProcW(window, message, wParam, lParam);
    // A change from now on posts again, so the call below never misses the last one. The call may end the
    // watch, so it runs from a copy.
    watch->posted_ = false;
    std::function<void()> changed = watch->changed_;
    // A watch's call is an event handler: its failure does not reach the message loop.
    runtime::resumeNext([&] { changed(); });
    return 0;
  }

  bool readChanges() {
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = readDone_.get();
    ResetEvent(readDone_.get());
    reading_ = ReadDirectoryChangesW(folder_.get(), buffer_, sizeof buffer_, FALSE, kNotifyFilter, nullptr,
                                     &overlapped_, nullptr) != FALSE;
    return reading_;
  }

  // The buffer is the system's until the read ends.
  void cancelRead() {
    DWORD bytes = 0;
    CancelIoEx(folder_.get(), &overlapped_);
    GetOverlappedResult(folder_.get(), &overlapped_, &bytes, TRUE);
    reading_ = false;
  }

  static DWORD WINAPI workerMain(void* self) {
    static_cast<FolderWatch*>(self)->waitForChanges();
    return 0;
  }

  void waitForChanges() {
    const HANDLE events[] = {stop_.get(), readDone_.get()};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
      DWORD bytes = 0;
      reading_ = false;
      const bool read = GetOverlappedResult(folder_.get(), &overlapped_, &bytes, FALSE) != FALSE;
      // No bytes: more changes came than the buffer holds, the file's among them perhaps.
      if (!read || bytes == 0 || namesFile(bytes)) post();
      if (!read || !readChanges()) return;
    }
    if (reading_) cancelRead();
  }

  bool namesFile(DWORD bytes) const {
    for (DWORD at = 0; at < bytes;) {
      const auto* notice = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer_ + at);
      const bool there = notice->Action == FILE_ACTION_ADDED || notice->Action == FILE_ACTION_MODIFIED ||
                         notice->Action == FILE_ACTION_RENAMED_NEW_NAME;
      if (there && sameName({notice->FileName, notice->FileNameLength / sizeof(wchar_t)}, name_)) return true;
      if (notice->NextEntryOffset == 0) break;
      at += notice->NextEntryOffset;
    }
    return false;
  }

  void post() {
    if (posted_.exchange(true)) return;
    if (!PostMessageW(window_, kChangedMessage, 0, 0)) posted_ = false;
  }

  Handle folder_;
  std::wstring name_;
  std::function<void()> changed_;
  HWND window_ = nullptr;  // message-only, on the thread that asked for the watch
  Handle stop_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  Handle readDone_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  Handle worker_;  // the thread that waits for the folder's changes
  OVERLAPPED overlapped_{};
  bool reading_ = false;
  std::atomic<bool> posted_{false};  // a notice waits in the thread's queue
  alignas(DWORD) BYTE buffer_[16 * 1024];
};

}  // namespace

std::unique_ptr<ui::FileWatch> watchFile(const std::wstring& path, std::function<void()> changed) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash + 1 == path.size()) return nullptr;
  // The folder's root keeps its separator ("C:\").
  const std::wstring folder = path.substr(0, slash == 0 || path[slash - 1] == L':' ? slash + 1 : slash);
  Handle handle(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
  if (!handle.valid()) return nullptr;
  auto watch = std::make_unique<FolderWatch>(std::move(handle), path.substr(slash + 1), std::move(changed));
  if (!watch->start()) return nullptr;
  return watch;
}

}  // namespace tw::win32
