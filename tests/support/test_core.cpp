#include "tests/support/test_core.h"

#include <cstring>
#include <mutex>

#include "platform/message_box.h"
#include "platform/sync.h"
#include "platform/window.h"
#include "plugin/core_interface.h"

TestCore::TestCore() { window_ = plat::create_message_window(&TestCore::Proc, this); }

TestCore::~TestCore() { plat::destroy_window(window_); }

std::vector<int32_t> TestCore::repeats() const {
  std::vector<int32_t> out;
  for (const auto& n : received_) out.push_back(n.repeat);
  return out;
}

intptr_t TestCore::Proc(void* context, plat::WindowHandle, uint32_t msg, uintptr_t wparam,
                        intptr_t lparam) {
  auto* self = static_cast<TestCore*>(context);
  if (msg != kKeyNotify) return 0;
  const auto* record = reinterpret_cast<const KeyEventRecordT*>(wparam);
  Notification n;
  n.repeat = static_cast<int32_t>(lparam);
  n.instance.assign(record->InstanceName, strnlen(record->InstanceName, sizeof(record->InstanceName)));
  n.key_name.assign(record->KeyName, strnlen(record->KeyName, sizeof(record->KeyName)));
  // The record carries 32-bit addresses of the thread's texts.
  if (record->CodeText != 0) n.code_text = reinterpret_cast<const char*>(uintptr_t{record->CodeText});
  if (record->RemoteName != 0) n.remote_name = reinterpret_cast<const char*>(uintptr_t{record->RemoteName});
  n.tick = plat::tick_count();
  self->received_.push_back(n);
  if (self->on_notify) self->on_notify(self->received_.back());
  return 0;
}

bool TestCore::PumpUntil(const std::function<bool()>& pred, uint32_t guard_ms) {
  const uint32_t start = plat::tick_count();
  while (!pred()) {
    if (plat::tick_count() - start >= guard_ms) return false;
    plat::wait_for_message(10);
    plat::Message m;
    while (plat::peek_message(m)) plat::dispatch_message(m);
  }
  return true;
}

void TestCore::PumpFor(uint32_t ms) {
  const uint32_t start = plat::tick_count();
  PumpUntil([&] { return plat::tick_count() - start >= ms; }, ms + 1000);
}

CoreInfoBlock::CoreInfoBlock(uint32_t version) { std::memcpy(bytes + 28, &version, 4); }

namespace {
std::mutex box_mutex;
std::vector<MessageBoxCapture::Box> captured;

int Capture(const char* text, const char* caption, unsigned flags) {
  std::lock_guard<std::mutex> lock(box_mutex);
  captured.push_back({text ? text : "", caption ? caption : "", flags});
  return 1;
}
}  // namespace

MessageBoxCapture::MessageBoxCapture() {
  clear();
  plat::set_message_box_sink(&Capture);
}

MessageBoxCapture::~MessageBoxCapture() { plat::set_message_box_sink(nullptr); }

std::vector<MessageBoxCapture::Box> MessageBoxCapture::boxes() const {
  std::lock_guard<std::mutex> lock(box_mutex);
  return captured;
}

void MessageBoxCapture::clear() {
  std::lock_guard<std::mutex> lock(box_mutex);
  captured.clear();
}
