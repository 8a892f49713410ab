// Drives WindowsUi's file watch, built from the add-in's own sources, in a fresh folder: a write of the
// watched file (written whole, or replaced through a rename as the daemon and the service write the status)
// runs the call on the thread that asked for the watch while it pumps its messages; a write of another file
// does not; a burst of writes makes one call, or two where the burst outruns the first; after the watch is
// gone nothing runs, also where the call itself ends the watch. Run under Wine; prints one line per case and
// exits 1 when any case failed.
// Usage: file_watch_checks.exe

#include "win32/windows_api.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "check_report.h"
#include "win32/module.h"
#include "win32/text.h"
#include "win32/windows_ui.h"

namespace tw::win32 {

// The add-in's module gives its window classes their owner; here that is the program.
HMODULE moduleHandle() {
  return GetModuleHandleW(nullptr);
}

}  // namespace tw::win32

namespace {

using namespace tw;

using tw::checks::check;
using tw::checks::failures;

// Runs this thread's messages until `done` holds or `milliseconds` passed; whether it held. The time is a
// guard against a call that never comes, not a target.
bool pumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

constexpr DWORD kGuardMs = 5000;  // how long a call that should come is waited for
constexpr DWORD kQuietMs = 1000;  // how long a call that should not come is watched for

void writeWhole(const std::string& path, const std::string& text) {
  const HANDLE file = CreateFileW(win32::toWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

// As the daemon writes its status: the text beside the file, renamed over it.
void replaceByRename(const std::string& path, const std::string& text) {
  writeWhole(path + ".new", text);
  MoveFileExW(win32::toWide(path + ".new").c_str(), win32::toWide(path).c_str(), MOVEFILE_REPLACE_EXISTING);
}

// What the watch's calls saw.
struct Calls {
  int count = 0;
  bool onAskingThread = true;
};

std::function<void()> counting(Calls& calls) {
  const DWORD asking = GetCurrentThreadId();
  return [&calls, asking] {
    ++calls.count;
    if (GetCurrentThreadId() != asking) calls.onAskingThread = false;
  };
}

}  // namespace

int main() {
  // A fresh folder in TEMP, removed at the end.
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::string folder = win32::fromWide(temp) + "tw-file-watch-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryW(win32::toWide(folder).c_str(), nullptr);
  const std::string status = folder + "\\officeDaemon";
  const std::string other = folder + "\\docData";
  writeWhole(status, " 0");
  win32::WindowsUi ui;

  check(!ui.WatchFile(folder + "\\absent\\officeDaemon", [] {}),
        "a file in a folder that is not there is not watched");

  {
    Calls calls;
    // Named in other capitals than the file has: Windows' names are case-blind.
    auto watch = ui.WatchFile(folder + "\\OFFICEDAEMON", counting(calls));
    check(watch != nullptr, "the status file's folder is watched");
    if (!watch) {
      std::printf("# done\n");
      return 1;
    }

    struct Write {
      const char* name;
      void (*write)(const std::string& path, const std::string& text);
    };
    const Write writes[] = {{"written whole", &writeWhole}, {"replaced through a rename", &replaceByRename}};
    for (const Write& w : writes) {
      calls = Calls{};
      w.write(status, " 1");
      const bool ran = pumpUntil([&] { return calls.count > 0; }, kGuardMs);
      check(ran, std::string("the file ") + w.name + " runs the call while the thread pumps its messages");
      check(ran && calls.onAskingThread,
            std::string("the file ") + w.name + " runs the call on the asking thread");
      pumpUntil([] { return false; }, kQuietMs);  // the write's last notices
    }

    calls = Calls{};
    writeWhole(other, "a job");
    replaceByRename(other, "another job");
    pumpUntil([] { return false; }, kQuietMs);
    check(calls.count == 0, "writing another file of the folder runs no call");

    calls = Calls{};
    for (int i = 0; i < 20; ++i) writeWhole(status, i % 2 ? " 1" : " 0");
    Sleep(500);  // the notices reach the queue before it is pumped
    pumpUntil([] { return false; }, kQuietMs);
    check(calls.count >= 1 && calls.count <= 2,
          "20 writes without a pump between run one call (two where the notices outrun the first), ran " +
              std::to_string(calls.count));

    // A notice already in the queue when the watch ends finds nothing to run.
    calls = Calls{};
    writeWhole(status, " 1");
    Sleep(500);
    watch.reset();
    writeWhole(status, " 0");
    pumpUntil([] { return false; }, kQuietMs);
    check(calls.count == 0, "after the watch is gone no call runs");
  }

  {
    // As the daemon that quits on 15: the call ends its own watch.
    int count = 0;
    std::unique_ptr<ui::FileWatch> watch;
    watch = ui.WatchFile(status, [&] {
      ++count;
      watch.reset();
    });
    writeWhole(status, "15");
    const bool ran = pumpUntil([&] { return count > 0; }, kGuardMs);
    writeWhole(status, " 1");
    pumpUntil([] { return false; }, kQuietMs);
    check(ran && count == 1 && !watch, "a call that ends its own watch returns, and no call follows");
  }

  DeleteFileW(win32::toWide(status).c_str());
  DeleteFileW(win32::toWide(other).c_str());
  RemoveDirectoryW(win32::toWide(folder).c_str());
  std::printf("# done\n");
  return failures == 0 ? 0 : 1;
}
