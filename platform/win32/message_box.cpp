// Message boxes on Win32: a real box unless a test installed its own sink.
#include "platform/message_box.h"

#include <windows.h>

#include <atomic>

namespace plat {
namespace {

int system_box(const char* text, const char* caption, unsigned flags) {
  return MessageBoxA(nullptr, text, caption, flags);
}

std::atomic<MessageBoxSink> sink{system_box};

}  // namespace

int message_box(const char* text, const char* caption, unsigned flags) {
  return sink.load(std::memory_order_acquire)(text, caption, flags);
}

MessageBoxSink set_message_box_sink(MessageBoxSink replacement) {
  return sink.exchange(replacement ? replacement : system_box, std::memory_order_acq_rel);
}

}  // namespace plat
