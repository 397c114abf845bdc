#include "tests/support/test_core.h"

#include <cstring>
#include <mutex>

#include "platform/message_box.h"
#include "platform/sync.h"
#include "platform/window.h"
#include "config/settings.h"
#include "device/press_slot.h"
#include "plugin/core_interface.h"
#include "plugin/exports.h"
#include "plugin/state.h"
#include "setup/setup_logic.h"

using namespace config;

TestCore::TestCore() { window_ = plat::create_message_window(&TestCore::Proc, this); }

TestCore::~TestCore() { plat::destroy_window(window_); }

std::vector<int32_t> TestCore::repeats() const {
  std::vector<int32_t> out;
  for (const auto& n : received_) out.push_back(n.repeat);
  return out;
}

intptr_t TestCore::Proc(void* context, plat::WindowHandle, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  auto* self = static_cast<TestCore*>(context);
  if (msg != events::kKeyNotify) return 0;
  const host::RecordTexts texts = host::ReadRecord(*reinterpret_cast<const events::KeyEventRecordT*>(wparam));
  Notification n;
  n.repeat = static_cast<int32_t>(lparam);
  n.instance = texts.instance;
  n.key_name = texts.key_name;
  n.code_text = texts.code_text;
  n.remote_name = texts.remote_name;
  n.tick = plat::tick_count();
  self->received_.push_back(n);
  if (self->on_notify) self->on_notify(self->received_.back());
  return 0;
}

bool TestCore::PumpUntil(const std::function<bool()>& pred, uint32_t guard_ms) {
  return host::PumpUntil(pred, guard_ms);
}

void TestCore::PumpFor(uint32_t ms) { host::PumpFor(ms); }

namespace {
std::mutex box_mutex;
std::vector<MessageBoxCapture::Box> captured;
std::function<void()> during;

int Capture(const char* text, const char* caption, unsigned flags) {
  std::function<void()> action;
  {
    std::lock_guard<std::mutex> lock(box_mutex);
    captured.push_back({text ? text : "", caption ? caption : "", flags});
    action = during;
  }
  if (action) action();
  return 1;
}
}  // namespace

MessageBoxCapture::MessageBoxCapture() {
  clear();
  plat::set_message_box_sink(&Capture);
}

MessageBoxCapture::~MessageBoxCapture() {
  plat::set_message_box_sink(nullptr);
  set_during(nullptr);
}

void MessageBoxCapture::set_during(std::function<void()> action) {
  std::lock_guard<std::mutex> lock(box_mutex);
  during = std::move(action);
}

void ResetPluginStateForTesting() {
  Interval.store(kDefaultInterval);
  Device.store(0);
  Wait1.store(kDefaultWait1);
  WaitN.store(kDefaultWaitN);
  WaitR.store(kDefaultWaitR);
  Remote = LoadedRemote();
  plugin::PressSlot.Clear();
  _SetupForm.store(nullptr);
  setup::LastShownCode = ~uint64_t{0};
}

std::vector<MessageBoxCapture::Box> MessageBoxCapture::boxes() const {
  std::lock_guard<std::mutex> lock(box_mutex);
  return captured;
}

void MessageBoxCapture::clear() {
  std::lock_guard<std::mutex> lock(box_mutex);
  captured.clear();
}
