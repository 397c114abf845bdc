// Message boxes without a desktop: one line on standard error.
#include "platform/message_box.h"

#include <atomic>
#include <cstdio>

namespace plat {
namespace {

int stderr_box(const char* text, const char* caption, unsigned flags) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return 1;  // IDOK
}

std::atomic<MessageBoxSink> g_sink{stderr_box};

}  // namespace

int message_box(const char* text, const char* caption, unsigned flags) {
  return g_sink.load(std::memory_order_acquire)(text, caption, flags);
}

MessageBoxSink set_message_box_sink(MessageBoxSink sink) {
  return g_sink.exchange(sink ? sink : stderr_box, std::memory_order_acq_rel);
}

}  // namespace plat
