// The setup dialog of the Win32 build: a real window with common controls,
// shown modally over the core's window.
#include "setup/setup_form.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <utility>

#include "setup/headless_form.h"
#include "setup/spinners.h"
#include "setup/win32/control_ids.h"
#include "setup/win32/setup_layout.h"
#include "setup/win32/win32_view.h"

namespace setup {

namespace {

std::function<void(TSetupForm&)>& ShownHook() {
  static std::function<void(TSetupForm&)> hook;
  return hook;
}

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

struct TSetupForm::Impl {
  explicit Impl(PluginRestart& restart) : dialog(view, restart) {}
  static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam);
  bool PreTranslate(MSG& message);
  void EndModal();
  void RunChange(void (SetupDialog::*handler)());
  void FocusControl(HWND control);
  void Centre();

  HINSTANCE instance = nullptr;
  HWND owner = nullptr;
  HWND window = nullptr;
  HWND last_focus = nullptr;
  SetupControls controls;
  Win32View view{controls};
  SetupDialog dialog;
  bool closed = false;
};

LRESULT CALLBACK TSetupForm::Impl::Procedure(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* impl = static_cast<Impl*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    impl->window = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl));
  }
  auto* impl = reinterpret_cast<Impl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (impl == nullptr) return DefWindowProcA(window, msg, wparam, lparam);
  return impl->Dispatch(msg, wparam, lparam);
}

LRESULT TSetupForm::Impl::Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) {
  // Only posted monitoring messages reach this window with these numbers: the
  // dialog-manager queries that share them are never raised (see PreTranslate).
  if (dialog.WndProc(msg, wparam, static_cast<intptr_t>(lparam))) return 0;
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL: EndModal(); return 0;
        case kIdDeviceCombo:
          if (HIWORD(wparam) == CBN_SELCHANGE) RunChange(&SetupDialog::DeviceComboChange);
          return 0;
        case kIdModelCombo:
          if (HIWORD(wparam) == CBN_SELCHANGE) RunChange(&SetupDialog::ModelComboChange);
          return 0;
        default: break;
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      const SpinnerSpec* spinner =
          header->code == UDN_DELTAPOS ? SpinnerOfControl(static_cast<int>(header->idFrom)) : nullptr;
      if (spinner != nullptr) {
        auto* step = reinterpret_cast<NMUPDOWN*>(lparam);
        const int16_t proposed = dialog.SpinnerChanging(spinner->which, step->iPos, step->iDelta);
        step->iDelta = proposed - step->iPos;  // land exactly on the clamped position
        return 0;                              // allow the step
      }
      if (header->code == LVN_BEGINLABELEDITA || header->code == LVN_BEGINLABELEDITW) return TRUE;
      break;
    }
    case WM_NEXTDLGCTL:
      FocusControl(lparam != 0 ? reinterpret_cast<HWND>(wparam)
                               : GetNextDlgTabItem(window, GetFocus(), wparam != 0));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window, focus)) last_focus = focus;
      } else {
        FocusControl(last_focus != nullptr && IsWindow(last_focus) ? last_focus : controls.key_table);
      }
      return 0;
    case WM_CLOSE: EndModal(); return 0;
    default: break;
  }
  return DefWindowProcA(window, msg, wparam, lparam);
}

void TSetupForm::Impl::FocusControl(HWND control) {
  if (control == nullptr) return;
  SetFocus(control);
  if (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageA(control, EM_SETSEL, 0, -1);
}

// Tab and Enter are handled here rather than by IsDialogMessage, whose
// answers to them query the window with WM_USER (DM_GETDEFID): the number of
// MonitorPress.
bool TSetupForm::Impl::PreTranslate(MSG& message) {
  if (message.message != WM_KEYDOWN || (message.wParam != VK_TAB && message.wParam != VK_RETURN))
    return false;
  if (message.hwnd != window && !IsChild(window, message.hwnd)) return false;
  const LRESULT code =
      SendMessageA(message.hwnd, WM_GETDLGCODE, message.wParam, reinterpret_cast<LPARAM>(&message));
  if (code & DLGC_WANTMESSAGE) return false;
  if (message.wParam == VK_TAB) {
    if (code & DLGC_WANTTAB) return false;
    HWND focus = GetFocus();
    const bool backwards = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    FocusControl(GetNextDlgTabItem(window, focus == window ? nullptr : focus, backwards));
    return true;
  }
  EndModal();  // Enter: the dialog's only button
  return true;
}

void TSetupForm::Impl::EndModal() {
  closed = true;
  PostMessageA(window, WM_NULL, 0, 0);  // wake the modal loop
}

// A box that a restart shows (a device error) has no owner window, as every
// box of the plug-in.
void TSetupForm::Impl::RunChange(void (SetupDialog::*handler)()) { (dialog.*handler)(); }

void TSetupForm::Impl::Centre() {
  RECT area{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TSetupForm::TSetupForm(plat::WindowHandle owner, PluginRestart& restart)
    : impl_(std::make_unique<Impl>(restart)) {
  Impl& impl = *impl_;
  impl.instance = ThisModule();
  impl.owner = static_cast<HWND>(owner);
  INITCOMMONCONTROLSEX common{sizeof(common), ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);

  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &Impl::Procedure;
  window_class.hInstance = impl.instance;
  window_class.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kSetupWindowClass;
  RegisterClassExA(&window_class);

  // No WS_CLIPCHILDREN: group boxes leave their inside to the parent to paint.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT frame{0, 0, kSetupClientWidth, kSetupClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  CreateWindowExA(ex_style, kSetupWindowClass, kSetupCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                  frame.right - frame.left, frame.bottom - frame.top, impl.owner, nullptr, impl.instance,
                  &impl);
  if (impl.window != nullptr && !CreateSetupControls(impl.window, impl.instance, impl.controls)) {
    DestroyWindow(impl.window);
    impl.window = nullptr;
  }
  impl.dialog.FormCreate();
  Handle.store(impl.window, std::memory_order_release);
}

TSetupForm::~TSetupForm() {
  Impl& impl = *impl_;
  Handle.store(nullptr, std::memory_order_release);
  impl.dialog.FormDestroy();
  if (impl.window != nullptr) DestroyWindow(impl.window);
  DestroySetupFont(impl.controls);
  // A later load of the library may sit at another address: register afresh.
  UnregisterClassA(kSetupWindowClass, impl.instance);
}

int TSetupForm::ShowModal() {
  Impl& impl = *impl_;
  impl.closed = false;
  impl.dialog.FormShow();
  if (impl.window == nullptr) {
    impl.dialog.FormHide();
    return kModalResultOk;
  }
  impl.Centre();
  const bool disable_owner = impl.owner != nullptr && IsWindowEnabled(impl.owner);
  if (disable_owner) EnableWindow(impl.owner, FALSE);
  ShowWindow(impl.window, SW_SHOW);
  SetForegroundWindow(impl.window);
  impl.FocusControl(impl.controls.key_table);
  if (ShownHook()) ShownHook()(*this);

  MSG message;
  while (!impl.closed) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));  // leave the quit to the outer loop
      break;
    }
    if (got < 0) break;
    if (impl.PreTranslate(message)) continue;
    if (!IsDialogMessageA(impl.window, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  // Give the owner back before hiding, so that activation returns to it.
  if (disable_owner) EnableWindow(impl.owner, TRUE);
  ShowWindow(impl.window, SW_HIDE);
  impl.dialog.FormHide();
  return kModalResultOk;
}

SetupDialog& TSetupForm::Dialog() { return impl_->dialog; }

void TSetupForm::Close() {
  if (impl_->window != nullptr) PostMessageA(impl_->window, WM_CLOSE, 0, 0);
}

HeadlessForm* TSetupForm::Headless() { return nullptr; }

void TSetupForm::SetShownHook(std::function<void(TSetupForm&)> hook) { ShownHook() = std::move(hook); }

}  // namespace setup
