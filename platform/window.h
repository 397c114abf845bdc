// Windows and their messages, with the Win32 rules the plug-in relies on:
// - a window belongs to the thread that created it;
// - send_message from another thread blocks until the owner dispatches it,
//   and the owner dispatches sent messages only while it pumps
//   (peek_message, wait_for_message, wait_pumping);
// - send_message on the owning thread calls the procedure directly;
// - post_message queues and returns at once.
#pragma once
#include <cstdint>

#include "platform/types.h"

namespace plat {

using WindowProc = intptr_t (*)(void* context, WindowHandle window, uint32_t msg, uintptr_t wparam,
                                intptr_t lparam);

constexpr uint32_t kWmUser = 0x0400;
constexpr uint32_t kWmClose = 0x0010;

// An invisible window owned by the calling thread whose messages go to proc.
// Null on failure.
WindowHandle create_message_window(WindowProc proc, void* context);
void destroy_window(WindowHandle window);
bool is_window(WindowHandle window);
// Owner thread of a window, 0 when it is no window.
uint32_t window_thread(WindowHandle window);

// Result of the procedure; 0 when the window does not exist or is destroyed
// before it is dispatched.
intptr_t send_message(WindowHandle window, uint32_t msg, uintptr_t wparam, intptr_t lparam);
bool post_message(WindowHandle window, uint32_t msg, uintptr_t wparam, intptr_t lparam);

struct Message {
  WindowHandle window = nullptr;
  uint32_t msg = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
};

// Dispatches the messages sent to the calling thread's windows, then takes one
// posted message off its queue. False when none was waiting.
bool peek_message(Message& out);
intptr_t dispatch_message(const Message& message);

// Waits until a sent or posted message waits for the calling thread (sent ones
// are dispatched on the way). Timeout when none came within ms.
WaitResult wait_for_message(uint32_t ms);

// Waits for an event or thread while dispatching messages sent to the calling
// thread's windows, so that a sender blocked on this thread can go on.
// Posted messages stay queued.
WaitResult wait_pumping(Handle object, uint32_t ms);

// True while the calling thread runs a procedure for a message that another
// thread sent (InSendMessage).
bool in_send_message();

}  // namespace plat
