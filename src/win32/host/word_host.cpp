// The Word host for Wine: stands in for Word. It exposes the embedded Word's object model through
// IDispatch under Word's member names, makes itself known as Word.Application, loads the COM add-ins
// registered for Word the way Word does, and on quitting saves the documents still open.
//
// Usage: word_host.exe.so --out <folder> [--temp <folder>] [--version 16.0]
//                         [--click "Menu Bar > <popup> > <button>"] [--wait <ms>] ... [--password <text>]
//        word_host.exe.so --text <file.docx>     (prints the main text of a document)
// After start-up the clicks and waits run in their order; a wait ends early when the add-in quits Word. When
// Wine can show windows (its null graphics driver), message boxes are printed and answered with OK, and the
// add-in's forms are closed, or, with --password, a form that asks for a password gets it and its first
// button is pressed.

#include "host/host_objects.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/host_engine.h"
#include "runtime/codepage.h"
#include "runtime/error.h"
#include "win32/handle.h"
#include "win32/office_h.h"

namespace tw::host {

// What Word hands an add-in as its COMAddIn object.
struct AddInInfo {
  std::string progId;
};

template <>
const std::vector<Member<AddInInfo>>& membersOf() {
  static const std::vector<Member<AddInInfo>> members = {
      {L"ProgId", {}, [](AddInInfo& o, Call& c) { c.returns(o.progId); }},
      {L"Description", {}, [](AddInInfo& o, Call& c) { c.returns(o.progId); }},
      {L"Connect", {}, [](AddInInfo&, Call& c) { c.returns(true); }},
  };
  return members;
}

namespace {

// Word.Application's class.
const CLSID kWordApplication = {0x000209FF, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The empty custom array of the IDTExtensibility2 calls.
class CustomArray {
 public:
  CustomArray() : array_(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
  CustomArray(const CustomArray&) = delete;
  CustomArray& operator=(const CustomArray&) = delete;
  ~CustomArray() { SafeArrayDestroy(array_); }
  SAFEARRAY** get() { return &array_; }

 private:
  SAFEARRAY* array_;
};

struct LoadedAddIn {
  std::string progId;
  ComPtr<_IDTExtensibility2> addIn;
};

// The key opened for reading, or an empty one.
win32::RegistryKey openForReading(HKEY parent, const wchar_t* path) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(parent, path, 0, KEY_READ, &opened) != ERROR_SUCCESS) return {};
  return win32::RegistryKey(opened);
}

// The ProgIDs under Word's add-in key whose LoadBehavior is 3 (load at start-up).
std::vector<std::string> startupAddIns() {
  std::vector<std::string> progIds;
  const win32::RegistryKey addins =
      openForReading(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Word\\Addins");
  if (!addins.valid()) return progIds;
  WCHAR name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(addins.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    DWORD behavior = 0, size = sizeof(behavior), type = 0;
    const win32::RegistryKey addin = openForReading(addins.get(), name);
    if (addin.valid() &&
        RegQueryValueExW(addin.get(), L"LoadBehavior", nullptr, &type, reinterpret_cast<BYTE*>(&behavior),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD && behavior == 3) {
      progIds.push_back(fromBstr(name, length));
    }
  }
  return progIds;
}

std::string hex(HRESULT hr) {
  char text[16];
  // HRESULT is 32 bits wide, but a 64-bit Winelib program's long is not: no sign extension into it.
  std::snprintf(text, sizeof text, "0x%08x", static_cast<std::uint32_t>(hr));
  return text;
}

// Creates the add-in by ProgID and connects it to Word, as Word does at start-up.
std::optional<LoadedAddIn> connect(const std::string& progId, IDispatch& application) {
  BSTR name = newBstr(progId);
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(name, &clsid);
  SysFreeString(name);
  ComPtr<IUnknown> object;
  if (SUCCEEDED(hr)) {
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(object.put()));
  }
  LoadedAddIn loaded{progId, object.query<_IDTExtensibility2>(IID__IDTExtensibility2)};
  if (SUCCEEDED(hr) && !loaded.addIn) hr = E_NOINTERFACE;
  if (SUCCEEDED(hr)) {
    auto info = wrap(std::make_shared<AddInInfo>(AddInInfo{progId}));
    CustomArray custom;
    hr = loaded.addIn->OnConnection(&application, ext_cm_Startup, info.get(), custom.get());
  }
  std::cout << "add-in " << progId << ": " << (SUCCEEDED(hr) ? "connected" : "not loaded, " + hex(hr))
            << "\n";
  if (FAILED(hr)) return std::nullopt;
  return loaded;
}

// What the user does once Word has started: a click through the menus, or a wait that lets timers run.
struct Step {
  enum Kind { kClick, kWait } kind;
  std::string value;
};

struct Options {
  std::string out;
  std::string temp;
  std::string version = "16.0";
  std::string text;
  std::vector<Step> steps;
  std::string password;
};

int usage() {
  std::cerr << "usage: word_host.exe.so --out <folder> [--temp <folder>] [--version <n>]\n"
               "                         [--click <menu path>] [--wait <ms>] ... [--password <text>]\n"
               "       word_host.exe.so --text <file.docx>\n";
  return 2;
}

// Runs the thread's messages for `milliseconds`, so that timers tick and events arrive, or until the add-in
// quits Word (the daemon does so when the service tells it to).
void runMessages(const EmbeddedWord& word, long milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (auto now = std::chrono::steady_clock::now(); now < end && !word.quitRequested();
       now = std::chrono::steady_clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

// The user in front of the screen: a thread that finds each message box of this process, prints its text
// and presses OK, and deals with each form of the add-in that shows, saying so. A message box is the
// dialog class with a text control of id 0xFFFF; the add-in's forms have their own window class.
class ScreenUser {
 public:
  explicit ScreenUser(std::string password)
      : password_(std::move(password)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = CreateThread(nullptr, 0, &ScreenUser::run, this, 0, nullptr);
  }
  ScreenUser(const ScreenUser&) = delete;
  ScreenUser& operator=(const ScreenUser&) = delete;
  ~ScreenUser() {
    SetEvent(stop_);
    if (thread_) {
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
    }
    CloseHandle(stop_);
  }

 private:
  static constexpr int kTextId = 0xFFFF;

  static DWORD WINAPI run(void* self) {
    auto& user = *static_cast<ScreenUser*>(self);
    while (WaitForSingleObject(user.stop_, 20) == WAIT_TIMEOUT) {
      // A form that was hidden since is dealt with again when it shows again.
      std::erase_if(user.handledForms_, [](HWND form) { return !IsWindow(form) || !IsWindowVisible(form); });
      EnumWindows(&ScreenUser::visit, reinterpret_cast<LPARAM>(self));
    }
    return 0;
  }

  static BOOL CALLBACK visit(HWND window, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    WCHAR className[32] = {};
    GetClassNameW(window, className, 32);
    const std::string windowClass = fromBstr(className, static_cast<UINT>(lstrlenW(className)));
    auto& user = *reinterpret_cast<ScreenUser*>(self);
    if (windowClass == "#32770" && GetDlgItem(window, kTextId)) user.answer(window);
    if (windowClass == "TallyweaveForm" && user.handledForms_.insert(window).second) user.handle(window);
    return TRUE;
  }

  static std::string textOf(HWND window) {
    WCHAR text[2048] = {};
    GetWindowTextW(window, text, 2048);
    std::string shown = runtime::cp1252ToUtf8(fromBstr(text, static_cast<UINT>(lstrlenW(text))));
    for (size_t at = shown.find("\r\n"); at != std::string::npos; at = shown.find("\r\n", at))
      shown.replace(at, 2, " / ");
    return shown;
  }

  // Waits until the window's thread has hidden it, so that it is not handled twice.
  static bool gone(HWND window) {
    for (int i = 0; i < 250 && IsWindow(window) && IsWindowVisible(window); ++i) Sleep(20);
    return !IsWindow(window) || !IsWindowVisible(window);
  }

  void answer(HWND box) {
    std::cout << "message box: " << textOf(GetDlgItem(box, kTextId)) << "\n" << std::flush;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    gone(box);
  }

  // With a password to give, a form that asks for one gets it typed in and its first button (the lowest
  // control id) pressed; any other form is closed.
  void handle(HWND form) {
    const std::string title = textOf(form);
    std::cout << "form: " << title << "\n" << std::flush;
    HWND passwordBox = nullptr, firstButton = nullptr;
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      WCHAR className[16] = {};
      GetClassNameW(child, className, 16);
      const std::string kind = fromBstr(className, static_cast<UINT>(lstrlenW(className)));
      if (kind == "Edit" && (GetWindowLongW(child, GWL_STYLE) & ES_PASSWORD)) passwordBox = child;
      if (kind == "Button" && IsWindowVisible(child) && IsWindowEnabled(child) &&
          (!firstButton || GetDlgCtrlID(child) < GetDlgCtrlID(firstButton)))
        firstButton = child;
    }
    if (!password_.empty() && passwordBox && firstButton) {
      BSTR typed = newBstr(password_);
      DWORD_PTR ignored = 0;
      SendMessageTimeoutW(passwordBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed), SMTO_NORMAL, 5000,
                          &ignored);
      SysFreeString(typed);
      std::cout << "form: typed the password, pressed " << textOf(firstButton) << "\n" << std::flush;
      PostMessageW(firstButton, BM_CLICK, 0, 0);
      return;  // the form goes when its work is done, which may ask for a message box first
    }
    PostMessageW(form, WM_CLOSE, 0, 0);
    std::cout << "form: closed\n" << std::flush;
    if (gone(form)) std::cout << "form gone: " << title << "\n" << std::flush;
  }

  std::string password_;
  std::set<HWND> handledForms_;  // still showing
  HANDLE stop_;
  HANDLE thread_ = nullptr;
};

void setWindowsVariable(const wchar_t* name, const std::string& value) {
  BSTR wide = newBstr(value);
  SetEnvironmentVariableW(name, wide);
  SysFreeString(wide);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int runWord(const Options& options) {
  if (!options.temp.empty()) {
    // The add-in finds its job in TEMP, as on a user's machine.
    setWindowsVariable(L"TEMP", windowsPath(options.temp));
    setWindowsVariable(L"TMP", windowsPath(options.temp));
  }
  EmbeddedWord word(options.version, unixPathOf);
  ComPtr<IDispatch> application = wrap(word.application());
  DWORD activeObject = 0;
  const bool registered = SUCCEEDED(
      RegisterActiveObject(application.get(), kWordApplication, ACTIVEOBJECT_STRONG, &activeObject));
  std::cout << "Word.Application " << (registered ? "registered" : "not registered") << "\n";

  const auto start = std::chrono::steady_clock::now();
  std::vector<LoadedAddIn> addIns;
  for (const std::string& progId : startupAddIns()) {
    if (auto loaded = connect(progId, *application.get())) addIns.push_back(std::move(*loaded));
  }
  for (auto& loaded : addIns) {
    CustomArray custom;
    HRESULT hr = loaded.addIn->OnStartupComplete(custom.get());
    if (FAILED(hr)) std::cout << "add-in " << loaded.progId << ": OnStartupComplete " << hex(hr) << "\n";
  }
  std::cout << "start-up with add-ins took " << secondsSince(start) << " s\n";

  ScreenUser user(options.password);
  for (const Step& step : options.steps) {
    if (word.quitRequested()) break;
    if (step.kind == Step::kWait) {
      runMessages(word, std::stol(step.value));
      continue;
    }
    std::cout << "click " << step.value << "\n" << std::flush;
    try {
      word.click(step.value);
    } catch (const runtime::Error& error) {
      std::cout << "click failed: " << runtime::cp1252ToUtf8(error.description()) << "\n";
    }
  }

  bool saved = true;
  if (!word.quitRequested() && !options.out.empty()) saved = word.saveOpenDocuments(options.out, std::cout);
  for (auto& loaded : addIns) {
    CustomArray custom;
    loaded.addIn->OnBeginShutdown(custom.get());
  }
  for (auto& loaded : addIns) {
    CustomArray custom;
    loaded.addIn->OnDisconnection(ext_dm_HostShutdown, custom.get());
  }
  addIns.clear();
  if (registered) RevokeActiveObject(activeObject, nullptr);
  documentObjects().clear();
  std::cout << "Word quit\n";
  return saved ? 0 : 1;
}

}  // namespace
}  // namespace tw::host

int main(int argc, char** argv) {
  using namespace tw::host;
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) return usage();
    std::string value = argv[++i];
    if (arg == "--out")
      options.out = value;
    else if (arg == "--temp")
      options.temp = value;
    else if (arg == "--version")
      options.version = value;
    else if (arg == "--text")
      options.text = value;
    else if (arg == "--click")
      options.steps.push_back({Step::kClick, value});
    else if (arg == "--password")
      options.password = value;
    else if (arg == "--wait")
      options.steps.push_back({Step::kWait, value});

    else
      return usage();
  }
  try {
    if (!options.text.empty()) {
      std::cout << mainTextOf(options.text);
      return 0;
    }
    if (options.out.empty()) return usage();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int status = runWord(options);
    CoUninitialize();
    return status;
  } catch (const tw::runtime::Error& error) {
    std::cerr << "word host: " << error.description() << " (" << error.number() << ")\n";
    return 1;
  }
}
