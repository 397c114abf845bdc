// The replaceable sink in front of the backend's own message box.
#include "platform/message_box.h"

#include <atomic>

#include "platform/system_box.h"

namespace plat {
namespace {

std::atomic<MessageBoxSink> g_sink{system_message_box};

}  // namespace

int message_box(const char* text, const char* caption, unsigned flags) {
  return g_sink.load(std::memory_order_acquire)(text, caption, flags);
}

MessageBoxSink set_message_box_sink(MessageBoxSink sink) {
  return g_sink.exchange(sink ? sink : system_message_box, std::memory_order_acq_rel);
}

}  // namespace plat
