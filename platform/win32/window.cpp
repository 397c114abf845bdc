// Message-only windows and the message pump on Win32.
#include "platform/window.h"

#include <windows.h>

#include <new>

namespace plat {
namespace {

constexpr char kClassName[] = "SAA713xMessageWindow";

struct Target {
  WindowProc proc;
  void* context;
  bool* attached;  // set while CreateWindowExA runs: the window took ownership
};

HMODULE this_module() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&this_module), &module);
  return module;
}

LRESULT CALLBACK window_procedure(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* target = reinterpret_cast<Target*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<Target*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    *created->attached = true;
    created->attached = nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  } else if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    delete target;
    target = nullptr;
  } else if (target && (msg == WM_CLOSE || msg >= WM_USER)) {
    // Only the messages of the platform API reach the procedure; the
    // system's own ones get the default handling.
    return target->proc(target->context, window, msg, wparam, lparam);
  }
  return DefWindowProcA(window, msg, wparam, lparam);
}

// Registered once per load of the module. A class left behind by an earlier
// load at the same address would point at stale code, so it is replaced.
ATOM register_class() {
  WNDCLASSEXA cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = window_procedure;
  cls.hInstance = this_module();
  cls.lpszClassName = kClassName;
  ATOM atom = RegisterClassExA(&cls);
  if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    UnregisterClassA(kClassName, cls.hInstance);
    atom = RegisterClassExA(&cls);
  }
  return atom;
}

}  // namespace

WindowHandle create_message_window(WindowProc proc, void* context) {
  static const ATOM atom = register_class();
  if (!atom || !proc) return nullptr;
  bool attached = false;
  auto* target = new (std::nothrow) Target{proc, context, &attached};
  if (!target) return nullptr;
  HWND window =
      CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, this_module(), target);
  // Once attached, the window frees the target in WM_NCDESTROY, even when
  // the creation fails later on.
  if (!attached) delete target;
  return window;
}

void destroy_window(WindowHandle window) { DestroyWindow(static_cast<HWND>(window)); }

bool is_window(WindowHandle window) { return IsWindow(static_cast<HWND>(window)) != 0; }

uint32_t window_thread(WindowHandle window) {
  return GetWindowThreadProcessId(static_cast<HWND>(window), nullptr);
}

intptr_t send_message(WindowHandle window, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  return SendMessageA(static_cast<HWND>(window), msg, wparam, lparam);
}

bool post_message(WindowHandle window, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  // PostMessage to no window posts to the calling thread's own queue instead.
  if (!window) return false;
  return PostMessageA(static_cast<HWND>(window), msg, wparam, lparam) != 0;
}

bool peek_message(Message& out) {
  MSG msg;
  // PeekMessage dispatches the sent messages itself before it looks at the queue.
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  out.window = msg.hwnd;
  out.msg = msg.message;
  out.wparam = msg.wParam;
  out.lparam = msg.lParam;
  return true;
}

intptr_t dispatch_message(const Message& message) {
  MSG msg{};
  msg.hwnd = static_cast<HWND>(message.window);
  msg.message = message.msg;
  msg.wParam = message.wparam;
  msg.lParam = message.lparam;
  msg.time = GetMessageTime();
  TranslateMessage(&msg);
  return DispatchMessageA(&msg);
}

WaitResult wait_for_message(uint32_t ms) {
  // MWMO_INPUTAVAILABLE: a message that waits already counts, not only a new one.
  DWORD result = MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (result == WAIT_TIMEOUT) return WaitResult::Timeout;
  if (result != WAIT_OBJECT_0) return WaitResult::Failed;
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  return WaitResult::Signaled;
}

WaitResult wait_pumping(Handle object, uint32_t ms) {
  HANDLE handle = object;
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD left = INFINITE;
    if (ms != kInfinite) {
      DWORD elapsed = GetTickCount() - start;  // unsigned: the wrap does no harm
      left = elapsed >= ms ? 0 : ms - elapsed;
    }
    DWORD result = MsgWaitForMultipleObjectsEx(1, &handle, left, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    if (result == WAIT_OBJECT_0) return WaitResult::Signaled;
    if (result == WAIT_TIMEOUT) return WaitResult::Timeout;
    if (result != WAIT_OBJECT_0 + 1) return WaitResult::Failed;
    // Runs the sent messages only; posted ones stay queued for the caller's loop.
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

bool in_send_message() { return InSendMessage() != 0; }

}  // namespace plat
