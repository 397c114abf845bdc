// A stand-in for the core: a window on the calling thread that records every
// KeyNotify with copies of what the record held while it was handled.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/messages.h"
#include "host/plugin_library.h"
#include "platform/types.h"

struct Notification {
  int32_t repeat = 0;
  std::string instance;
  std::string key_name;
  std::string code_text;
  std::string remote_name;
  uint32_t tick = 0;
};

class TestCore {
 public:
  TestCore();
  ~TestCore();

  plat::WindowHandle window() const { return window_; }
  const std::vector<Notification>& received() const { return received_; }
  std::vector<int32_t> repeats() const;

  // Runs inside the handler, after the notification was recorded.
  std::function<void(const Notification&)> on_notify;

  // Pumps the calling thread's messages until pred holds or guard_ms passed.
  bool PumpUntil(const std::function<bool()>& pred, uint32_t guard_ms = 10000);
  // Pumps for ms milliseconds.
  void PumpFor(uint32_t ms);

 private:
  static intptr_t Proc(void* context, plat::WindowHandle window, uint32_t msg, uintptr_t wparam,
                       intptr_t lparam);
  plat::WindowHandle window_ = nullptr;
  std::vector<Notification> received_;
};

// Captures message boxes instead of showing them.
class MessageBoxCapture {
 public:
  MessageBoxCapture();
  ~MessageBoxCapture();
  struct Box {
    std::string text;
    std::string caption;
    unsigned flags;
  };
  std::vector<Box> boxes() const;
  void clear();
  // Runs while a box shows, on the thread that shows it: what the user does
  // meanwhile. Cleared with the capture.
  void set_during(std::function<void()> action);
};

// The plug-in-wide state a test may have changed, back to its values at
// load: the settings, the press slot, setup mode and the dialog pointer.
void ResetPluginStateForTesting();
