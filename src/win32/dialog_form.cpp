#include "win32/dialog_form.h"

#include "platform/ui/form_templates.h"
#include "runtime/error.h"
#include "win32/module.h"
#include "win32/text.h"

namespace tw::win32 {
namespace {

struct ChildClass {
  const wchar_t* name;
  DWORD style;
};

ChildClass childClassOf(ui::ControlKind kind) {
  switch (kind) {
    case ui::ControlKind::kLabel:
      return {L"STATIC", SS_LEFT};
    case ui::ControlKind::kTextBox:
      return {L"EDIT", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL};
    case ui::ControlKind::kPassword:
      return {L"EDIT", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD};
    case ui::ControlKind::kButton:
      return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON};
    case ui::ControlKind::kLog:
      return {L"EDIT", WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL};
  }
  return {L"STATIC", SS_LEFT};
}

// The first id of the controls; a control's id is this plus its place in the template.
constexpr int kFirstControlId = 100;

// The forms alive. The window class is registered while there are any: Windows keeps a DLL's classes
// after the DLL is unloaded, and a class left behind would name a window procedure that is gone.
int livingForms = 0;

void registerFormClass(WNDPROC windowProc) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = moduleHandle();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kFormWindowClass;
  RegisterClassExW(&windowClass);  // without it no window is made, and the form keeps its state only
}

}  // namespace

DialogForm::DialogForm(const std::string& title) {
  if (livingForms++ == 0) registerFormClass(&DialogForm::windowProc);
  const ui::FormTemplate* layout = ui::formTemplate(title);
  RECT frame{0, 0, layout ? layout->width : 380, layout ? layout->height : 120};
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kFormWindowClass, toWide(title).c_str(), style,
                            CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, moduleHandle(), nullptr);
  if (!window_ || !layout) return;
  // Until the form is known, the window's messages get the default handling.
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  int id = kFirstControlId;
  for (const ui::ControlPlace& place : layout->controls) {
    const ChildClass kind = childClassOf(place.kind);
    Control& control = controls_[place.name];
    control.editable = place.kind == ui::ControlKind::kTextBox || place.kind == ui::ControlKind::kPassword;
    control.window = CreateWindowExW(
        0, kind.name, L"", WS_CHILD | WS_VISIBLE | kind.style, place.x, place.y, place.width, place.height,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), moduleHandle(), nullptr);
    if (control.window) SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
}

DialogForm::~DialogForm() {
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (--livingForms == 0) UnregisterClassW(kFormWindowClass, moduleHandle());
}

void DialogForm::Show() {
  shown_ = true;
  if (window_) ShowWindow(window_, SW_SHOWNORMAL);
}

void DialogForm::Hide() {
  shown_ = false;
  if (window_) ShowWindow(window_, SW_HIDE);
}

std::string DialogForm::Text(const std::string& name) {
  auto found = controls_.find(name);
  if (found == controls_.end()) return {};
  Control& control = found->second;
  // What the user typed is in the window.
  if (control.editable && control.window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control.window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(control.window, text.data(), static_cast<int>(text.size()))));
    control.text = fromWide(text);
  }
  return control.text;
}

void DialogForm::SetText(const std::string& name, const std::string& text) {
  Control& control = controls_[name];
  control.text = text;
  if (control.window) SetWindowTextW(control.window, toWide(text).c_str());
}

void DialogForm::SetVisible(const std::string& name, bool visible) {
  Control& control = controls_[name];
  control.visible = visible;
  if (control.window) ShowWindow(control.window, visible ? SW_SHOW : SW_HIDE);
}

void DialogForm::SetEnabled(const std::string& name, bool enabled) {
  Control& control = controls_[name];
  control.enabled = enabled;
  if (control.window) EnableWindow(control.window, enabled);
}

void DialogForm::OnButton(const std::string& name, std::function<void()> handler) {
  controls_[name].pressed = std::move(handler);
}

void DialogForm::pressed(int id) {
  for (auto& [name, control] : controls_) {
    if (control.window && GetDlgCtrlID(control.window) == id && control.pressed) {
      // A button's handler is an event handler: its failure does not reach the message loop.
      auto handler = control.pressed;
      runtime::resumeNext([&] { handler(); });
      return;
    }
  }
}

LRESULT CALLBACK DialogForm::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<DialogForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form) {
    switch (message) {
      case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
          form->pressed(LOWORD(wParam));
          return 0;
        }
        break;
      case WM_CLOSE:
        // Closing the window hides the form; it lives as long as Word.
        form->Hide();
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tw::win32
